#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace corvane {

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

// The last column and row an export writes. The export counts columns in
// 8 bits and rows in 16, so a grid beyond 255 columns or 32,767 rows (the
// heading row included) fails with "Overflow" before anything is written.
struct ExportRange {
    std::uint8_t lastColumn;
    std::int16_t lastRow;
};
ExportRange exportRangeOf(const platform::Grid& grid);

// Writes the grid, heading row first, each line its cells each followed by
// "," then CR LF, into the file at path (created or emptied). progress gets
// every row number before the row is written. A path that cannot be opened
// fails before anything is written; lines written before a later failure
// stay. Afterwards the grid's current cell is the last one written.
void writeExport(platform::Grid& grid, const ExportRange& range, const QString& path,
    const std::function<void(int row)>& progress = {});

} // namespace corvane
