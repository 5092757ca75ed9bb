#pragma once

#include <QFileInfo>

namespace corvane::platform::db {

// A file or folder marked read-only counts as write-protected even for a user
// whose rights would let the system write it anyway (root), as a read-only
// attribute does. WriteUser is left out: Qt reports it for whoever may write,
// root included.
inline bool isWriteProtected(const QFileInfo& info)
{
    const auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & anyWrite);
}

} // namespace corvane::platform::db
