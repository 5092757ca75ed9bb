#pragma once

#include <QString>

namespace corvane {

// Turns the day-first date the user types for a report's date filters,
// d/m/yyyy with an optional 24-hour h:m:s (or h:m), into the month-first
// text the report templates expect: "12/5/2005 21:7:3", numbers without
// leading zeros, midnight when no time is given. Anything that is not a real
// date and time gives an empty text.
QString FilterDateText(const QString& text);

} // namespace corvane
