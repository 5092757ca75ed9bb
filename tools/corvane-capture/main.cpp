#include "base/clock.h"
#include "base/command_line.h"
#include "capture_service.h"
#include "platform/dialogs/console_dialogs.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

// Only what is safe in a signal handler: the event loop does the rest.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

// corvane-capture [--folder DIR] [--port N] [--bind ADDRESS] [--rotate] [--size-limit BYTES]
//                 [--status-every SECONDS]
int main(int argc, char** argv)
{
    if (const auto answered = corvane::answerHelpOrVersion(
            argc, argv, "corvane-capture", (QByteArray(corvane::CaptureServiceUsage) + '\n').constData()))
        return *answered;
    QCoreApplication app(argc, argv);
    QString error;
    const auto options = corvane::parseCaptureServiceOptions(
        QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath(), &error);
    if (!options) {
        std::fprintf(stderr, "corvane-capture: %s\n%s\n", error.toLocal8Bit().constData(),
            corvane::CaptureServiceUsage);
        return corvane::CaptureService::CannotStart;
    }

    corvane::platform::ConsoleDialogs dialogs(stderr, QStringLiteral("corvane-capture: "));
    corvane::SystemClock clock;
    corvane::CaptureService service(*options, dialogs, clock);
    if (::pipe2(signalPipe, O_CLOEXEC) != 0)
        return corvane::CaptureService::CannotStart;
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        service.shutDown();
    });
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A file size limit makes a write fail, which capture waits out, rather
    // than end the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // Every way a service manager or a terminal ends it: drain, then exit.
    for (const int signal : { SIGTERM, SIGINT, SIGHUP, SIGQUIT })
        sigaction(signal, &action, nullptr);

    // Caught from before the start, so that a signal in the first moments
    // drains too; the event loop handles it once it runs.
    if (!service.start())
        return corvane::CaptureService::CannotStart;
    QObject::connect(&service, &corvane::CaptureService::finished, &app, &QCoreApplication::exit);
    return QCoreApplication::exec();
}
