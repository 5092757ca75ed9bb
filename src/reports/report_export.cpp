#include "reports/report_export.h"

#include "base/background_task.h"
#include "platform/failure/failure_codes.h"
#include "platform/grid/grid.h"
#include "reports/export_format.h"

#include <QSaveFile>

namespace corvane {

namespace {

platform::Failure accessError(const QFileDevice& file)
{
    return platform::failure::PathFileAccessError.make(
        file.fileName() + QStringLiteral(" (") + file.errorString() + QLatin1Char(')'));
}

} // namespace

void writeExport(const platform::Grid& grid, const QString& path, BackgroundTask& task)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw accessError(file);
    QStringList cells;
    for (int r = 0; r < grid.rows(); ++r) {
        if (task.isCancelled())
            return; // the destructor drops the unfinished copy
        cells.clear();
        for (int c = 0; c < grid.cols(); ++c)
            cells << grid.text(r, c);
        if (file.write(exportLine(cells)) < 0)
            throw accessError(file);
        task.setDone(r + 1);
    }
    // A full disk may only show when the buffer is written out: checked here,
    // as the commit would take a short file for a whole one.
    if (!file.flush() || !file.commit())
        throw accessError(file);
}

} // namespace corvane
