#pragma once

#include <QByteArray>
#include <QStringList>

namespace corvane {

// One line of a report export: every cell as it stands followed by ",",
// nothing quoted, then CR LF, in the system's 8-bit encoding (UTF-8 here).
QByteArray exportLine(const QStringList& cells);

} // namespace corvane
