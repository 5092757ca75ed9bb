#include "app/clock.h"
#include "app/field_keys.h"
#include "capture/message_parser.h"
#include "platform/failure/failure.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

namespace corvane {
namespace {

const QString FullMessage = QStringLiteral(
    "NetScreen device_id=fw1 start_time=\"2005-12-28 10:00:00\" duration=5 policy_id=2 service=dns "
    "proto=6 src zone=Trust dst zone=Untrust action=Permit sent=120 rcvd=340 src=192.0.2.1 "
    "dst=198.51.100.7 src_port=25 dst_port=80 reason=Close");

const QDateTime FixedNow(QDate(2026, 12, 5), QTime(15, 4, 5, 678));

struct Parsed {
    SyslogRecord record;
    QStringList missing;
};

Parsed parse(const QString& message)
{
    FieldKeys keys;
    FixedClock clock(FixedNow);
    Parsed parsed;
    parsed.record = ParseSyslogMessage(message, keys, clock, [&](const QString& key, const QString& text) {
        EXPECT_EQ(text, message);
        parsed.missing << key;
    });
    return parsed;
}

// The record's fields as one line: missing keys show as "<0>".
QString fieldsOf(const SyslogRecord& record)
{
    QStringList parts;
    for (const auto& field : record.fields)
        parts << (field ? *field : QStringLiteral("<0>"));
    return parts.join(QLatin1Char('|'));
}

TEST(MessageParser, CutsEveryKeyOfACompleteMessage)
{
    const Parsed parsed = parse(FullMessage);
    EXPECT_TRUE(parsed.missing.isEmpty());
    EXPECT_EQ(fieldsOf(parsed.record),
              "fw1|2005-12-28 10:00:00|5|2|dns|6|Trust|Untrust|Permit|120|340|192.0.2.1|198.51.100.7|25|80");
    EXPECT_EQ(parsed.record.sentPlusRcvd, 460.0);
    EXPECT_EQ(parsed.record.logDate, QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)));
}

struct ValueCase {
    const char* name;
    QString message;
    QString key;
    std::optional<QString> expected;
};

TEST(MessageParser, ExtractFieldValueRules)
{
    const std::vector<ValueCase> cases = {
        {"value at the very end", QStringLiteral("a=1 dst_port=80"), QStringLiteral("dst_port="), QStringLiteral("80")},
        {"key followed by a space", QStringLiteral("duration= policy_id=2"), QStringLiteral("duration="), QString()},
        {"key ending the message", QStringLiteral("x duration="), QStringLiteral("duration="), QString()},
        {"other letter case does not match", QStringLiteral("Sent=5"), QStringLiteral("sent="), std::nullopt},
        {"a tab is not a separator", QStringLiteral("sent=1\trcvd=2 x"), QStringLiteral("sent="), QStringLiteral("1\trcvd=2")},
        {"first occurrence counts, even inside another value", QStringLiteral("msg=sent=7 sent=9"),
         QStringLiteral("sent="), QStringLiteral("7")},
        {"start time without its quote loses the first digit", QStringLiteral("start_time=2005-12-28 10:00:00 x"),
         QStringLiteral("start_time="), QStringLiteral("005-12-28 10:00:00 ")},
        {"start time cut short by the end", QStringLiteral("start_time=\"2005-12"), QStringLiteral("start_time="),
         QStringLiteral("2005-12")},
        {"start time ignores spaces", QStringLiteral("start_time=\"2005-12-28 10:00:00\""),
         QStringLiteral("start_time="), QStringLiteral("2005-12-28 10:00:00")},
        {"255 characters are cut whole", QStringLiteral("src=") + QString(255, QLatin1Char('a')) + " x",
         QStringLiteral("src="), QString(255, QLatin1Char('a'))},
    };
    for (const ValueCase& c : cases) {
        const auto value = ExtractFieldValue(c.message, c.key);
        ASSERT_EQ(value.has_value(), c.expected.has_value()) << c.name;
        if (value) {
            EXPECT_EQ(value->toString(), *c.expected) << c.name;
        }
    }
}

TEST(MessageParser, LimitsFailWithOverflow)
{
    const std::vector<std::pair<const char*, QString>> cases = {
        {"a value of 256 characters", QStringLiteral("src=") + QString(256, QLatin1Char('a'))},
        {"a key beginning past 32767", QString(32767, QLatin1Char('x')) + QStringLiteral("src=1")},
        {"the value beginning past 32767", QString(32764, QLatin1Char('x')) + QStringLiteral("src=1")},
    };
    for (const auto& [name, message] : cases) {
        try {
            ExtractFieldValue(message, QStringLiteral("src="));
            ADD_FAILURE() << name << ": no failure";
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.number(), 6) << name;
            EXPECT_EQ(failure.description(), "Overflow") << name;
        }
    }
    // The last key position that still fits.
    EXPECT_EQ(ExtractFieldValue(QString(32762, QLatin1Char('x')) + QStringLiteral("src=1"), QStringLiteral("src="))
                  ->toString(),
              "1");
}

TEST(MessageParser, ReportsMissingKeysInKeyOrder)
{
    QString withoutPolicy = FullMessage;
    withoutPolicy.remove(QStringLiteral("policy_id=2 "));
    const Parsed one = parse(withoutPolicy);
    EXPECT_EQ(one.missing, QStringList{"policy_id="});
    EXPECT_TRUE(one.record.isMissing(3));
    EXPECT_EQ(fieldsOf(one.record),
              "fw1|2005-12-28 10:00:00|5|<0>|dns|6|Trust|Untrust|Permit|120|340|192.0.2.1|198.51.100.7|25|80");

    const Parsed none = parse(QStringLiteral("hello world"));
    const FieldKeys keys;
    EXPECT_EQ(none.missing, QStringList(keys.keys().begin(), keys.keys().end()));
    EXPECT_EQ(none.record.sentPlusRcvd, 0.0);
    EXPECT_TRUE(none.record.logDate.isValid());
}

TEST(MessageParser, AFailureMidwayKeepsTheEarlierMissesReported)
{
    // duration= is missing (reported), then the src= value is too long.
    const QString message = QStringLiteral("NetScreen device_id=a start_time=\"2005-12-28 10:00:00\" src=")
        + QString(300, QLatin1Char('b'));
    QStringList missing;
    FieldKeys keys;
    FixedClock clock(FixedNow);
    EXPECT_THROW(ParseSyslogMessage(message, keys, clock,
                                    [&](const QString& key, const QString&) { missing << key; }),
                 platform::Failure);
    EXPECT_EQ(missing, (QStringList{"duration=", "policy_id=", "service=", "proto=", "src zone=", "dst zone=",
                                    "action=", "sent=", "rcvd="}));
}

TEST(MessageParser, SentPlusRcvdTakesTheLeadingNumbers)
{
    const std::vector<std::pair<QString, double>> cases = {
        {QStringLiteral("sent=12abc rcvd=3"), 15.0},
        {QStringLiteral("rcvd=50"), 50.0},
        {QStringLiteral("sent=abc rcvd= x"), 0.0},
        {QStringLiteral("sent=1.5e2 rcvd=-0.5"), 149.5},
        {QStringLiteral("sent=1e400 rcvd=1"), -1.0}, // overflow
    };
    for (const auto& [message, expected] : cases) {
        if (expected < 0) {
            EXPECT_THROW(parse(message), platform::Failure) << message.toStdString();
        } else {
            EXPECT_EQ(parse(message).record.sentPlusRcvd, expected) << message.toStdString();
        }
    }
}

// Every real device line, with what it must give.
TEST(MessageParser, ParsesEverySampleLine)
{
    QFile file(QStringLiteral(CORVANE_SHARED_DIR "/samples/netscreen.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines;
    while (!file.atEnd())
        lines << QString::fromUtf8(file.readLine()).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 26);

    struct Expected {
        int line; // zero-based
        const char* fields;
        double sentPlusRcvd;
    };
    const std::vector<Expected> expected = {
        {0, "fire00|2006-06-02 14:55:45|0|119|udp/port:7001|17|Trust|Untrust|Deny|0|0|192.168.2.1|1.2.3.4|3036|7001", 0},
        {1, "aka1|2006-06-02 14:53:30|0|120|udp/port:20721|17|Trust|DMZ|Deny|0|0|192.168.2.2|1.2.3.4|53|20721", 0},
        // The relay escaped the quotes: the backslash is skipped, the quote kept.
        {2, "ns5gt|\"2005-03-16 16:33:2|0|320001|tcp/port:120|6|Null|self|Deny|0|60|192.168.2.1|1.2.3.4|31048|12", 60},
        {3, "ns5gt|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>", 0},
        {6, "<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>", 0},
        {10, "0133012007000002|2009-01-22 15:14:10|0|45|icmp|1|Untrust|Trust|Deny|0|0|58.72.190.250|210.99.53.197|<0>|<0>", 0},
        {12, "0133012007000002|2009-01-22 15:13:46|25|11|http|6|Untrust|Trust|Permit|178|84|115.89.244.226|210.99.50.44|43826|80", 262},
    };
    for (const Expected& e : expected) {
        const Parsed parsed = parse(lines.at(e.line));
        EXPECT_EQ(fieldsOf(parsed.record), QString::fromUtf8(e.fields)) << "line " << e.line + 1;
        EXPECT_EQ(parsed.record.sentPlusRcvd, e.sentPlusRcvd) << "line " << e.line + 1;
    }
    // Every line, and every line with its first characters cut off: the
    // record holds what ExtractFieldValue cuts for each key on its own.
    const FieldKeys keys;
    for (const QString& line : lines) {
        for (int cut = 0; cut < std::min<qsizetype>(line.size(), 120); cut += 7) {
            const QString text = line.mid(cut);
            const Parsed parsed = parse(text);
            for (int k = 0; k < keys.count(); ++k) {
                const auto single = ExtractFieldValue(text, keys.key(k));
                const auto& field = parsed.record.fields[static_cast<std::size_t>(k)];
                ASSERT_EQ(single.has_value(), field.has_value()) << text.toStdString() << " " << k;
                if (single) {
                    EXPECT_EQ(single->toString(), *field);
                }
            }
        }
    }
    // Each miss is reported once per key.
    for (const QString& line : lines) {
        const Parsed parsed = parse(line);
        int lacking = 0;
        for (const auto& field : parsed.record.fields)
            lacking += field ? 0 : 1;
        EXPECT_EQ(parsed.missing.size(), lacking) << line.toStdString();
    }
}

} // namespace
} // namespace corvane
