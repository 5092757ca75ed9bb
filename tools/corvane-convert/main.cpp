// corvane-convert IN OUT
// Converts a file of captured firewall lines into comma-separated lines, as
// the parse tab's GO does, without asking first.
#include "base/command_line.h"
#include "convert/capture_file_converter.h"
#include "platform/failure/failure.h"
#include "platform/failure/failure_codes.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <new>

int main(int argc, char** argv)
{
    if (const auto answered = corvane::answerHelpOrVersion(argc, argv, "corvane-convert",
            "usage: corvane-convert IN OUT\n"
            "Converts a file of captured firewall lines into comma-separated lines.\n"))
        return *answered;
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: corvane-convert IN OUT\n");
        return 2;
    }
    try {
        const corvane::CaptureFileConverter converter(args[1], args[2]);
        const corvane::ConversionCounts counts = converter.convert();
        const auto lines = [](qint64 count) { return count == 1 ? "line" : "lines"; };
        std::fprintf(stderr, "%lld %s read, %lld %s written\n", static_cast<long long>(counts.linesRead),
            lines(counts.linesRead), static_cast<long long>(counts.linesWritten), lines(counts.linesWritten));
        return 0;
    } catch (const corvane::platform::Failure& failure) {
        std::fprintf(stderr, "Error %d: %s\n", failure.number(), qPrintable(failure.description()));
        return 1;
    } catch (const std::bad_alloc&) {
        const auto failure = corvane::platform::failure::OutOfMemory;
        std::fprintf(stderr, "Error %d: %s\n", failure.number, failure.description);
        return 1;
    }
}
