#include "base/clock.h"
#include "base/field_keys.h"
#include "capture/log_database.h"
#include "capture/message_parser.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "program_folder.h"
#include "scripted_dialogs.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::db::ResultSet;

class LogDatabaseTest : public ::testing::Test {
protected:
    testing::ProgramFolder folder;
    platform::db::DatabaseEngine engine;
    FieldKeys keys;
    FixedClock clock { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)) };
    LogDatabase database { engine, folder.databasePath(), keys };

    // What the listener does for one datagram, without the window.
    long long store(const QString& message)
    {
        const SyslogRecord record = ParseSyslogMessage(message, keys, clock,
            [&](const QString&, const QString& text) { database.AppendMissedRow(text); });
        return database.AppendSyslogRecord(record);
    }

    ResultSet query(const QString& sql) const { return ResultSet(engine.open(folder.databasePath()), sql); }
};

TEST_F(LogDatabaseTest, StoresOneRowPerDatagramAndOneMissedRowPerLackingKey)
{
    const QString complete = QStringLiteral(
        "NetScreen device_id=fw1 start_time=\"2005-12-28 10:00:00\" duration=5 policy_id=2 service=dns "
        "proto=6 src zone=Trust dst zone=Untrust action=Permit sent=120 rcvd=340 src=192.0.2.1 "
        "dst=198.51.100.7 src_port=25 dst_port=80");
    const QString lacking = QString(complete)
                                .remove(QStringLiteral("start_time=\"2005-12-28 10:00:00\" "))
                                .remove(QStringLiteral("proto=6 "))
                                .remove(QStringLiteral(" dst_port=80"));
    EXPECT_EQ(store(complete), 1);
    EXPECT_EQ(store(lacking), 2);

    ResultSet rows = query(QStringLiteral("SELECT * FROM syslog ORDER BY logno"));
    ASSERT_EQ(rows.recordCount(), 2);
    EXPECT_EQ(rows.value(QStringLiteral("start_time=")).toText(), "2005-12-28 10:00:00");
    EXPECT_EQ(rows.value(QStringLiteral("LogDate")).toText(), "2026-12-05 15:04:05");
    EXPECT_EQ(rows.value(QStringLiteral("sent+rcvd")).toDouble(), 460.0);
    rows.moveNext();
    // Missing keys hold the number 0; in the date column that is the zero date.
    EXPECT_EQ(rows.value(QStringLiteral("start_time=")).toText(), "1899-12-30 00:00:00");
    EXPECT_EQ(rows.value(QStringLiteral("proto=")).toText(), "0");
    EXPECT_EQ(rows.value(QStringLiteral("dst_port=")).toText(), "0");

    ResultSet missed = query(QStringLiteral("SELECT syslog FROM missed"));
    ASSERT_EQ(missed.recordCount(), 3);
    for (const auto& row : missed.rows())
        EXPECT_EQ(row[0].toText(), lacking);
}

TEST_F(LogDatabaseTest, KeepsADatagramWhoseTimeStampCannotBeRead)
{
    store(QStringLiteral("start_time=\\\"2005-03-16 16:33:22\\\" sent=1"));
    store(QStringLiteral("start_time=\"2005-13-45 10:00:00\""));
    ResultSet rows = query(QStringLiteral("SELECT [start_time=] FROM syslog ORDER BY logno"));
    ASSERT_EQ(rows.recordCount(), 2);
    EXPECT_EQ(rows.rows()[0][0].toText(), "\"2005-03-16 16:33:2");
    EXPECT_EQ(rows.rows()[1][0].toText(), "2005-13-45 10:00:00");
}

TEST_F(LogDatabaseTest, StopsCaptureOnlyPastTheLimit)
{
    // The last one is past 32 bits.
    for (const qint64 size : { MaxDatabaseBytes, MaxDatabaseBytes + 1, 5'000'000'000LL }) {
        const bool stops = size > MaxDatabaseBytes;
        testing::ScriptedDialogs dialogs;
        if (stops)
            dialogs.expectBox({ QString(MaximumSizeMessage), platform::MessageAnswer::Ok,
                QStringLiteral("Corvane(Beta)"), platform::MessageIcon::None, {} });
        database.setFileSizeSource([&] { return size; });
        QString shown;
        int stopped = 0;
        database.CheckDatabaseSize([&](const QString& text) { shown = text; }, dialogs,
            [&] {
                EXPECT_EQ(dialogs.boxes().size(), 1u) << "the box comes first";
                ++stopped;
            });
        EXPECT_EQ(shown, QString::number(size) + " Bytes");
        EXPECT_EQ(stopped, stops ? 1 : 0) << size;
        dialogs.verifyAllUsed();
    }
}

TEST_F(LogDatabaseTest, SizeIsTheFilePlusItsWriteAheadLog)
{
    for (int i = 0; i < 50; ++i)
        store(QStringLiteral("sent=1 rcvd=2"));
    const qint64 wal = QFileInfo(folder.databasePath() + "-wal").size();
    EXPECT_GT(wal, 0);
    EXPECT_EQ(database.DatabaseFileSize(), QFileInfo(folder.databasePath()).size() + wal);
}

} // namespace
} // namespace corvane
