// corvane-query DATABASE "QUERY"
// Runs one read-only query through the program's database layer and prints
// the heading and the rows as the report export writes them.
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure.h"
#include "reports/export_format.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: corvane-query DATABASE \"QUERY\"\n");
        return 2;
    }
    try {
        const corvane::platform::db::DatabaseEngine engine;
        const auto connection = engine.open(args[1], corvane::platform::db::OpenMode::ReadOnly);
        const corvane::platform::db::ResultSet result(connection, args[2],
                                                      corvane::platform::db::QueryAccess::ReadOnly);
        QByteArray out = corvane::ExportLine(result.columnNames());
        for (const auto& row : result.rows()) {
            QStringList cells;
            for (const auto& value : row)
                cells << value.displayText();
            out += corvane::ExportLine(cells);
        }
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
        return 0;
    } catch (const corvane::platform::Failure& failure) {
        std::fprintf(stderr, "Error %d: %s\n", failure.number(), qPrintable(failure.description()));
        return 1;
    }
}
