#pragma once

#include <QString>
#include <array>
#include <functional>
#include <utility>

// What the benchmarks at the scale of a month share: the month file, built
// once and kept, and medians of three timed runs.
namespace corvane::bench {

// The month as one firewall site logs it.
struct MonthShape {
    long long rows = 7'500'000;
    int devices = 3;
    int sources = 65'536;
    int destinations = 20'000;
    int services = 8;
    int deniedOneIn = 5; // every fifth session denied
    int year = 2026;
    int month = 11; // 30 days
};

// The month file in folder, built with the program's schema the first time
// and kept: later calls only check it. Returns its path.
QString monthFile(const QString& folder, const MonthShape& shape = MonthShape());

// A folder as the program finds it (syslog97.mdb and Errlog.txt) holding a
// full file: the month grown with more of the same traffic to just under the
// capture's size limit, and rows in the chart tables (Statustype, 8 types;
// Membershipdetails, paymentdetails and SignIn, 250,000 rows each, the last
// two over June to November of the month's year). Built once from a copy
// of monthPath and kept. Returns the folder.
QString fullFolder(const QString& folder, const QString& monthPath, const MonthShape& shape = MonthShape());
inline constexpr long long FullBytes = 1'940'000'000; // the limit is 1,950,000,000

// "25/11/2026 00:00:00": a date as the report filters take it.
QString filterDate(int year, int month, int day, const char* time = "00:00:00");

// Three timed runs of work, in seconds.
struct Timing {
    double median = 0;
    double low = 0;
    double high = 0;
};
// The median and range of three figures.
Timing spread(std::array<double, 3> figures);
Timing timeThree(const std::function<void()>& work);
// Three runs of each, taken in turn, so that both meet the same load on a
// shared machine.
std::pair<Timing, Timing> timeThreeInTurn(
    const std::function<void()>& first, const std::function<void()>& second);

// "1.23 s (range 1.20-1.31)".
QString secondsText(const Timing& timing);

} // namespace corvane::bench
