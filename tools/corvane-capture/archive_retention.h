#pragma once

#include "base/archive_files.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace corvane {

// How long rotated files are kept: nothing is deleted unless a limit is set.
struct RetentionLimits {
    std::optional<int> keepDays;
    std::optional<qint64> keepBytes;
    bool any() const { return keepDays || keepBytes; }
};

// The archives past the limits, oldest first: those rotated more than
// keepDays before now, then the oldest until the rest fit in keepBytes.
std::vector<Archive> archivesPastLimits(
    const std::vector<Archive>& archives, const RetentionLimits& limits, const QDateTime& now);

// Whether a process this one can see holds the file open, or any process
// holds an SQLite lock on it. Processes of other users that the system hides
// are not seen; deleting a file such a process reads only frees its space
// once the process lets it go.
bool isOpenElsewhere(const QString& path);

} // namespace corvane
