#pragma once

#include "platform/db/file_set_cursor.h"
#include "platform/grid/grid.h"
#include "reports/preview_layout.h"

#include <QDialog>
#include <QString>
#include <memory>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace corvane {

class BackgroundTask;
class ErrorLogger;
class SharedState;
struct ReportRows;

namespace platform {
class Dialogs;
class GridWidget;
} // namespace platform

// frmReportPreview: the rows of one report run in a zoomable grid, with the
// export to a comma-separated file. It only reads the database. Made for one
// run: constructing it starts reading the query; closing it ends it. The
// query and the export run on a thread of their own, so the windows go on
// answering; past half a second they show their progress and a Cancel that
// stops them and leaves everything as it was (a cancelled reading closes the
// preview).
class ReportPreview : public QDialog {
    Q_OBJECT
public:
    // files: the database file, perhaps with its archives.
    ReportPreview(SharedState& state, const ErrorLogger& logger, platform::Dialogs& dialogs,
        const QString& query, platform::db::FileSet files, QWidget* parent = nullptr);
    ~ReportPreview() override;

    // Fits the grid to the preview area at the chosen zoom, each column
    // keeping its share of the width.
    void RefreshPrintPreview();

    platform::GridWidget& grid() { return *m_msgReport; }
    // The files the query read, oldest first; empty until it has begun.
    const QStringList& filesRead() const { return m_filesRead; }
    // Reading the query or writing an export.
    bool isBusy() const;
    // Which date filters could not be read, named in a date syntax failure
    // so the user knows which box to mend.
    void setDateNote(const QString& note) { m_dateNote = note; }
    const GridPlacement& gridPlacement() const { return m_placement; }

    void cboZoomView_Click();
    // Receives the code of a typed character and may change it; 0 types nothing.
    void cboZoomView_KeyPress(int& keyAscii);
    void cmdClose_Click();
    void cmdCancel_Click();
    void cmdExport_Click();
    void msgReport_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load(const QString& query, platform::db::FileSet files);
    void rowsRead();
    void exportWritten();
    void showProgress(long long done, qint64 elapsedMs);
    void hideProgress();
    void showBusy(bool busy);
    void Form_Resize();
    void showLayout();
    double zoom() const;

    SharedState& m_state;
    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;
    QGroupBox* m_frame1;
    QLabel* m_zoomLabel;
    QComboBox* m_cboZoomView;
    QPushButton* m_cmdExport;
    QPushButton* m_cmdClose;
    QLabel* m_lblPrint;
    QProgressBar* m_prgPrint;
    QFrame* m_picView;
    QPushButton* m_cmdCancel;
    platform::GridWidget* m_msgReport;
    BackgroundTask* m_task;
    enum class Work { None, Reading, Sorting, Exporting };
    Work m_work = Work::None;
    QString m_dateNote;
    QStringList m_filesRead;
    std::shared_ptr<ReportRows> m_read;
    std::shared_ptr<platform::Grid::SortOrder> m_sorted;
    // The preview area's size and the grid's place in it, in twips.
    float m_areaWidth;
    float m_areaHeight;
    GridPlacement m_placement;
};

} // namespace corvane
