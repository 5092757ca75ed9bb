#include "platform/udp/datagram_text.h"

#include <QUtf8StringView>

namespace corvane::platform {

QString datagramText(const QByteArray& bytes)
{
    if (QUtf8StringView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    return QString::fromLatin1(bytes);
}

} // namespace corvane::platform
