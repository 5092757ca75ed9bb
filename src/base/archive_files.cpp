#include "base/archive_files.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace corvane {

namespace {

constexpr const char* StampFormat = "yyyyMMdd-HHmmss";

} // namespace

std::vector<Archive> findArchives(const QString& folder)
{
    static const QRegularExpression name(QStringLiteral("^syslog97-(\\d{8}-\\d{6})(?:-(\\d+))?\\.mdb$"));
    struct Found {
        Archive archive;
        int sequence;
    };
    std::vector<Found> found;
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList({ QStringLiteral("syslog97-*.mdb") }, QDir::Files)) {
        const QRegularExpressionMatch match = name.match(file.fileName());
        if (!match.hasMatch())
            continue;
        const QDateTime rotatedAt = QDateTime::fromString(match.captured(1), QLatin1String(StampFormat));
        // The second file of one second is -2, and so on.
        const int sequence = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
        if (rotatedAt.isValid())
            found.push_back({ { file.filePath(), rotatedAt, file.size() }, sequence });
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.archive.rotatedAt != b.archive.rotatedAt)
            return a.archive.rotatedAt < b.archive.rotatedAt;
        return a.sequence < b.sequence;
    });
    std::vector<Archive> archives;
    for (Found& f : found)
        archives.push_back(std::move(f.archive));
    return archives;
}

QString newArchivePath(const QString& folder, const QDateTime& rotatedAt)
{
    const QString stamp = rotatedAt.toString(QLatin1String(StampFormat));
    const QDir dir(QDir::cleanPath(folder));
    QString path = dir.filePath(QStringLiteral("syslog97-%1.mdb").arg(stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("syslog97-%1-%2.mdb").arg(stamp).arg(n));
    return path;
}

platform::db::FileSet withArchives(const QString& databasePath)
{
    platform::db::FileSet files = thisFileOnly(databasePath);
    const QString folder = QFileInfo(databasePath).absolutePath();
    files.earlier = [folder] {
        QStringList paths;
        for (const Archive& archive : findArchives(folder))
            paths << archive.path;
        return paths;
    };
    return files;
}

platform::db::FileSet thisFileOnly(const QString& databasePath)
{
    return { databasePath, {}, { QStringLiteral("syslog"), QStringLiteral("missed") } };
}

} // namespace corvane
