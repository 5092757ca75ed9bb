#include "platform/dialogs/file_filter.h"

namespace corvane::platform {

namespace {

QString qtPatterns(const QString& patterns)
{
    QStringList result;
    for (const QString& part : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty())
            continue;
        // On Windows "*.*" matches every name; on Linux it would miss names
        // without a dot.
        result.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    if (result.isEmpty())
        result.append(QStringLiteral("*"));
    result.removeDuplicates();
    return result.join(QLatin1Char(' '));
}

} // namespace

QStringList qtNameFilters(const QString& filter)
{
    QStringList result;
    if (filter.isEmpty())
        return result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString label = parts.at(i).trimmed();
        const QString patterns = qtPatterns(i + 1 < parts.size() ? parts.at(i + 1) : QString());
        if (label.isEmpty() && i + 1 >= parts.size())
            continue; // a trailing '|'
        result.append(
            (label.isEmpty() ? patterns : label) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return result;
}

QString withDefaultExtension(const QString& path, const QString& extension)
{
    QString ext = extension.trimmed();
    while (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    if (path.isEmpty() || ext.isEmpty())
        return path;

    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const QString name = path.mid(nameStart);
    if (name.isEmpty())
        return path; // a folder, not a file name
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file, not an extension; a trailing dot
    // leaves the extension empty, so the default fills it in.
    if (dot > 0 && dot < name.size() - 1)
        return path;
    if (dot == name.size() - 1 && dot > 0)
        return path + ext;
    return path + QLatin1Char('.') + ext;
}

} // namespace corvane::platform
