#include "capture/log_database.h"

#include "app/error_logger.h"
#include "app/field_keys.h"
#include "capture/syslog_record.h"
#include "platform/db/database_engine.h"
#include "platform/dialogs/dialogs.h"

#include <QFileInfo>

namespace corvane {

namespace {

const QString SyslogTable = QStringLiteral("syslog");
const QString MissedTable = QStringLiteral("missed");
const QString MissedColumn = QStringLiteral("syslog");
const QString LogDateColumn = QStringLiteral("LogDate");
const QString SentPlusRcvdColumn = QStringLiteral("sent+rcvd");

} // namespace

LogDatabase::LogDatabase(const platform::db::DatabaseEngine& engine, const QString& databasePath,
                         const FieldKeys& keys)
    : m_keys(keys)
    , m_path(databasePath)
    , m_connection(engine.open(databasePath))
    , m_syslog(m_connection, SyslogTable)
    , m_missed(m_connection, MissedTable)
{
}

void LogDatabase::AppendMissedRow(const QString& message)
{
    m_missed.addNew();
    m_missed.setValue(MissedColumn, platform::db::Value(message));
    m_missed.update();
}

long long LogDatabase::AppendSyslogRecord(const SyslogRecord& record)
{
    m_syslog.addNew();
    m_syslog.setValue(LogDateColumn, record.logDate);
    m_syslog.setValue(SentPlusRcvdColumn, platform::db::Value(record.sentPlusRcvd));
    for (int i = 0; i < m_keys.count(); ++i) {
        const auto& field = record.fields[static_cast<std::size_t>(i)];
        // A missing key is stored as the number 0; the date column turns it
        // into the zero date.
        m_syslog.setValue(m_keys.key(i), field ? platform::db::Value(*field) : platform::db::Value(0));
    }
    m_syslog.update();
    return m_syslog.recordCount();
}

qint64 LogDatabase::DatabaseFileSize() const
{
    return QFileInfo(m_path).size() + QFileInfo(m_path + QStringLiteral("-wal")).size();
}

void LogDatabase::CheckDatabaseSize(const std::function<void(const QString&)>& showSize, platform::Dialogs& dialogs,
                                    const std::function<void()>& stop)
{
    showSize(DatabaseSizeText(currentSize()));
    if (currentSize() > MaxDatabaseBytes) {
        dialogs.showMessage(MaximumSizeMessage, ApplicationTitle);
        stop();
    }
}

QString DatabaseSizeText(qint64 bytes)
{
    return QString::number(bytes) + QStringLiteral(" Bytes");
}

} // namespace corvane
