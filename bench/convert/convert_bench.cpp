// Lines per second through the converter, file reading and writing included,
// on a 1,000,000-line file made from the real WebTrends-format lines: the
// headless class (both passes), GO on the parse tab offscreen, and the
// corvane-convert tool.
//   bench_convert [lines, default 1000000]
#include "answering_dialogs.h"
#include "base/error_logger.h"
#include "convert/capture_file_converter.h"
#include "convert/parse_tab.h"
#include "platform/dialogs/dialogs.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

// Every other line is the sample line holding all eleven keys, its
// addresses varied; the others cycle through the sample lines as they are.
bool writeInput(const QString& path, long long count)
{
    QFile sample(QStringLiteral(CORVANE_TEST_DATA "/welf.txt"));
    if (!sample.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = sample.readAll().trimmed().split('\n');
    QByteArray complete;
    for (const QByteArray& line : lines) {
        if (line.contains("msg=") && line.contains("rule=") && line.contains("duration="))
            complete = line;
    }
    if (complete.isEmpty())
        return false;

    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray block;
    for (long long i = 0; i < count; ++i) {
        if (i % 2 == 0) {
            QByteArray line = complete;
            line.replace("src=10.90.1.193",
                "src=10.90." + QByteArray::number(i % 256) + "." + QByteArray::number(i / 256 % 256));
            block += line;
        } else {
            block += lines.at(static_cast<qsizetype>(i / 2 % lines.size()));
        }
        block += "\r\n";
        if (block.size() > (1 << 22)) {
            out.write(block);
            block.clear();
        }
    }
    return out.write(block) == block.size();
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex().left(16);
}

void report(const char* what, long long lines, double seconds, const QString& output)
{
    std::printf("%-34s %9.0f lines per second (%.2f s; goal >= 200,000), output %s\n", what,
        static_cast<double>(lines) / seconds, seconds, digest(output).constData());
}

double secondsOf(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long long count = argc > 1 ? std::atoll(argv[1]) : 1000000;

    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("capture.txt"));
    const QString out = dir.filePath(QStringLiteral("parsed.txt"));
    if (!dir.isValid() || !writeInput(in, count)) {
        std::fprintf(stderr, "cannot write the input in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("input: %lld lines, %.0f MB\n", count, static_cast<double>(QFile(in).size()) / 1e6);

    try {
        const corvane::CaptureFileConverter converter(in, out);
        QElapsedTimer timer;
        timer.start();
        const long long counted = converter.countLines();
        const double countSeconds = secondsOf(timer);
        timer.restart();
        const corvane::ConversionCounts counts = converter.convert([](qint64) {});
        const double convertSeconds = secondsOf(timer);
        if (counted != count || counts.linesRead != count) {
            std::fprintf(stderr, "counted %lld, read %lld of %lld lines\n", counted,
                static_cast<long long>(counts.linesRead), count);
            return 1;
        }
        std::printf("%-34s %9.0f lines per second\n", "headless, counting pass",
            static_cast<double>(count) / countSeconds);
        std::printf("%-34s %9.0f lines per second (%lld lines written)\n", "headless, converting pass",
            static_cast<double>(count) / convertSeconds, static_cast<long long>(counts.linesWritten));
        report("headless, both passes", count, countSeconds + convertSeconds, out);
    } catch (const corvane::platform::Failure& failure) {
        std::fprintf(stderr, "Error %d: %s\n", failure.number(), qPrintable(failure.description()));
        return 1;
    }

    {
        corvane::bench::AnsweringDialogs dialogs;
        const corvane::ErrorLogger logger(dir.path(), dialogs);
        corvane::ParseTab tab(logger, dialogs);
        tab.findChild<QLineEdit*>(QStringLiteral("txtFilename"))->setText(in);
        tab.findChild<QLineEdit*>(QStringLiteral("txtFilenameOutput"))->setText(out);
        tab.show();
        QFile::remove(out);
        QElapsedTimer timer;
        timer.start();
        tab.cmdGo_Click();
        const double seconds = secondsOf(timer);
        if (dialogs.titles().contains(corvane::UnexpectedErrorTitle))
            return 1;
        report("parse tab GO, both passes", count, seconds, out);
    }

    {
        QFile::remove(out);
        QProcess tool;
        QElapsedTimer timer;
        timer.start();
        tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/corvane-convert"), { in, out });
        if (!tool.waitForFinished(120000) || tool.exitCode() != 0) {
            std::fprintf(stderr, "corvane-convert: %s\n", tool.readAllStandardError().constData());
            return 1;
        }
        report("corvane-convert, one pass", count, secondsOf(timer), out);
    }
    return 0;
}
