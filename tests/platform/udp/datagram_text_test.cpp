#include "platform/udp/datagram_text.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

TEST(DatagramText, KeepsEveryByte)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QString text;
    };
    const std::vector<Case> cases = {
        {"ASCII", QByteArray("sent=1 rcvd=2"), QStringLiteral("sent=1 rcvd=2")},
        {"valid UTF-8", QByteArray("zone=M\xc3\xbcnchen"), QString::fromUtf8("zone=M\xc3\xbcnchen")},
        {"invalid UTF-8 falls back to Latin-1", QByteArray("zone=M\xfcnchen"), QString::fromLatin1("zone=M\xfcnchen")},
        {"embedded NUL", QByteArray("a\0b", 3), QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b")},
        {"empty", QByteArray(), QString()},
        {"every byte value", [] {
             QByteArray all;
             for (int i = 0; i < 256; ++i)
                 all.append(static_cast<char>(i));
             return all;
         }(),
         [] {
             QString all;
             for (int i = 0; i < 256; ++i)
                 all.append(QChar(i));
             return all;
         }()},
    };
    for (const Case& c : cases) {
        const QString text = datagramText(c.bytes);
        EXPECT_EQ(text, c.text) << c.name;
        EXPECT_EQ(text.size(), c.text.size()) << c.name;
    }
}

} // namespace
} // namespace corvane::platform
