#include "scale_support.h"

#include "base/new_database.h"
#include "platform/db/connection.h"
#include "platform/db/statement.h"
#include "platform/failure/failure.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace corvane::bench {

namespace {

constexpr int SecondsPerDay = 86'400;

// splitmix64: the same month on every machine.
class Random {
public:
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }

private:
    std::uint64_t m_state = 20261101;
};

struct Service {
    const char* name;
    int proto;
    int port;
    int weight; // in percent
};
constexpr std::array<Service, 8> Services { {
    { "http", 6, 80, 35 },
    { "https", 6, 443, 30 },
    { "dns", 17, 53, 15 },
    { "smtp", 6, 25, 5 },
    { "ssh", 6, 22, 4 },
    { "ntp", 17, 123, 4 },
    { "ftp", 6, 21, 4 },
    { "icmp", 1, 0, 3 },
} };

constexpr std::array<const char*, 3> Devices { "fw-hq", "fw-branch1", "fw-branch2" };

int pickService(Random& random, int services)
{
    int roll = random.below(100);
    for (int s = 0; s < services; ++s) {
        roll -= Services[static_cast<std::size_t>(s)].weight;
        if (roll < 0)
            return s;
    }
    return 0;
}

void check(sqlite3* db, int rc, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void exec(sqlite3* db, const char* sql)
{
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), sql);
}

// "YYYY-MM-DD HH:MM:SS" of a second within the month.
// Nothing to protect while building: no journal, no syncs, one transaction.
sqlite3* openForBuilding(const QString& path)
{
    sqlite3* db = nullptr;
    check(db, sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
        "open");
    exec(db, "PRAGMA journal_mode=OFF");
    exec(db, "PRAGMA synchronous=OFF");
    exec(db, "PRAGMA cache_size=-262144");
    exec(db, "BEGIN");
    return db;
}

void formatTime(char* out, std::size_t size, const MonthShape& shape, long long second)
{
    const long long day = second / SecondsPerDay;
    const long long rest = second % SecondsPerDay;
    std::snprintf(out, size, "%04d-%02d-%02lld %02lld:%02lld:%02lld", shape.year, shape.month, day + 1,
        rest / 3600, rest / 60 % 60, rest % 60);
}

long long storedRows(const QString& path)
{
    try {
        platform::db::Connection connection(path, platform::db::OpenMode::ReadOnly);
        platform::db::Statement count(connection, QStringLiteral("SELECT max(logno) FROM syslog"));
        return count.step() ? count.column(0).toInt64() : 0;
    } catch (const platform::Failure&) {
        return -1;
    }
}

void fill(const QString& path, const MonthShape& shape)
{
    sqlite3* db = openForBuilding(path);
    sqlite3_stmt* insert = nullptr;
    check(db,
        sqlite3_prepare_v2(db,
            "INSERT INTO syslog ([NetScreen device_id=], [start_time=], [duration=], [policy_id=], "
            "[service=], [proto=], [src zone=], [dst zone=], [action=], [sent=], [rcvd=], [src=], [dst=], "
            "[src_port=], [dst_port=], LogDate, [sent+rcvd]) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
            "?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17)",
            -1, &insert, nullptr),
        "prepare");
    Random random;
    const long long monthSeconds = 30LL * SecondsPerDay;
    char start[32], logged[32], duration[16], policy[16], proto[8], sent[24], rcvd[24], src[24], dst[24],
        srcPort[8], dstPort[8];
    auto text
        = [&](int index, const char* value) { sqlite3_bind_text(insert, index, value, -1, SQLITE_STATIC); };
    for (long long i = 0; i < shape.rows; ++i) {
        const int device = static_cast<int>(i % shape.devices);
        // Spread evenly over the month; each device's clock a little off.
        const long long second
            = std::min(monthSeconds - 1, i * monthSeconds / shape.rows + device * 2 + random.below(3));
        const int service = pickService(random, shape.services);
        const Service& s = Services[static_cast<std::size_t>(service)];
        const bool denied = random.below(shape.deniedOneIn) == 0;
        // A few busy hosts and a long tail, as on a real network.
        const double u = random.unit();
        const int source = std::min(shape.sources - 1, static_cast<int>(shape.sources * u * u * u));
        const double v = random.unit();
        const int destination
            = std::min(shape.destinations - 1, static_cast<int>(shape.destinations * v * v));
        const int seconds = denied ? 0 : random.below(600);
        const long long out
            = denied ? 0 : 40 + random.below(4000) + (random.below(50) == 0 ? random.below(5'000'000) : 0);
        const long long in
            = denied ? 0 : 60 + random.below(20000) + (random.below(20) == 0 ? random.below(20'000'000) : 0);

        formatTime(start, sizeof start, shape, second);
        formatTime(logged, sizeof logged, shape, std::min(monthSeconds - 1, second + seconds));
        std::snprintf(duration, sizeof duration, "%d", seconds);
        std::snprintf(policy, sizeof policy, "%d", denied ? 30 + service % 4 : 1 + service * 3 + source % 3);
        std::snprintf(proto, sizeof proto, "%d", s.proto);
        std::snprintf(sent, sizeof sent, "%lld", out);
        std::snprintf(rcvd, sizeof rcvd, "%lld", in);
        std::snprintf(src, sizeof src, "10.%d.%d.%d", source >> 14, (source >> 6) & 255, 2 + (source & 63));
        const unsigned spread = static_cast<unsigned>(destination) * 2654435761U;
        std::snprintf(dst, sizeof dst, "%u.%u.%u.%u", 11 + (spread >> 24) % 200, (spread >> 16) & 255,
            (spread >> 8) & 255, 1 + destination % 250);
        std::snprintf(srcPort, sizeof srcPort, "%d", 1024 + random.below(64511));
        std::snprintf(dstPort, sizeof dstPort, "%d", s.port);

        text(1, Devices[static_cast<std::size_t>(device) % Devices.size()]);
        text(2, start);
        text(3, duration);
        text(4, policy);
        text(5, s.name);
        text(6, proto);
        text(7, source % 16 == 0 ? "DMZ" : "Trust");
        text(8, "Untrust");
        text(9, denied ? "Deny" : "Permit");
        text(10, sent);
        text(11, rcvd);
        text(12, src);
        text(13, dst);
        text(14, srcPort);
        text(15, dstPort);
        text(16, logged);
        sqlite3_bind_double(insert, 17, static_cast<double>(out + in));
        check(db, sqlite3_step(insert), "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
    exec(db, "PRAGMA journal_mode=WAL"); // as the program keeps its files
    sqlite3_close(db);
}

} // namespace

QString monthFile(const QString& folder, const MonthShape& shape)
{
    const QDir dir(folder);
    const QString path = dir.filePath(QStringLiteral("month.mdb"));
    if (QFile::exists(path) && storedRows(path) == shape.rows)
        return path;
    QDir().mkpath(folder);
    QDir partial(dir.filePath(QStringLiteral(".month-building")));
    partial.removeRecursively();
    QDir().mkpath(partial.path());
    std::printf("building the month file %s (%lld rows, once)...\n", qPrintable(path), shape.rows);
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    createNewDatabase(partial.path());
    const QString built = partial.filePath(QStringLiteral("syslog97.mdb"));
    fill(built, shape);
    QFile::remove(path);
    if (!QFile::rename(built, path))
        throw std::runtime_error("cannot move the month file into place");
    partial.removeRecursively();
    std::printf("built in %.0f s, %.2f GB\n", static_cast<double>(timer.elapsed()) / 1000.0,
        static_cast<double>(QFile(path).size()) / 1e9);
    return path;
}

namespace {

long long dataBytes(sqlite3* db)
{
    sqlite3_stmt* pragma = nullptr;
    long long bytes = 0;
    check(db,
        sqlite3_prepare_v2(db, "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size", -1,
            &pragma, nullptr),
        "size");
    if (sqlite3_step(pragma) == SQLITE_ROW)
        bytes = sqlite3_column_int64(pragma, 0);
    sqlite3_finalize(pragma);
    return bytes;
}

void grow(const QString& path, const MonthShape& shape)
{
    sqlite3* db = openForBuilding(path);
    const std::string year = std::to_string(shape.year);
    const std::string chartRows
        = "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 249999) ";
    // 63 s apart: 250,000 rows cover the six months from June 1st.
    const std::string when
        = "strftime('%Y-%m-%d %H:%M:%S', '" + year + "-06-01', '+' || (i * 63) || ' seconds')";
    exec(db,
        "INSERT INTO Statustype ([Status Type]) VALUES ('Gold'), ('Silver'), ('Bronze'), ('Staff'), "
        "('Student'), ('Family'), ('Members'' Club'), ('Lapsed')");
    exec(db,
        (chartRows
            + "INSERT INTO Membershipdetails ([Membership Status]) SELECT CASE i % 8 WHEN 0 THEN "
              "'Gold' WHEN 1 THEN 'Silver' WHEN 2 THEN 'Bronze' WHEN 3 THEN 'Staff' WHEN 4 THEN "
              "'Student' WHEN 5 THEN 'Family' WHEN 6 THEN 'Members'' Club' ELSE 'Lapsed' END FROM n")
            .c_str());
    exec(db,
        (chartRows + "INSERT INTO paymentdetails ([Payment Amount], [payment date]) SELECT i % 500 + 1, "
            + when + " FROM n")
            .c_str());
    exec(db,
        (chartRows + "INSERT INTO SignIn (MembershipID, [date]) SELECT i % 20000, " + when + " FROM n")
            .c_str());
    // Then the month's first rows again, a slice at a time, until the file is full.
    constexpr long long Slice = 50'000;
    for (long long first = 1; dataBytes(db) < FullBytes && first <= shape.rows; first += Slice) {
        const std::string copy = "INSERT INTO syslog ([NetScreen device_id=], [start_time=], [duration=], "
                                 "[policy_id=], [service=], [proto=], [src zone=], [dst zone=], [action=], "
                                 "[sent=], [rcvd=], [src=], [dst=], [src_port=], [dst_port=], LogDate, "
                                 "[sent+rcvd]) SELECT [NetScreen device_id=], [start_time=], [duration=], "
                                 "[policy_id=], [service=], [proto=], [src zone=], [dst zone=], [action=], "
                                 "[sent=], [rcvd=], [src=], [dst=], [src_port=], [dst_port=], LogDate, "
                                 "[sent+rcvd] FROM syslog WHERE logno BETWEEN "
            + std::to_string(first) + " AND " + std::to_string(first + Slice - 1);
        exec(db, copy.c_str());
    }
    exec(db, "COMMIT");
    exec(db, "PRAGMA journal_mode=WAL");
    sqlite3_close(db);
}

} // namespace

QString fullFolder(const QString& folder, const QString& monthPath, const MonthShape& shape)
{
    const QDir dir(folder);
    const QString full = dir.filePath(QStringLiteral("full"));
    const qint64 size = QFileInfo(full + QStringLiteral("/syslog97.mdb")).size();
    if (size >= FullBytes && size <= 1'950'000'000)
        return full; // moved into place only when complete
    QDir(full).removeRecursively();
    QDir partial(dir.filePath(QStringLiteral(".full-building")));
    partial.removeRecursively();
    QDir().mkpath(partial.path());
    std::printf("building the full file %s/syslog97.mdb from the month (once)...\n", qPrintable(full));
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    createNewDatabase(partial.path());
    const QString built = partial.filePath(QStringLiteral("syslog97.mdb"));
    QFile::remove(built);
    if (!QFile::copy(monthPath, built))
        throw std::runtime_error("cannot copy the month file");
    grow(built, shape);
    if (!QDir().rename(partial.path(), full))
        throw std::runtime_error("cannot move the full file into place");
    std::printf("built in %.0f s, %.2f GB\n", static_cast<double>(timer.elapsed()) / 1000.0,
        static_cast<double>(QFile(full + QStringLiteral("/syslog97.mdb")).size()) / 1e9);
    return full;
}

QString filterDate(int year, int month, int day, const char* time)
{
    return QStringLiteral("%1/%2/%3 %4")
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(year)
        .arg(QLatin1String(time));
}

namespace {

double secondsFor(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace

Timing spread(std::array<double, 3> figures)
{
    std::sort(figures.begin(), figures.end());
    return { figures[1], figures[0], figures[2] };
}

Timing timeThree(const std::function<void()>& work)
{
    return spread({ secondsFor(work), secondsFor(work), secondsFor(work) });
}

std::pair<Timing, Timing> timeThreeInTurn(
    const std::function<void()>& first, const std::function<void()>& second)
{
    std::array<double, 3> a {};
    std::array<double, 3> b {};
    for (std::size_t i = 0; i < 3; ++i) {
        a[i] = secondsFor(first);
        b[i] = secondsFor(second);
    }
    return { spread(a), spread(b) };
}

QString secondsText(const Timing& timing)
{
    return QStringLiteral("%1 s (range %2-%3)")
        .arg(timing.median, 0, 'f', 2)
        .arg(timing.low, 0, 'f', 2)
        .arg(timing.high, 0, 'f', 2);
}

} // namespace corvane::bench
