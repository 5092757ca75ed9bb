#include "base/clock.h"
#include "base/field_keys.h"
#include "capture/message_parser.h"
#include "platform/failure/failure.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Parses at a fixed time, noting the keys reported missing.
SyslogRecord parse(const QString& message, QStringList* missing = nullptr)
{
    const FixedClock clock(QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5, 678)));
    return ParseSyslogMessage(message, clock, [&](const QString& key, const QString& text) {
        EXPECT_EQ(text, message);
        if (missing)
            *missing << key;
    });
}

// The record's fields as one line: missing keys show as "<0>".
QString fieldsOf(const SyslogRecord& record)
{
    QStringList parts;
    for (const auto& field : record.fields)
        parts << (field ? *field : QStringLiteral("<0>"));
    return parts.join(QLatin1Char('|'));
}

TEST(MessageParser, ExtractFieldValueRules)
{
    struct Case {
        const char* name;
        QString message;
        const char* key;
        std::optional<QString> expected; // "<Overflow>": fails with 6
    };
    const QString overflow = QStringLiteral("<Overflow>");
    auto pad = [](int length) { return QString(length, QLatin1Char('x')); };
    const std::vector<Case> cases = {
        { "value at the very end", QStringLiteral("a=1 dst_port=80"), "dst_port=", QStringLiteral("80") },
        { "key followed by a space", QStringLiteral("duration= policy_id=2"), "duration=", QString() },
        { "key ending the message", QStringLiteral("x duration="), "duration=", QString() },
        { "other letter case does not match", QStringLiteral("Sent=5"), "sent=", std::nullopt },
        { "a tab is not a separator", QStringLiteral("sent=1\trcvd=2 x"),
            "sent=", QStringLiteral("1\trcvd=2") },
        { "first occurrence counts, even inside another value", QStringLiteral("msg=sent=7 sent=9"),
            "sent=", QStringLiteral("7") },
        { "start time without its quote loses the first digit",
            QStringLiteral("start_time=2005-12-28 10:00:00 x"),
            "start_time=", QStringLiteral("005-12-28 10:00:00 ") },
        { "start time cut short by the end", QStringLiteral("start_time=\"2005-12"),
            "start_time=", QStringLiteral("2005-12") },
        { "255 characters are cut whole", QStringLiteral("src=") + QString(255, QLatin1Char('a')) + " x",
            "src=", QString(255, QLatin1Char('a')) },
        { "a value of 256 characters", QStringLiteral("src=") + QString(256, QLatin1Char('a')),
            "src=", overflow },
        { "a key beginning past 32767", pad(32767) + QStringLiteral("src=1"), "src=", overflow },
        { "the value beginning past 32767", pad(32764) + QStringLiteral("src=1"), "src=", overflow },
        { "the last key position that fits", pad(32762) + QStringLiteral("src=1"),
            "src=", QStringLiteral("1") },
    };
    for (const Case& c : cases) {
        std::optional<QString> value;
        try {
            if (const auto cut = ExtractFieldValue(c.message, QString::fromLatin1(c.key)))
                value = cut->toString();
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.number(), 6) << c.name;
            value = QLatin1Char('<') + failure.description() + QLatin1Char('>');
        }
        EXPECT_EQ(value, c.expected) << c.name;
    }
}

TEST(MessageParser, ReportsTheMissingKeysBeforeAFailure)
{
    // duration= and the keys after it are missing, then the src= value is too long.
    QStringList missing;
    EXPECT_THROW(parse(QStringLiteral("NetScreen device_id=a start_time=\"2005-12-28 10:00:00\" src=")
                         + QString(300, QLatin1Char('b')),
                     &missing),
        platform::Failure);
    EXPECT_EQ(missing,
        (QStringList { "duration=", "policy_id=", "service=", "proto=", "src zone=", "dst zone=", "action=",
            "sent=", "rcvd=" }));
}

TEST(MessageParser, SentPlusRcvdAddsTheLeadingNumbers)
{
    EXPECT_EQ(parse(QStringLiteral("sent=12abc rcvd=3")).sentPlusRcvd, 15.0);
    EXPECT_EQ(parse(QStringLiteral("rcvd=50")).sentPlusRcvd, 50.0);
    EXPECT_THROW(parse(QStringLiteral("sent=1e308 rcvd=1e308")), platform::Failure); // the sum overflows
}

// Every real device line, with what it must give.
TEST(MessageParser, ParsesEverySampleLine)
{
    QFile file(QStringLiteral(CORVANE_TEST_DATA "/netscreen.txt"));
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
    const Expected expected[] = {
        // The relay escaped the quotes: the backslash is skipped, the quote kept.
        { 2,
            "ns5gt|\"2005-03-16 "
            "16:33:2|0|320001|tcp/port:120|6|Null|self|Deny|0|60|192.168.2.1|1.2.3.4|31048|12",
            60 },
        { 3, "ns5gt|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>|<0>", 0 },
        { 10,
            "0133012007000002|2009-01-22 "
            "15:14:10|0|45|icmp|1|Untrust|Trust|Deny|0|0|58.72.190.250|210.99.53.197|<0>|<0>",
            0 },
        { 12,
            "0133012007000002|2009-01-22 "
            "15:13:46|25|11|http|6|Untrust|Trust|Permit|178|84|115.89.244.226|210.99.50.44|43826|80",
            262 },
    };
    for (const Expected& e : expected) {
        const SyslogRecord record = parse(lines.at(e.line));
        EXPECT_EQ(fieldsOf(record), QString::fromUtf8(e.fields)) << "line " << e.line + 1;
        EXPECT_EQ(record.sentPlusRcvd, e.sentPlusRcvd) << "line " << e.line + 1;
        EXPECT_EQ(record.logDate, QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5))); // whole seconds
    }
    // Every line, and every line with its first characters cut off: the record
    // holds what ExtractFieldValue cuts for each key on its own, and each key
    // it lacks is reported once, in key order.
    for (const QString& line : lines) {
        for (int cut = 0; cut < std::min<qsizetype>(line.size(), 120); cut += 7) {
            const QString text = line.mid(cut);
            SCOPED_TRACE(text.toStdString());
            QStringList missing;
            const SyslogRecord record = parse(text, &missing);
            QStringList lacking;
            for (std::size_t k = 0; k < FieldKeys.size(); ++k) {
                const QStringView key = FieldKeys[k];
                const auto single = ExtractFieldValue(text, key);
                const auto& field = record.fields[k];
                ASSERT_EQ(single.has_value(), field.has_value()) << k;
                if (single) {
                    EXPECT_EQ(single->toString(), *field);
                } else {
                    lacking << key.toString();
                }
            }
            EXPECT_EQ(missing, lacking);
        }
    }
}

} // namespace
} // namespace corvane
