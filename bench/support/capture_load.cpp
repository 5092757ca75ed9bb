#include "capture_load.h"

#include "base/new_database.h"
#include "loopback_sender.h"

#include <QDir>
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace corvane::bench {

const QByteArray TrafficLine = QByteArrayLiteral(
    "<133>ns5gt: NetScreen device_id=ns5gt  [Root]system-notification-00257(traffic): "
    "start_time=\"2009-01-22 15:13:46\" duration=25 policy_id=11 service=http proto=6 src zone=Untrust "
    "dst zone=Trust action=Permit sent=178 rcvd=84 src=115.89.244.226 dst=210.99.50.44 src_port=43826 "
    "dst_port=80 session_id=12345 reason=Close - TCP FIN");

void sendLoad(int port, long long count, int rate, const QByteArray& line)
{
    const testing::LoopbackSender to(port);
    const auto start = std::chrono::steady_clock::now();
    for (long long i = 0; i < count; ++i) {
        if (rate > 0 && i % 100 == 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1'000'000 / rate));
        to.send(line);
    }
}

namespace {

const char* const Keys[15]
    = { "NetScreen device_id=", "start_time=", "duration=", "policy_id=", "service=", "proto=", "src zone=",
          "dst zone=", "action=", "sent=", "rcvd=", "src=", "dst=", "src_port=", "dst_port=" };

// The value after the key up to the next blank; start_time's 19 characters
// inside its quotes.
std::pair<const char*, int> cut(const char* text, int length, const char* key)
{
    const int keyLength = static_cast<int>(std::strlen(key));
    const void* at = memmem(text, static_cast<size_t>(length), key, static_cast<size_t>(keyLength));
    if (!at)
        return { "0", 1 };
    const char* value = static_cast<const char*>(at) + keyLength;
    const char* end = text + length;
    if (*value == '"')
        return { value + 1, static_cast<int>(std::min<long>(19, end - value - 1)) };
    const char* stop = static_cast<const char*>(std::memchr(value, ' ', static_cast<size_t>(end - value)));
    return { value, static_cast<int>((stop ? stop : end) - value) };
}

long long fileSize(const char* path)
{
    struct stat info { };
    return ::stat(path, &info) == 0 ? info.st_size : 0;
}

} // namespace

LoadResult runPlainLoop(const QString& folder, long long count, int rate)
{
    createNewDatabase(folder);
    const QByteArray path = QDir(folder).filePath(QStringLiteral("syslog97.mdb")).toLocal8Bit();
    const QByteArray wal = path + "-wal";
    sqlite3* db = nullptr;
    sqlite3_open(path.constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=10000",
        nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO syslog ([NetScreen device_id=], [start_time=], [duration=], [policy_id=], [service=], "
        "[proto=], [src zone=], [dst zone=], [action=], [sent=], [rcvd=], [src=], [dst=], [src_port=], "
        "[dst_port=], LogDate, [sent+rcvd]) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        -1, &insert, nullptr);

    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int buffer = 8 * 1024 * 1024;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);

    LoadResult result;
    result.sent = count;
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    std::thread sender(sendLoad, ntohs(address.sin_port), count, rate, TrafficLine);
    char datagram[65536];
    char logDate[32] = {};
    std::time_t dateSecond = 0;
    pollfd wait { fd, POLLIN, 0 };
    // Ends one second after the last datagram arrived.
    while (result.stored<count&& ::poll(&wait, 1, 1000)> 0) {
        const ssize_t received = ::recv(fd, datagram, sizeof datagram, 0);
        if (received < 0)
            continue;
        const int size = static_cast<int>(received);
        for (int k = 0; k < 15; ++k) {
            const auto [value, valueLength] = cut(datagram, size, Keys[k]);
            sqlite3_bind_text(insert, k + 1, value, valueLength, SQLITE_STATIC);
        }
        if (const std::time_t now = std::time(nullptr); now != dateSecond) {
            dateSecond = now;
            std::tm local {};
            localtime_r(&now, &local);
            std::strftime(logDate, sizeof logDate, "%Y-%m-%d %H:%M:%S", &local);
        }
        sqlite3_bind_text(insert, 16, logDate, -1, SQLITE_STATIC);
        const auto sent = cut(datagram, size, "sent=");
        const auto rcvd = cut(datagram, size, "rcvd=");
        sqlite3_bind_double(insert, 17, std::atof(sent.first) + std::atof(rcvd.first));
        if (sqlite3_step(insert) == SQLITE_DONE)
            ++result.stored;
        sqlite3_reset(insert);
        [[maybe_unused]] volatile long long databaseSize
            = fileSize(path.constData()) + fileSize(wal.constData());
        last = std::chrono::steady_clock::now();
    }
    sender.join();
    result.seconds = std::chrono::duration<double>(last - start).count();
    ::close(fd);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return result;
}

Spread spreadOf(double a, double b, double c)
{
    double v[3] = { a, b, c };
    std::sort(v, v + 3);
    return { v[1], v[0], v[2] };
}

} // namespace corvane::bench
