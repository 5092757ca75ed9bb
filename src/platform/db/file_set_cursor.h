#pragma once

#include "platform/db/connection.h"
#include "platform/db/query_cursor.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/value.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace corvane::platform::db {

class DatabaseEngine;
class GroupedScan;
class MergedListing;

// Files that together hold what one file would hold had it never been
// split: the current file with its schema and every table, and earlier
// files, oldest first, holding the older rows of the split tables. Each
// file numbers its rows from 1; the one file would have gone on counting.
struct FileSet {
    QString current;
    // Asked once the current file is open and read: from then on nobody can
    // move it aside until the cursor ends, so no file falls between the two.
    std::function<QStringList()> earlier;
    QStringList splitTables;
};

// The rows of one query over a file set, exactly as the one file would give
// them, read only. Earlier files whose rows the query's condition leaves out
// are not read. A grouped query merges the groups of each file when no
// order of reading could change them; a listing that each file reads along
// the index of its order merges the files' rows as they come; any other
// query runs on a temporary file that takes the rows the query can see, in
// the one file's order and numbering, so every plan, tie and spelling comes
// out as it would.
class FileSetCursor {
public:
    FileSetCursor(const DatabaseEngine& engine, const FileSet& files, const QString& queryText,
        QueryAccess access = QueryAccess::Any);
    ~FileSetCursor();
    FileSetCursor(const FileSetCursor&) = delete;
    FileSetCursor& operator=(const FileSetCursor&) = delete;

    const QStringList& columnNames() const { return m_current->columnNames(); }
    int columnCount() const { return m_current->columnCount(); }
    [[nodiscard]] bool next(std::vector<Value>& row);

    // The files the query reads: the earlier ones it needs, oldest first,
    // then the current one.
    const QStringList& filesRead() const { return m_filesRead; }

    // Told now and then how many rows have been taken into the temporary
    // file, while that happens (at the first next()).
    void onRowsGathered(std::function<void(long long)> progress) { m_gathered = std::move(progress); }

    // Makes the work stop soon with an interrupted failure; any thread.
    void interrupt() const;

private:
    void chooseEarlierFiles(const FileSet& files);
    void mergeIntoTemporaryFile();
    void copyRows(const Connection& from, const jet::TableFilter& rows, long long rowIdOffset);
    Connection& keep(Connection connection);
    void throwIfInterrupted() const;

    const DatabaseEngine& m_engine;
    QString m_queryText;
    QueryAccess m_access;
    SqliteQuery m_query;
    QStringList m_splitTables;
    std::vector<std::unique_ptr<Connection>> m_connections; // the current file's first
    struct EarlierFile {
        QString path;
        const Connection* read = nullptr; // none when none of its rows can count
    };
    std::vector<EarlierFile> m_earlierFiles; // every earlier file, oldest first
    std::vector<const Connection*> m_earlier; // those read, oldest first
    std::optional<QueryCursor> m_current; // checks the query; its rows when no earlier file counts
    std::unique_ptr<GroupedScan> m_grouped;
    std::unique_ptr<MergedListing> m_listing;
    Connection* m_mergedFile = nullptr; // temporary, among m_connections
    std::optional<QueryCursor> m_merged;
    QStringList m_filesRead;
    std::function<void(long long)> m_gathered;
    long long m_rowsGathered = 0;
    mutable std::mutex m_interruptLock;
    mutable std::atomic<bool> m_interrupted { false };
};

} // namespace corvane::platform::db
