#pragma once

#include "platform/dialogs/dialogs.h"
#include "platform/failure/failure.h"

#include <QLatin1StringView>
#include <QString>

namespace corvane {

// The application's title, carried by every box that gives none of its own.
inline constexpr QLatin1StringView ApplicationTitle { "Corvane(Beta)" };
// The failure report: its box and the text logged.
inline constexpr QLatin1StringView UnexpectedErrorTitle { "UNEXPECTED ERROR" };
inline constexpr QLatin1StringView UnexpectedErrorPrefix { "An Unexpected error has occured - Error: " };
inline constexpr QLatin1StringView UnexpectedErrorSuffix { " - Error has been Logged" };
inline constexpr QLatin1StringView ErrorWritingLogText { "Error Writing Log" };
inline constexpr QLatin1StringView ErrorLogFileName { "Errlog.txt" };

// LogError: tells the user about a failure, then appends it to the error log
// beside the program. The log is a count followed by that many quoted
// messages, one item a line, each line ending CR LF; it is read and written
// whole on every call and never created here. Items are read as a sequential
// reader reads them: separated by commas or line ends, leading blanks and
// blank lines skipped, an item in double quotes taken without them (commas
// and line ends inside kept, "" standing for one "). Anything after the
// counted entries is dropped on the rewrite.
class ErrorLogger {
public:
    // programFolder without a trailing separator.
    ErrorLogger(QString programFolder, platform::Dialogs& dialogs);

    void LogError(const platform::Failure& failure) const;
    // The same entry in the log without a box: for a failure already shown
    // once that repeats, or goes on, while nobody needs another box.
    // False when the log could not be written.
    bool logQuietly(const platform::Failure& failure) const;

    // "An Unexpected error has occured - Error: 13: Type mismatch - Error has been Logged"
    static QString failureMessage(const platform::Failure& failure);
    QString logPath() const;

private:
    bool appendToLog(const QString& message) const;

    QString m_programFolder;
    platform::Dialogs& m_dialogs;
};

} // namespace corvane
