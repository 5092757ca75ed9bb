#pragma once

#include "platform/db/file_set_cursor.h"

#include <QDateTime>
#include <QString>
#include <vector>

namespace corvane {

// One rotated file, syslog97-YYYYMMDD-HHMMSS[-N].mdb, with the time its name
// gives.
struct Archive {
    QString path;
    QDateTime rotatedAt;
    qint64 bytes = 0;
};

// The archives beside a database file, oldest first. The current file is
// never one.
std::vector<Archive> findArchives(const QString& folder);

// A free name for the archive of a file rotated at the given time.
QString newArchivePath(const QString& folder, const QDateTime& rotatedAt);

// The database file and its folder's archives, as one file that was never
// rotated: the captured tables' rows run on from archive to archive.
platform::db::FileSet withArchives(const QString& databasePath);
// The database file alone.
platform::db::FileSet thisFileOnly(const QString& databasePath);

} // namespace corvane
