#include "platform/db/file_set_cursor.h"

#include "platform/db/database_engine.h"
#include "platform/db/grouped_scan.h"
#include "platform/db/merged_listing.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/statement.h"
#include "platform/failure/failure_codes.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace corvane::platform::db {

namespace {

QString bracket(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

long long largestRowId(const Connection& connection, const QString& table)
{
    Statement largest(connection, QStringLiteral("SELECT max(rowid) FROM ") + bracket(table));
    return largest.step() ? largest.column(0).toInt64() : 0;
}

bool anyRowPasses(const Connection& connection, const jet::TableFilter& filter)
{
    const QString from = bracket(filter.table)
        + (filter.alias.isEmpty() ? QString() : QStringLiteral(" AS ") + bracket(filter.alias));
    Statement any(connection,
        QStringLiteral("SELECT EXISTS (SELECT 1 FROM ") + from + QStringLiteral(" WHERE ") + filter.where
            + QLatin1Char(')'));
    return any.step() && any.column(0).toInt64() != 0;
}

// The schema's statements: tables first, the rest once the rows are in.
struct SchemaText {
    QStringList tableNames;
    QStringList tables;
    QStringList rest;
};

SchemaText schemaOf(const Connection& connection)
{
    SchemaText schema;
    Statement entries(connection,
        QStringLiteral("SELECT type, name, sql FROM sqlite_schema WHERE sql IS NOT NULL "
                       "AND name NOT LIKE 'sqlite~_%' ESCAPE '~' ORDER BY rowid"));
    while (entries.step()) {
        if (entries.column(0).toText() == QLatin1String("table")) {
            schema.tableNames << entries.column(1).toText();
            schema.tables << entries.column(2).toText();
        } else {
            schema.rest << entries.column(2).toText();
        }
    }
    return schema;
}

// The columns to copy besides the rowid: every one but the rowid's alias.
QStringList copiedColumns(const Connection& connection, const QString& table)
{
    Statement info(connection, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)"));
    info.bind(1, Value(table));
    QStringList names;
    QString alias;
    int keys = 0;
    while (info.step()) {
        const QString name = info.column(0).toText();
        if (info.column(2).toInt64() > 0) {
            ++keys;
            if (info.column(1).toText().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                alias = name;
        }
        names << name;
    }
    if (keys == 1 && !alias.isEmpty())
        names.removeOne(alias);
    return names;
}

} // namespace

FileSetCursor::FileSetCursor(
    const DatabaseEngine& engine, const FileSet& files, const QString& queryText, QueryAccess access)
    : m_engine(engine)
    , m_queryText(queryText)
    , m_access(access)
{
    const Connection& current = keep(engine.open(files.current, OpenMode::ReadOnly));
    m_query = toSqliteQuery(current, queryText);
    const bool utf8 = m_query.grouped && storesUtf8(current); // asked before the query's guard forbids it
    m_current.emplace(current, m_query, access);
    m_splitTables = files.splitTables;
    chooseEarlierFiles(files);
    for (const Connection* file : m_earlier)
        m_filesRead << file->path();
    m_filesRead << files.current;
    if (m_earlier.empty())
        return;
    if (m_query.keyed) {
        std::vector<const Connection*> files = m_earlier;
        files.push_back(&current);
        m_listing = MergedListing::open(files, *m_query.keyed, m_query.sql, columnCount());
        if (m_listing)
            return;
    }
    if (utf8) {
        bool allUtf8 = true;
        for (const Connection* file : m_earlier)
            allUtf8 = allUtf8 && storesUtf8(*file);
        if (allUtf8)
            m_grouped = std::make_unique<GroupedScan>(
                current, *m_query.grouped, m_query.sql, columnCount(), m_earlier);
    }
    // Merged at the first row, so that the work happens where the caller
    // expects a query to run (and can be interrupted there).
}

FileSetCursor::~FileSetCursor()
{
    m_listing.reset();
    m_grouped.reset();
    m_merged.reset();
    m_current.reset();
    const std::lock_guard lock(m_interruptLock);
    m_connections.clear();
}

void FileSetCursor::chooseEarlierFiles(const FileSet& files)
{
    const std::optional<jet::TableFilter>& filter = m_query.filter;
    if (filter && !files.splitTables.contains(filter->table, Qt::CaseInsensitive))
        return; // it reads a table only the current file holds
    const QStringList earlier = files.earlier ? files.earlier() : QStringList();
    for (const QString& path : earlier) {
        throwIfInterrupted();
        if (!QFileInfo::exists(path))
            continue; // deleted since it was listed, as old archives are
        Connection file = m_engine.open(path, OpenMode::ReadOnly);
        if (filter && !filter->where.isEmpty() && !anyRowPasses(file, *filter)) {
            m_earlierFiles.push_back({ path, nullptr });
            continue;
        }
        m_earlier.push_back(&keep(std::move(file)));
        m_earlierFiles.push_back({ path, m_earlier.back() });
    }
}

void FileSetCursor::mergeIntoTemporaryFile()
{
    const std::optional<jet::TableFilter>& filter = m_query.filter;
    const Connection& current = *m_connections.front();
    // Never left behind, even by a process that is killed.
    Connection& merged = keep(Connection::temporary(current.nowSource()));
    m_mergedFile = &merged;
    merged.execute(QStringLiteral("PRAGMA journal_mode = OFF"));
    merged.execute(QStringLiteral("PRAGMA cache_size = -65536"));

    const SchemaText schema = schemaOf(current);
    for (const QString& table : schema.tables)
        merged.execute(table);
    merged.execute(QStringLiteral("BEGIN"));
    for (const QString& table : schema.tableNames) {
        // A query of one table sees no other, and only the rows passing its condition.
        jet::TableFilter rows { table, {}, {}, {} };
        if (filter) {
            if (filter->table.compare(table, Qt::CaseInsensitive) != 0)
                continue;
            rows = *filter;
        }
        const bool split = m_splitTables.contains(table, Qt::CaseInsensitive);
        long long offset = 0;
        if (split) {
            // Every earlier file counts towards the numbering, read or not.
            for (const EarlierFile& file : m_earlierFiles) {
                if (file.read) {
                    copyRows(*file.read, rows, offset);
                    offset += largestRowId(*file.read, table);
                } else {
                    offset += largestRowId(m_engine.open(file.path, OpenMode::ReadOnly), table);
                }
            }
        }
        copyRows(current, rows, offset);
    }
    merged.execute(QStringLiteral("COMMIT"));
    for (const QString& statement : schema.rest)
        merged.execute(statement);
    m_merged.emplace(merged, m_queryText, m_access);
}

void FileSetCursor::copyRows(const Connection& from, const jet::TableFilter& rows, long long rowIdOffset)
{
    const QString& table = rows.table;
    const Connection& merged = *m_mergedFile;
    QStringList columns = copiedColumns(merged, table);
    // The others stay Null: the query never reads them.
    if (!rows.columns.isEmpty())
        columns.removeIf(
            [&](const QString& column) { return !rows.columns.contains(column, Qt::CaseInsensitive); });
    QStringList selected { QStringLiteral("rowid + ") + QString::number(rowIdOffset) };
    QStringList marks { QStringLiteral("?") };
    QStringList targets { QStringLiteral("rowid") };
    for (const QString& column : columns) {
        selected << bracket(column);
        targets << bracket(column);
        marks << QStringLiteral("?");
    }
    const QString source = bracket(table)
        + (rows.alias.isEmpty() ? QString() : QStringLiteral(" AS ") + bracket(rows.alias))
        + (rows.where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + rows.where);
    Statement read(from,
        QStringLiteral("SELECT ") + selected.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + source);
    Statement write(merged,
        QStringLiteral("INSERT INTO ") + bracket(table) + QLatin1Char('(')
            + targets.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (")
            + marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
        Statement::Lifetime::Persistent);
    const int count = static_cast<int>(targets.size());
    while (read.step()) {
        for (int c = 0; c < count; ++c) {
            const int rc = sqlite3_bind_value(write.handle(), c + 1, sqlite3_column_value(read.handle(), c));
            if (rc != SQLITE_OK)
                throw sqliteFailure(merged.handle(), rc);
        }
        write.step();
        write.reset();
        throwIfInterrupted();
        if (++m_rowsGathered % 4096 == 0 && m_gathered)
            m_gathered(m_rowsGathered);
    }
}

bool FileSetCursor::next(std::vector<Value>& row)
{
    if (m_listing)
        return m_listing->next(row);
    if (const std::optional<bool> grouped = nextGroupedRow(m_grouped, row))
        return *grouped;
    if (!m_earlier.empty() && !m_merged)
        mergeIntoTemporaryFile();
    return m_merged ? m_merged->next(row) : m_current->next(row);
}

Connection& FileSetCursor::keep(Connection connection)
{
    const std::lock_guard lock(m_interruptLock);
    m_connections.push_back(std::make_unique<Connection>(std::move(connection)));
    if (m_interrupted)
        m_connections.back()->interrupt();
    return *m_connections.back();
}

void FileSetCursor::interrupt() const
{
    const std::lock_guard lock(m_interruptLock);
    m_interrupted = true;
    for (const std::unique_ptr<Connection>& connection : m_connections)
        connection->interrupt();
}

void FileSetCursor::throwIfInterrupted() const
{
    if (m_interrupted)
        throw sqliteFailure(SQLITE_INTERRUPT, QStringLiteral("interrupted"));
}

} // namespace corvane::platform::db
