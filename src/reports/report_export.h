#pragma once

#include <QString>

namespace corvane {

class BackgroundTask;

namespace platform {
class Grid;
}

// The texts of an export, as the user sees them.
inline constexpr const char* ExportConfirmationTitle = "Export Confirmation";
inline constexpr const char* ExportConfirmationText
    = "This report will now be save to the location you select. The report can then be loaded into other "
      "programs "
      "like Excel, Word, NotePad etc... Do you want to continue? ";
inline constexpr const char* ExportDialogTitle = "Save As";
inline constexpr const char* ExportDialogFilter = "All Files (*.*)|*.*";
inline constexpr const char* ExportInitialName = "GymReport";
inline constexpr const char* ExportDefaultExtension = "csv";
inline constexpr const char* ExportNoFileNameText = "No Filename entered, data has not been exported";
inline constexpr const char* ExportingCaption = " Exporting..";

// Writes every row of the grid, heading row first, each line its cells each
// followed by "," then CR LF. Meant for the task's thread while nobody
// changes the grid: it only reads it, and counts the rows written. The file
// is written beside the path and takes its place only once whole, so a
// cancel or a failure leaves what was there; a path whose folder cannot be
// written fails before anything is written.
void writeExport(const platform::Grid& grid, const QString& path, BackgroundTask& task);

} // namespace corvane
