#include "platform/dialogs/console_dialogs.h"

namespace corvane::platform {

MessageAnswer ConsoleDialogs::messageBox(const MessageBoxRequest& request)
{
    // One line per box, whatever line ends the text holds.
    QString line = request.text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(m_stream, "%s%s\n", m_prefix.toLocal8Bit().constData(), line.toLocal8Bit().constData());
    std::fflush(m_stream);
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

QString ConsoleDialogs::saveFile(const SaveFileRequest&)
{
    return {};
}

} // namespace corvane::platform
