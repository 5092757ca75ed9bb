#pragma once

#include <QByteArray>
#include <QString>

namespace corvane::platform {

// A datagram's bytes as text: UTF-8 where the bytes are valid UTF-8,
// otherwise Latin-1, which maps every byte to one character and so loses
// nothing. NULs and any other byte value are kept.
QString datagramText(const QByteArray& bytes);

} // namespace corvane::platform
