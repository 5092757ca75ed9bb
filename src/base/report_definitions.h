#pragma once

#include <QString>
#include <array>
#include <vector>

namespace corvane {

// A report has nine filters, filter1 to filter9 in its template.
inline constexpr int FilterCount = 9;

// The caption of a filter that a report does not use.
inline constexpr const char* NotAvailable = "<Not Available>";

// One row of table Report as shipped: filters 1 and 2 are dates written
// #filter1# and #filter2#, filters 3 to 9 go in as typed.
struct ReportDefinition {
    QString name;
    QString sql;
    std::array<QString, FilterCount> captions;
};

// The report definitions a new database carries, in table order.
const std::vector<ReportDefinition>& shippedReports();

} // namespace corvane
