#pragma once

#include "base/report_definitions.h"

#include <QString>
#include <array>

namespace corvane {

// The nine filter texts of a report run, filter 1 first.
using FilterTexts = std::array<QString, FilterCount>;

// The criterion that finds a report by name. A ' in the name is doubled, so
// a name holding an apostrophe is found like any other.
QString reportCriterion(const QString& reportName);

// The filter texts a run puts into the template: filters 1 and 2 through
// FilterDateText, 3 to 9 exactly as typed.
FilterTexts filterValues(const FilterTexts& boxTexts);

// The date filters whose text is no date, by caption and text, e.g.
// Start Date "31/31/2026"; empty when every date reads.
QString unreadableDates(const FilterTexts& boxTexts, const FilterTexts& captions);

// Replaces "filter1" .. "filter9" (exact case) in the template, one after
// another over the growing text, so a value holding "filter5" typed into
// filter 3 is replaced again when filter 5's turn comes.
QString replacePlaceholders(QString queryTemplate, const FilterTexts& values);

} // namespace corvane
