#include "capture/log_database.h"

#include "base/field_keys.h"
#include "capture/syslog_record.h"
#include "platform/db/database_engine.h"

namespace corvane {

namespace {

const QString SyslogTable = QStringLiteral("syslog");
const QString MissedTable = QStringLiteral("missed");
const QString MissedColumn = QStringLiteral("syslog");
const QString LogDateColumn = QStringLiteral("LogDate");
const QString SentPlusRcvdColumn = QStringLiteral("sent+rcvd");

} // namespace

LogDatabase::LogDatabase(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, const FieldKeys& keys)
    : m_keys(keys)
    , m_connection(engine.open(databasePath))
    // Checkpoints every 10,000 pages rather than 1,000: fewer, larger
    // write-backs cost the one-row commits of a capture less.
    , m_log(m_connection, 10000)
    , m_syslog(m_connection, SyslogTable)
    , m_logDateColumn(m_syslog.columnIndex(LogDateColumn))
    , m_sentPlusRcvdColumn(m_syslog.columnIndex(SentPlusRcvdColumn))
{
    for (int i = 0; i < m_keys.count(); ++i)
        m_keyColumns.push_back(m_syslog.columnIndex(m_keys.key(i)));
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

qint64 LogDatabase::DatabaseFileSize() const
{
    return m_connection.mainFileBytes() + m_log.liveBytes();
}

bool LogDatabase::CheckDatabaseSize(const std::function<void(const QString&)>& showSize)
{
    qint64 size = currentSize();
    showSize(databaseSizeText(size));
    if (size > MaxDatabaseBytes) {
        // Pages still in the log may be copies of pages in the file: move
        // them back and cut the log before judging the size.
        checkpoint();
        size = currentSize();
    }
    return size > MaxDatabaseBytes;
}

void LogDatabase::checkpoint()
{
    m_log.checkpointAndTruncate();
}

QString databaseSizeText(qint64 bytes)
{
    return QString::number(bytes) + QStringLiteral(" Bytes");
}

} // namespace corvane
