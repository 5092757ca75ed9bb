#pragma once

#include <QString>

namespace corvane::platform::jet {

// 'text' with every ' inside doubled: a text literal that Jet and SQLite both
// read back as the text itself, whatever it holds.
QString textLiteral(const QString& text);

} // namespace corvane::platform::jet
