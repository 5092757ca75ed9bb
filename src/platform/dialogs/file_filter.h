#pragma once

#include <QString>
#include <QStringList>

namespace corvane::platform {

// Save-dialog rules kept apart from the dialog itself so they can be checked
// without showing one.

// "Label|pattern|Label|pattern" as Qt name filters, one "Label (patterns)"
// per pair. Patterns separated by ';' become space-separated; "*.*" becomes
// "*" so that names without a dot are listed too. A pair without a pattern
// lists every file; an empty label shows its patterns.
QStringList qtNameFilters(const QString& filter);

// The path with ".extension" added when its file name has no extension of
// its own. An empty path stays empty (the user cancelled); a leading dot on
// the extension is ignored.
QString withDefaultExtension(const QString& path, const QString& extension);

} // namespace corvane::platform
