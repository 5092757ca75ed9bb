#include "reports/export_format.h"

#include <QStringEncoder>

namespace corvane {

QByteArray exportLine(const QStringList& cells)
{
    // Plain text output writes the system's 8-bit encoding (UTF-8 on Linux).
    QStringEncoder encode(QStringConverter::System);
    QByteArray line;
    for (const QString& cell : cells) {
        if (cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"'))
            || cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'))) {
            QString quoted = cell;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            line += '"';
            line += encode(quoted);
            line += '"';
        } else {
            line += encode(cell);
        }
        line += ',';
    }
    line += "\r\n";
    return line;
}

} // namespace corvane
