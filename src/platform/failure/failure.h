#pragma once

#include <QString>
#include <exception>
#include <string>

namespace corvane::platform {

// An unexpected failure: the error number and the description the user sees.
// Thrown by any layer; caught only by a handler's trap, which reports it.
class Failure : public std::exception {
public:
    Failure(int number, QString description);

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

} // namespace corvane::platform
