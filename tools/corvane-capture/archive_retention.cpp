#include "archive_retention.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

std::vector<Archive> archivesPastLimits(
    const std::vector<Archive>& archives, const RetentionLimits& limits, const QDateTime& now)
{
    std::vector<Archive> past;
    qint64 kept = 0;
    for (const Archive& archive : archives)
        kept += archive.bytes;
    for (const Archive& archive : archives) { // oldest first
        const bool tooOld = limits.keepDays && archive.rotatedAt < now.addDays(-*limits.keepDays);
        const bool tooMuch = limits.keepBytes && kept > *limits.keepBytes;
        if (!tooOld && !tooMuch)
            break;
        past.push_back(archive);
        kept -= archive.bytes;
    }
    return past;
}

namespace {

// Any lock on the file, as SQLite takes them while it reads or writes.
bool isLocked(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe { };
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0; // the whole file and beyond, where SQLite's lock bytes lie
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

} // namespace

bool isOpenElsewhere(const QString& path)
{
    struct stat target { };
    if (::stat(QFile::encodeName(path).constData(), &target) != 0)
        return false;
    if (isLocked(path))
        return true;
    const QString self = QString::number(::getpid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || pid.toInt() <= 0)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            struct stat open { };
            if (::stat(QFile::encodeName(fds.filePath(fd)).constData(), &open) == 0
                && open.st_dev == target.st_dev && open.st_ino == target.st_ino)
                return true;
        }
    }
    return false;
}

} // namespace corvane
