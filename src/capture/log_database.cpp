#include "capture/log_database.h"

#include "base/field_keys.h"
#include "capture/syslog_record.h"
#include "platform/db/database_engine.h"
#include "platform/db/transaction.h"
#include "platform/failure/failure.h"

namespace corvane {

namespace {

const QString SyslogTable = QStringLiteral("syslog");
const QString MissedTable = QStringLiteral("missed");
const QString MissedColumn = QStringLiteral("syslog");
const QString LogDateColumn = QStringLiteral("LogDate");
const QString SentPlusRcvdColumn = QStringLiteral("sent+rcvd");

qint64 pragmaNumber(const platform::db::Connection& connection, const QString& pragma)
{
    platform::db::Statement statement(connection, pragma);
    return statement.step() ? statement.column(0).toInt64() : 0;
}

} // namespace

LogDatabase::LogDatabase(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, qint64 sizeLimit)
    : m_connection(engine.open(databasePath))
    // Checkpoints every 10,000 pages rather than 1,000: fewer, larger
    // write-backs cost the one-row commits of a capture less.
    , m_log(m_connection, 10000)
    , m_pageCount(
          m_connection, QStringLiteral("PRAGMA page_count"), platform::db::Statement::Lifetime::Persistent)
    , m_pageSize(pragmaNumber(m_connection, QStringLiteral("PRAGMA page_size")))
    , m_sizeLimit(sizeLimit)
    , m_syslog(m_connection, SyslogTable)
    , m_logDateColumn(m_syslog.columnIndex(LogDateColumn))
    , m_sentPlusRcvdColumn(m_syslog.columnIndex(SentPlusRcvdColumn))
{
    for (const QStringView key : FieldKeys)
        m_keyColumns.push_back(m_syslog.columnIndex(key.toString()));
}

void LogDatabase::AppendMissedRow(const QString& message)
{
    if (!m_missed)
        m_missed.emplace(m_connection, MissedTable);
    m_missed->addNew();
    m_missed->setValue(MissedColumn, platform::db::Value(message));
    m_missed->update();
}

long long LogDatabase::AppendSyslogRecord(const SyslogRecord& record)
{
    m_syslog.addNew();
    m_syslog.setValue(m_logDateColumn, record.logDate);
    m_syslog.setValue(m_sentPlusRcvdColumn, platform::db::Value(record.sentPlusRcvd));
    for (std::size_t i = 0; i < m_keyColumns.size(); ++i) {
        const auto& field = record.fields[i];
        // A missing key is stored as the number 0; the date column turns it
        // into the zero date.
        m_syslog.setValue(m_keyColumns[i], field ? platform::db::Value(*field) : platform::db::Value(0));
    }
    m_syslog.update();
    return m_syslog.recordCount();
}

long long LogDatabase::storeDatagram(const QString& message, int missingKeys, const SyslogRecord& record)
{
    if (missingKeys == 0)
        return AppendSyslogRecord(record); // one statement: whole or nothing by itself
    const long long before = m_syslog.recordCount();
    try {
        platform::db::Transaction transaction(m_connection);
        for (int i = 0; i < missingKeys; ++i)
            AppendMissedRow(message);
        const long long count = AppendSyslogRecord(record);
        transaction.commit();
        return count;
    } catch (const platform::Failure&) {
        m_syslog.forget(m_syslog.recordCount() - before);
        throw;
    }
}

void LogDatabase::releaseLogSpace()
{
    try {
        m_log.checkpointAndTruncate();
    } catch (const platform::Failure&) {
        // still no room, or a reader in the way: the next retry tries again
    }
}

qint64 LogDatabase::DatabaseFileSize() const
{
    m_pageCount.reset();
    const qint64 pages = m_pageCount.step() ? m_pageCount.column(0).toInt64() : 0;
    m_pageCount.reset(); // ends the read, which would hold a snapshot of the log
    return pages * m_pageSize;
}

bool LogDatabase::CheckDatabaseSize(const std::function<void(const QString&)>& showSize)
{
    const qint64 size = currentSize();
    showSize(databaseSizeText(size));
    return size > m_sizeLimit;
}

QString databaseSizeText(qint64 bytes)
{
    return QString::number(bytes) + QStringLiteral(" Bytes");
}

} // namespace corvane
