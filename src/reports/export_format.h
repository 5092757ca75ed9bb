#pragma once

#include <QByteArray>
#include <QStringList>

namespace corvane {

// One line of a report export: every cell followed by ",", then CR LF, in
// the system's 8-bit encoding (UTF-8 here). A cell stands as it is, as files
// read by other programs rely on, unless it holds a comma, a quote or a line
// end, which would split the line: that one goes in quotes, each quote
// doubled.
QByteArray exportLine(const QStringList& cells);

} // namespace corvane
