#pragma once

// The report tab and the preview window driven as a user drives them, on a
// real database in a temporary program folder, with the scripted dialogs.
#include "base/clock.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "platform/db/connection.h"
#include "platform/grid/grid_widget.h"
#include "platform/grid/twips.h"
#include "program_folder.h"
#include "qstring_printer.h"
#include "reports/report_preview.h"
#include "reports/report_tab.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace corvane::testing {

using platform::MessageAnswer;

inline const QString SourceReport = QStringLiteral("Traffic From A Source IP Between Two Dates");
inline const QString AllTraffic = QStringLiteral("Traffic Between Two Dates");

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The preview reads its query, and exports, on a thread of its own.
inline bool waitUntilIdle(ReportPreview& preview)
{
    const QDeadlineTimer deadline(20000);
    while (preview.isBusy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents(); // what it reports when done
    return !preview.isBusy();
}

template <typename T> T* child(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// The report tab alone in a window, with the state and logger the main
// window would hand it, loaded as the main window's load leaves it.
struct ReportTabHost {
    ReportTabHost(const QString& folder, platform::Dialogs& dialogs, const Clock& clock)
        : state(folder, &clock)
        , logger(folder, dialogs)
        , tab(new ReportTab(state, logger, dialogs))
    {
        state.databasePath = SharedState::databasePathIn(folder);
        state.GridSortOrder = platform::GridSortOrder::DescendingNext;
        window.setCentralWidget(tab);
        tab->load();
        window.show();
    }

    SharedState state;
    ErrorLogger logger;
    QMainWindow window;
    ReportTab* tab;
};

class ReportWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        execute(QStringLiteral(
            "INSERT INTO syslog ([src=], [dst=], [start_time=], [sent+rcvd], [action=]) VALUES "
            "('192.0.2.1', '198.51.100.7', '2026-12-01 10:00:00', 460, 'Permit'), "
            "('192.0.2.10', '198.51.100.8', '2026-12-02 11:00:00', 9, 'Deny'), "
            "('192.0.2.2', '198.51.100.7', '2026-12-03 12:00:00', 1500, 'Permit'), "
            "('203.0.113.5', '198.51.100.9', '2026-12-09 08:00:00', 77, 'Permit')"));
    }

    void execute(const QString& sql) { platform::db::Connection(folder.databasePath()).execute(sql); }

    void open() { host = std::make_unique<ReportTabHost>(folder.path(), dialogs, clock); }

    template <typename T> T* find(const char* name) { return child<T>(&host->window, name); }

    // The user picks a report from the list.
    void pick(const QString& name)
    {
        auto* list = find<QComboBox>("dbcboReport");
        const int index = list->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    void type(const char* box, const QString& text) { find<QLineEdit>(box)->setText(text); }

    // Presses VIEW REPORT; while the modal preview is open, look runs on it,
    // then the preview is closed. Returns whether a preview opened.
    bool runReport(const std::function<void(ReportPreview&)>& look = {})
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
            if (!preview)
                return;
            opened = true;
            EXPECT_TRUE(waitUntilIdle(*preview));
            if (look)
                look(*preview);
            child<QPushButton>(preview, "cmdClose")->click();
        });
        find<QPushButton>("cmdRunReport")->click();
        QCoreApplication::processEvents(); // let a timer that found no preview go
        return opened;
    }

    testing::ProgramFolder folder;
    ScriptedDialogs dialogs;
    FixedClock clock { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)) };
    std::unique_ptr<ReportTabHost> host;
};

inline QStringList column(const platform::Grid& grid, int col)
{
    QStringList cells;
    for (int r = 0; r < grid.rows(); ++r)
        cells << grid.text(r, col);
    return cells;
}

inline std::vector<int> widthsOf(const platform::Grid& grid)
{
    std::vector<int> widths;
    for (int c = 0; c < grid.cols(); ++c)
        widths.push_back(grid.colWidth(c));
    return widths;
}

} // namespace corvane::testing
