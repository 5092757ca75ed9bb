// corvane-convert IN OUT
// Converts a file of captured firewall lines into comma-separated lines, as
// the parse tab's GO does, without asking first.
#include "convert/capture_file_converter.h"
#include "platform/failure/failure.h"
#include "platform/failure/failure_codes.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <new>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: corvane-convert IN OUT\n");
        return 2;
    }
    try {
        const corvane::CaptureFileConverter converter(args[1], args[2]);
        const corvane::ConversionCounts counts = converter.convert();
        std::fprintf(stderr, "%lld lines read, %lld lines written\n",
            static_cast<long long>(counts.linesRead), static_cast<long long>(counts.linesWritten));
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
