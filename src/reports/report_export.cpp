#include "reports/report_export.h"

#include "platform/failure/failure_codes.h"
#include "platform/grid/grid.h"
#include "reports/export_format.h"

#include <QFile>
#include <limits>

namespace corvane {

ExportRange exportRangeOf(const platform::Grid& grid)
{
    const int lastColumn = grid.cols() - 1;
    const int lastRow = grid.rows() - 1;
    // Columns are counted in 8 bits and rows in 16; a grid beyond that is
    // refused before anything is written, so no file is left half done.
    if (lastColumn < 0 || lastColumn >= std::numeric_limits<std::uint8_t>::max()
        || lastRow >= std::numeric_limits<std::int16_t>::max())
        throw platform::failure::Overflow.make();
    return { static_cast<std::uint8_t>(lastColumn), static_cast<std::int16_t>(lastRow) };
}

namespace {

platform::Failure accessError(const QFile& file)
{
    return platform::failure::PathFileAccessError.make(
        file.fileName() + QStringLiteral(" (") + file.errorString() + QLatin1Char(')'));
}

} // namespace

void writeExport(platform::Grid& grid, const ExportRange& range, const QString& path,
    const std::function<void(int row)>& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw accessError(file);
    QStringList cells;
    for (int r = 0; r <= range.lastRow; ++r) {
        if (progress)
            progress(r);
        cells.clear();
        for (int c = 0; c <= range.lastColumn; ++c)
            cells << grid.text(r, c);
        if (file.write(exportLine(cells)) < 0)
            throw accessError(file);
    }
    if (!file.flush())
        throw accessError(file);
    grid.setCurrentCell(range.lastRow, range.lastColumn);
}

} // namespace corvane
