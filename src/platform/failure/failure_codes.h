#pragma once

#include "platform/failure/failure.h"

#include <QString>

// The catalogue of failure numbers. Runtime faults keep their classic numbers,
// database failures the Jet numbers; every failure the program raises takes
// its number and wording from here.
namespace corvane::platform::failure {

struct Code {
    int number;
    const char* description;

    Failure make() const { return Failure(number, QString::fromUtf8(description)); }
    // The catalogue wording followed by detail, e.g. the system's reason.
    Failure make(const QString& detail) const
    {
        return Failure(number, QString::fromUtf8(description) + QStringLiteral(": ") + detail);
    }
};

// Runtime faults.
inline constexpr Code InvalidProcedureCall { 5, "Invalid procedure call or argument" };
inline constexpr Code Overflow { 6, "Overflow" };
inline constexpr Code OutOfMemory { 7, "Out of memory" };
inline constexpr Code SubscriptOutOfRange { 9, "Subscript out of range" };
inline constexpr Code DivisionByZero { 11, "Division by zero" };
inline constexpr Code TypeMismatch { 13, "Type mismatch" };
inline constexpr Code InvalidPatternString { 93, "Invalid pattern string" };
inline constexpr Code InternalError { 51, "Internal error" };
inline constexpr Code ObjectNotSet { 91, "Object variable or With block variable not set" };
inline constexpr Code BadFileNameOrNumber { 52, "Bad file name or number" };
inline constexpr Code FileNotFound { 53, "File not found" };
inline constexpr Code FileAlreadyExists { 58, "File already exists" };
inline constexpr Code InputPastEndOfFile { 62, "Input past end of file" };
inline constexpr Code PathFileAccessError { 75, "Path/File access error" };
inline constexpr Code PathNotFound { 76, "Path not found" };

// Database failures (Jet numbers and wording).
inline constexpr Code NoCurrentRecord { 3021, "No current record." };
inline constexpr Code CannotOpenDatabase { 3049,
    "Cannot open database. It may not be a database that your application recognizes, or the file may be "
    "corrupt." };
inline constexpr Code CouldNotFindFile { 3024, "Could not find file" };
inline constexpr Code FileAlreadyInUse { 3045, "Could not use the file; file already in use." };
inline constexpr Code CannotUpdate { 3027, "Cannot update. Database or object is read-only." };
inline constexpr Code DiskFull { 3035, "System resource exceeded." };
inline constexpr Code DiskError { 3043, "Disk or network error." };
inline constexpr Code ItemNotFound { 3265, "Item not found in this collection." };
inline constexpr Code UpdateWithoutAddNew { 3020, "Update or CancelUpdate without AddNew or Edit." };
inline constexpr Code DatabaseEngineError { 3146, "ODBC--call failed." };
inline constexpr Code TooFewParameters { 3061, "Too few parameters. Expected 1." };
inline constexpr Code SyntaxErrorInQuery { 3075, "Syntax error (missing operator) in query expression" };
inline constexpr Code SyntaxErrorInString { 3075, "Syntax error in string in query expression" };
inline constexpr Code SyntaxErrorInDate { 3075, "Syntax error in date in query expression" };
inline constexpr Code AggregateInExpression { 3095, "Cannot have aggregate function in expression" };
inline constexpr Code AggregateInWhere { 3096, "Cannot have aggregate function in WHERE clause" };
inline constexpr Code QueryTooComplex { 3360, "Query is too complex." };
inline constexpr Code UndefinedFunction { 3085, "Undefined function in expression." };
inline constexpr Code NotPartOfAggregate { 3122,
    "You tried to execute a query that does not include the specified expression as part of an aggregate "
    "function." };
inline constexpr Code InvalidSqlStatement { 3129,
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'." };
inline constexpr Code CharactersAfterEnd { 3142, "Characters found after end of SQL statement." };
inline constexpr Code NotAValidPath { 3044,
    "is not a valid path. Make sure that the path name is spelled correctly." };
inline constexpr Code TableNotFound { 3078,
    "The database engine cannot find the input table or query. Make sure it exists and that its name is "
    "spelled correctly." };
inline constexpr Code RecordIsDeleted { 3167, "Record is deleted." };
inline constexpr Code DatabaseExists { 3204, "Database already exists." };
inline constexpr Code CurrentlyLocked { 3218, "Could not update; currently locked." };
inline constexpr Code DataTypeMismatch { 3464, "Data type mismatch in criteria expression." };
inline constexpr Code NotSupported { 0, "Not supported by this program" };

// Socket failures: the description names the system's reason.
inline constexpr Code AddressInUse { 10048, "Address in use" };
inline constexpr Code SocketPermissionDenied { 10013, "Permission denied" };
inline constexpr Code SocketError { 10022, "Invalid argument" };
inline constexpr Code SocketAlreadyBound { 40020, "Invalid operation at current state" };
inline constexpr Code ReceiveQueueOverflow { 10055, "No buffer space available" };
inline constexpr Code SocketSystemError { 10000, "Socket error" };

} // namespace corvane::platform::failure
