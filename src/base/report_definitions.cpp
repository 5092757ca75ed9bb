#include "base/report_definitions.h"

namespace corvane {

namespace {

constexpr const char* StartDate = "Start Date";
constexpr const char* EndDate = "End Date";

// The date range every report shares; the templates are Jet SQL, and the
// date placeholders sit inside # marks so the typed date becomes a literal.
constexpr const char* DateRange = "[start_time=] >= #filter1# AND [start_time=] <= #filter2#";

// Captions for filters 1 and 2 (dates) and for filter 3 and 4 where given;
// every other filter is marked unused.
std::array<QString, FilterCount> captions(const char* third = nullptr, const char* fourth = nullptr)
{
    std::array<QString, FilterCount> result;
    result.fill(QString::fromLatin1(NotAvailable));
    result[0] = QString::fromLatin1(StartDate);
    result[1] = QString::fromLatin1(EndDate);
    if (third)
        result[2] = QString::fromLatin1(third);
    if (fourth)
        result[3] = QString::fromLatin1(fourth);
    return result;
}

QString sql(const char* head, const char* tail = "")
{
    return QString::fromLatin1(head) + QStringLiteral(" WHERE ") + QString::fromLatin1(DateRange)
        + QString::fromLatin1(tail);
}

constexpr const char* SessionColumns
    = "SELECT [start_time=], [src=], [src_port=], [dst=], [dst_port=], [service=], [policy_id=], [action=], "
      "[sent+rcvd] FROM syslog";

} // namespace

const std::vector<ReportDefinition>& shippedReports()
{
    static const std::vector<ReportDefinition> reports {
        { QStringLiteral("Traffic Between Two Dates"), sql(SessionColumns, " ORDER BY [start_time=]"),
            captions() },
        { QStringLiteral("Denied Traffic Between Two Dates"),
            sql(SessionColumns, " AND [action=] = 'Deny' ORDER BY [start_time=]"), captions() },
        { QStringLiteral("Top 10 Sources Between Two Dates"),
            sql("SELECT TOP 10 [src=], COUNT([logno]) AS Sessions, SUM([sent+rcvd]) AS TotalBytes FROM "
                "syslog",
                " GROUP BY [src=] ORDER BY SUM([sent+rcvd]) DESC"),
            captions() },
        { QStringLiteral("Top 10 Destinations Between Two Dates"),
            sql("SELECT TOP 10 [dst=], COUNT([logno]) AS Sessions, SUM([sent+rcvd]) AS TotalBytes FROM "
                "syslog",
                " GROUP BY [dst=] ORDER BY SUM([sent+rcvd]) DESC"),
            captions() },
        { QStringLiteral("Traffic By Service Between Two Dates"),
            sql("SELECT [service=], COUNT([logno]) AS Sessions, SUM([sent+rcvd]) AS TotalBytes FROM syslog",
                " GROUP BY [service=] ORDER BY SUM([sent+rcvd]) DESC"),
            captions() },
        { QStringLiteral("Traffic By Policy Between Two Dates"),
            sql("SELECT [policy_id=], [action=], COUNT([logno]) AS Sessions, SUM([sent+rcvd]) AS TotalBytes "
                "FROM "
                "syslog",
                " GROUP BY [policy_id=], [action=] ORDER BY [policy_id=]"),
            captions() },
        { QStringLiteral("Traffic From A Source IP Between Two Dates"),
            sql(SessionColumns, " AND [src=] LIKE 'filter3' ORDER BY [start_time=]"),
            captions("Source IP (* for wildcard)") },
        { QStringLiteral("Traffic From A Source IP To A Destination IP"),
            sql(SessionColumns,
                " AND [src=] LIKE 'filter3' AND [dst=] LIKE 'filter4' ORDER BY [start_time=]"),
            captions("Source IP (* for wildcard)", "Destination IP (* for wildcard)") },
    };
    return reports;
}

} // namespace corvane
