#pragma once

#include "platform/jet/common/date.h"

#include <QString>
#include <QStringView>

namespace corvane::platform::jet {

// VB's General Date, which CStr and & use for dates: M/D/YYYY h:mm:ss AM/PM,
// the date alone at midnight and the time alone on the zero date.
QString generalDate(const DateTime& value);

// A format of Format() that formats dates: named (General Date, Long Date,
// Medium Date, Short Date, Long Time, Medium Time, Short Time) or a user
// format with d m y h n s q w tokens or AM/PM.
bool isDateFormat(QStringView format);

// Format() for a date. Unknown tokens fail with Invalid procedure call,
// rather than being guessed.
QString formatDate(const DateTime& value, QStringView format);

// Format() for a number: named (General Number, Fixed, Standard, Percent,
// Currency, Scientific, Yes/No, True/False, On/Off) or a user format of
// 0 # . , % and literal characters.
QString formatNumber(double value, QStringView format);

} // namespace corvane::platform::jet
