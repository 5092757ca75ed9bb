// Messages per second through the parser alone, over the real device lines.
#include "base/clock.h"
#include "capture/message_parser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <cstdio>

int main()
{
    QFile file(QStringLiteral(CORVANE_TEST_DATA "/netscreen.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
        return 1;
    }
    QStringList lines;
    while (!file.atEnd())
        lines << QString::fromUtf8(file.readLine()).trimmed();

    const corvane::SystemClock clock;
    long long misses = 0;
    const corvane::MissingKeyHandler onMissing = [&](const QString&, const QString&) { ++misses; };

    const int rounds = 40000;
    QElapsedTimer timer;
    timer.start();
    double checksum = 0;
    for (int r = 0; r < rounds; ++r) {
        for (const QString& line : lines)
            checksum += corvane::ParseSyslogMessage(line, clock, onMissing).sentPlusRcvd;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double messages = static_cast<double>(rounds) * static_cast<double>(lines.size());
    std::printf("parser: %.0f messages per second (goal >= 300,000); %lld misses, checksum %.0f\n",
        messages / seconds, misses, checksum);
    return 0;
}
