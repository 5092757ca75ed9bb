#pragma once

namespace corvane::platform::db {

class Connection;

// A transaction that rolls back unless committed, so a failure half-way
// leaves the file as it was.
class Transaction {
public:
    enum class Kind { Deferred, Immediate }; // Immediate takes the write lock at once

    explicit Transaction(Connection& connection, Kind kind = Kind::Deferred);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    void rollback();

private:
    Connection& m_connection;
    bool m_open = true;
};

} // namespace corvane::platform::db
