#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace corvane::testing {

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << qPrintable(path);
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline const QString WelfSample = QStringLiteral(CORVANE_TEST_DATA "/welf.txt");

// The one line of welf.txt that holds all eleven keys, cut by hand: src and
// dst keep the port pairs that follow them.
inline const QByteArray WelfOutput
    = "\"2015-05-26 10:00:29\",YD-INTFW-1,7,441,123/udp,10.90.1.193 src_port=123,"
      "10.90.53.151 dst_port=123,94,94,64,\"source interface = External\",\r\n";

inline const QByteArray GoodLine
    = "<134>id=firewall time=\"2015-05-26 10:00:29\" fw=YD pri=7 rule=441 proto=udp "
      "src=10.0.0.1 dst=10.0.0.2 sent=94 rcvd=95 duration=64 msg=\"done\"";
inline const QByteArray GoodOutput
    = "\"2015-05-26 10:00:29\",YD,7,441,udp,10.0.0.1,10.0.0.2,94,95,64,\"done\",\r\n";

// Keys out of order: cutting it fails with 5.
inline const QByteArray BadLine
    = "firewall time=x fw=y rule=z pri=1 proto=a src=b dst=c sent=1 rcvd=2 duration=3 msg=m";

} // namespace corvane::testing
