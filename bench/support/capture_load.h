#pragma once

#include <QByteArray>
#include <QString>

namespace corvane::bench {

// A NetScreen traffic line of about 400 bytes, as the firewalls send them.
extern const QByteArray TrafficLine;

// Sends count copies of the line to 127.0.0.1:port, rate per second (0: as
// fast as the socket takes them).
void sendLoad(int port, long long count, int rate, const QByteArray& line = TrafficLine);

// The two loads every capture figure is taken under.
struct CaptureLoad {
    const char* name;
    long long count;
    int rate; // per second, 0: as fast as the socket takes them
};
inline constexpr CaptureLoad CaptureLoads[] = {
    { "200,000 at line rate", 200'000, 0 },
    { "60,000/s offered for 6 s", 360'000, 60'000 },
};

struct LoadResult {
    long long sent = 0;
    long long stored = 0;
    // From the first datagram sent to the last row stored.
    double seconds = 0;
    double rowsPerSecond() const { return seconds > 0 ? static_cast<double>(stored) / seconds : 0; }
    long long lost() const { return sent - stored; }
};

// What SQLite itself allows: one thread receives, cuts the fifteen keys,
// runs one prepared INSERT per datagram in autocommit on the program's schema
// (WAL, synchronous NORMAL, wal_autocheckpoint 10000) and checks the size
// once per row. No queue, so what it cannot take in time is lost. Runs on a
// new database in folder under the same load as the program.
LoadResult runPlainLoop(const QString& folder, long long count, int rate);

// "median 41200 rows/s (range 39000-42100)" of three values.
struct Spread {
    double median = 0;
    double low = 0;
    double high = 0;
};
Spread spreadOf(double a, double b, double c);

} // namespace corvane::bench
