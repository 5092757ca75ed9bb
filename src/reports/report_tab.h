#pragma once

#include "reports/report_query.h"

#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace corvane {

class ErrorLogger;
class ReportCatalogue;
class SharedState;

namespace platform {
class Dialogs;
}

// The report tab: pick a report, type its filters, run it into the preview.
// Filter values are written back into the report's row when another report
// is picked and when it is run, so each report remembers its own.
class ReportTab : public QWidget {
    Q_OBJECT
public:
    ReportTab(
        SharedState& state, const ErrorLogger& logger, platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~ReportTab() override;

    // Opens table Report on the database path and shows its first row, as
    // the main window's load leaves it; failures are the caller's.
    void load();

    void dbcboReport_Click();
    void cmdRunReport_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReportCatalogue& catalogue();
    void boxEdited(std::size_t box, const QString& text);
    void showCurrentReport();
    FilterTexts boxTexts() const;

    SharedState& m_state;
    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;
    std::unique_ptr<ReportCatalogue> m_catalogue;
    QComboBox* m_dbcboReport;
    std::array<QLabel*, FilterCount> m_captions;
    std::array<QLineEdit*, FilterCount> m_boxes;
    // Each box's text as of its last change, whoever made it; while the user
    // edits, the text before the edit. The limit applies to typing only.
    std::array<QString, FilterCount> m_boxTexts;
    QPlainTextEdit* m_txtSQL;
    QCheckBox* m_chkThisFileOnly;
    QLabel* m_lblFilesRead;
    QPushButton* m_cmdRunReport;
};

} // namespace corvane
