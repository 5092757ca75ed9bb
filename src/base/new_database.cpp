#include "base/new_database.h"

#include "base/error_logger.h"
#include "base/field_keys.h"
#include "base/report_definitions.h"
#include "base/shared_state.h"
#include "platform/db/connection.h"
#include "platform/db/sole_access.h"
#include "platform/db/statement.h"
#include "platform/db/transaction.h"
#include "platform/failure/failure_codes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

namespace corvane {

namespace {

using platform::Failure;
namespace failure = platform::failure;
namespace db = platform::db;

const QString Text = QStringLiteral(" TEXT COLLATE NOCASE");
const QString Date = QStringLiteral(" DATETEXT");

QString bracketed(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QString syslogTable()
{
    QStringList columns { QStringLiteral("logno INTEGER PRIMARY KEY") };
    for (const QStringView key : FieldKeys)
        columns.append(bracketed(key.toString()) + (key == u"start_time=" ? Date : Text));
    columns.append(QStringLiteral("LogDate") + Date);
    columns.append(QStringLiteral("[sent+rcvd] REAL"));
    return QStringLiteral("CREATE TABLE syslog (") + columns.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString reportTable()
{
    QStringList columns { QStringLiteral("[Report Name]") + Text, QStringLiteral("SQL0") + Text };
    for (const char* prefix : { "L", "t" })
        for (int k = 1; k <= FilterCount; ++k)
            columns.append(QLatin1String(prefix) + QString::number(k) + Text);
    return QStringLiteral("CREATE TABLE Report (") + columns.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void insertReports(db::Connection& connection)
{
    QStringList marks;
    for (int i = 0; i < 11; ++i)
        marks.append(QStringLiteral("?"));
    QStringList names { QStringLiteral("[Report Name]"), QStringLiteral("SQL0") };
    for (int k = 1; k <= FilterCount; ++k)
        names.append(QStringLiteral("L") + QString::number(k));
    db::Statement insert(connection,
        QStringLiteral("INSERT INTO Report (") + names.join(QStringLiteral(", "))
            + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')'));
    for (const ReportDefinition& report : shippedReports()) {
        insert.bind(1, db::Value(report.name));
        insert.bind(2, db::Value(report.sql));
        for (int k = 0; k < FilterCount; ++k)
            insert.bind(3 + k, db::Value(report.captions[static_cast<std::size_t>(k)]));
        insert.step();
        insert.reset();
    }
}

void removeDatabaseFiles(const QString& path)
{
    for (const char* suffix : { "", "-wal", "-shm", "-journal" })
        QFile::remove(path + QLatin1String(suffix));
}

// Removes its file unless released: a failure part-way leaves nothing behind.
class TemporaryPath {
public:
    explicit TemporaryPath(QString path)
        : m_path(std::move(path))
    {
    }
    ~TemporaryPath()
    {
        if (!m_path.isEmpty())
            removeDatabaseFiles(m_path);
    }
    TemporaryPath(const TemporaryPath&) = delete;
    TemporaryPath& operator=(const TemporaryPath&) = delete;
    const QString& path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    QString m_path;
};

QString temporaryName(const QDir& folder, QLatin1StringView name)
{
    return folder.filePath(QStringLiteral(".%1.%2.tmp").arg(name).arg(QCoreApplication::applicationPid()));
}

void writeDatabase(const QString& path)
{
    db::Connection connection = db::Connection::createNew(path); // sets WAL
    db::Transaction transaction(connection);
    for (const QString& sql : schemaStatements())
        connection.execute(sql);
    insertReports(connection);
    transaction.commit();
}

// The schema, and the reports as the user left them in the full file, read
// through the connection that holds it.
void writeRenewedDatabase(const QString& path, const db::Connection& full)
{
    db::Connection connection = db::Connection::createNew(path);
    db::Transaction transaction(connection);
    for (const QString& sql : schemaStatements())
        connection.execute(sql);
    // Same row ids, so a window that read the reports before goes on
    // writing its filters into the right rows.
    db::Statement reports(full, QStringLiteral("SELECT rowid, * FROM Report"));
    QStringList names { QStringLiteral("rowid") };
    QStringList marks { QStringLiteral("?") };
    for (int i = 1; i < reports.columnCount(); ++i) {
        names.append(bracketed(reports.columnName(i)));
        marks.append(QStringLiteral("?"));
    }
    db::Statement insert(connection,
        QStringLiteral("INSERT INTO Report (") + names.join(QStringLiteral(", "))
            + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')'));
    while (reports.step()) {
        for (int i = 0; i < reports.columnCount(); ++i)
            insert.bind(i + 1, reports.column(i));
        insert.step();
        insert.reset();
    }
    transaction.commit();
}

void writeErrorLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw failure::PathFileAccessError.make(path + QStringLiteral(": ") + file.errorString());
    if (file.write("0\r\n") != 3 || !file.flush())
        throw failure::PathFileAccessError.make(path + QStringLiteral(": ") + file.errorString());
}

void moveIntoPlace(const QString& from, const QString& to)
{
    // rename never replaces an existing file, so a file made meanwhile stays.
    if (!QFile::rename(from, to))
        throw failure::FileAlreadyExists.make(to);
}

} // namespace

QStringList schemaStatements()
{
    return {
        syslogTable(),
        QStringLiteral("CREATE INDEX syslog_start_time ON syslog ([start_time=])"),
        QStringLiteral("CREATE TABLE missed (syslog") + Text + QLatin1Char(')'),
        reportTable(),
        QStringLiteral("CREATE TABLE Statustype ([Status Type]") + Text + QLatin1Char(')'),
        QStringLiteral("CREATE TABLE Membershipdetails ([Membership Status]") + Text + QLatin1Char(')'),
        QStringLiteral("CREATE TABLE paymentdetails ([Payment Amount] REAL, [payment date]") + Date
            + QLatin1Char(')'),
        QStringLiteral("CREATE TABLE SignIn (MembershipID INTEGER, [date]") + Date + QLatin1Char(')'),
    };
}

void createNewDatabase(const QString& folderPath)
{
    const QFileInfo folderInfo(folderPath);
    if (folderPath.isEmpty() || !folderInfo.isDir())
        throw failure::PathNotFound.make(folderPath);
    const QDir folder(folderPath);
    const QString database = folder.filePath(QLatin1String(SharedState::DatabaseFileName));
    const QString errorLog = folder.filePath(ErrorLogFileName);
    for (const QString& target : { database, errorLog })
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            throw failure::FileAlreadyExists.make(target);

    TemporaryPath newDatabase(temporaryName(folder, QLatin1StringView(SharedState::DatabaseFileName)));
    TemporaryPath newErrorLog(temporaryName(folder, ErrorLogFileName));
    removeDatabaseFiles(newDatabase.path()); // left over by an earlier run that was killed
    QFile::remove(newErrorLog.path());
    writeDatabase(newDatabase.path());
    writeErrorLog(newErrorLog.path());

    moveIntoPlace(newDatabase.path(), database);
    newDatabase.release();
    try {
        moveIntoPlace(newErrorLog.path(), errorLog);
    } catch (const Failure&) {
        QFile::remove(database); // both files or neither
        throw;
    }
    newErrorLog.release();
}

void archiveAndRenewDatabase(const db::SoleAccess& held, const QString& archivePath)
{
    const QString databasePath = held.connection().path();
    if (QFileInfo::exists(archivePath) || QFileInfo(archivePath).isSymLink())
        throw failure::FileAlreadyExists.make(archivePath);
    const QFileInfo info(databasePath);
    TemporaryPath renewed(temporaryName(info.dir(), QLatin1StringView(SharedState::DatabaseFileName)));
    removeDatabaseFiles(renewed.path());
    writeRenewedDatabase(renewed.path(), held.connection());

    // A second name for the full file, then the new one over the old name in
    // one step: no moment without a file there.
    namespace fs = std::filesystem;
    const fs::path full = databasePath.toStdString();
    std::error_code error;
    fs::create_hard_link(full, archivePath.toStdString(), error);
    if (error)
        throw failure::PathFileAccessError.make(
            archivePath + QStringLiteral(": ") + QString::fromStdString(error.message()));
    fs::rename(renewed.path().toStdString(), full, error);
    if (error) {
        fs::remove(archivePath.toStdString());
        throw failure::PathFileAccessError.make(
            databasePath + QStringLiteral(": ") + QString::fromStdString(error.message()));
    }
    renewed.release();
}

} // namespace corvane
