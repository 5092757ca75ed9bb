// corvane-query [--with-archives] DATABASE "QUERY"
// corvane-query [--with-archives] DATABASE --report NAME [--filter1 VALUE ... --filter9 VALUE]
//   (or --filter K=VALUE)
// Runs one read-only query through the program's database layer, or a stored
// report filled the way VIEW REPORT fills it, and prints the heading and the
// rows as the report export writes them. A filter not given takes the value
// stored with the report; nothing is written to the database. With
// --with-archives the rotated files beside the database count too, as the
// Report tab reads them; the files read are named on standard error.
#include "base/archive_files.h"
#include "base/command_line.h"
#include "platform/db/database_engine.h"
#include "platform/db/file_set_cursor.h"
#include "platform/failure/failure_codes.h"
#include "reports/export_format.h"
#include "reports/report_catalogue.h"
#include "reports/report_rows.h"

#include <QCoreApplication>
#include <QStringList>
#include <array>
#include <cstdio>
#include <new>
#include <optional>

namespace {

using namespace corvane;
using platform::db::OpenMode;

constexpr const char* Usage
    = "usage: corvane-query [--with-archives] DATABASE \"QUERY\"\n"
      "       corvane-query [--with-archives] DATABASE --report NAME [--filter1 VALUE ... --filter9 VALUE]\n"
      "       (a filter may also be given as --filter K=VALUE; --with-archives reads the rotated\n"
      "       files syslog97-*.mdb beside DATABASE too)\n";

struct ReportRequest {
    QString name;
    std::array<std::optional<QString>, 9> filters;
};

// Reads "--report NAME" and filter pairs; nullopt on anything else.
std::optional<ReportRequest> reportRequest(const QStringList& args)
{
    ReportRequest request;
    bool named = false;
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const QString& option = args[i];
        if (option == QLatin1String("--report")) {
            request.name = args[i + 1];
            named = true;
            continue;
        }
        // "--filterK VALUE", or "--filter K=VALUE".
        QString number = option.mid(8);
        QString value = args[i + 1];
        if (option == QLatin1String("--filter")) {
            number = value.section(QLatin1Char('='), 0, 0);
            value = value.section(QLatin1Char('='), 1);
        }
        bool ok = false;
        const int k = option.startsWith(QLatin1String("--filter")) ? number.toInt(&ok) : 0;
        if (!ok || k < 1 || k > 9)
            return std::nullopt;
        request.filters[static_cast<size_t>(k - 1)] = value;
    }
    if (!named || args.size() % 2 != 0)
        return std::nullopt;
    return request;
}

QString reportQuery(
    const platform::db::DatabaseEngine& engine, const QString& database, const ReportRequest& request)
{
    ReportCatalogue reports(engine, database, OpenMode::ReadOnly);
    if (!reports.pick(request.name))
        throw platform::failure::ItemNotFound.make(
            QStringLiteral("no report named \"%1\"").arg(request.name));
    FilterTexts texts;
    for (int k = 1; k <= 9; ++k) {
        const auto& given = request.filters[static_cast<size_t>(k - 1)];
        texts[static_cast<size_t>(k - 1)] = given ? *given : reports.filterValue(k);
    }
    return reports.queryFor(texts);
}

// Row by row, so that a listing of millions never sits in memory.
void printExport(platform::db::FileSetCursor& cursor)
{
    const auto print = [](const QByteArray& line) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    };
    print(exportLine(cursor.columnNames()));
    std::vector<platform::db::Value> row;
    QStringList cells;
    while (cursor.next(row)) {
        cells.clear();
        for (const platform::db::Value& value : row)
            cells.append(value.displayText());
        print(exportLine(cells));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto answered = corvane::answerHelpOrVersion(argc, argv, "corvane-query", Usage))
        return *answered;
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const bool archives = args.size() > 1 && args[1] == QLatin1String("--with-archives");
    if (archives)
        args.removeAt(1);
    if (args.size() < 3) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const QString database = args[1];
    std::optional<ReportRequest> report;
    if (args[2].startsWith(QLatin1String("--"))) {
        report = reportRequest(args.mid(2));
        if (!report) {
            std::fputs(Usage, stderr);
            return 2;
        }
    } else if (args.size() != 3) {
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        const platform::db::DatabaseEngine engine;
        const QString query = report ? reportQuery(engine, database, *report) : args[2];
        platform::db::FileSetCursor cursor(engine, archives ? withArchives(database) : thisFileOnly(database),
            query, platform::db::QueryAccess::ReadOnly);
        if (archives)
            std::fprintf(stderr, "%s\n", qPrintable(filesReadNote(cursor.filesRead())));
        printExport(cursor);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const platform::Failure& failure) {
        std::fprintf(stderr, "Error %d: %s\n", failure.number(), qPrintable(failure.description()));
        return 1;
    } catch (const std::bad_alloc&) {
        const platform::failure::Code& code = platform::failure::OutOfMemory;
        std::fprintf(stderr, "Error %d: %s\n", code.number, code.description);
        return 1;
    }
}
