#pragma once

#include <QString>

namespace corvane::platform::jet {

// Jet's LIKE: * any run, ? one character, # one digit, [abc], [a-z] and
// [!abc] classes; % and _ are ordinary characters. The whole value must
// match, without regard to case. An unclosed [ fails with "Invalid pattern string".
bool likeMatches(const QString& value, const QString& pattern);

// ALIKE: the ANSI wildcards % and _ instead.
bool alikeMatches(const QString& value, const QString& pattern);

} // namespace corvane::platform::jet
