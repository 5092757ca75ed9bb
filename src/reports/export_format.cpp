#include "reports/export_format.h"

namespace corvane {

QByteArray ExportLine(const QStringList& cells)
{
    QByteArray line;
    for (const QString& cell : cells) {
        line += cell.toUtf8();
        line += ',';
    }
    line += "\r\n";
    return line;
}

} // namespace corvane
