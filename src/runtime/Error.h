// Typed failures of the table runtime. Every error names its kind, the file or
// expression it concerns and, where it makes sense, the byte offset or the
// character position. Callers branch on kind(); the message is for people.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace mx::rt {

enum class ErrorKind {
    Busy,           // another process holds the file or lock (open or lock refused)
    NotFound,       // file, alias, field or order does not exist
    Corrupt,        // a file's contents contradict its format
    BadExpression,  // an expression failed to compile or to evaluate
    Io,             // the operating system refused a read or write
    Usage,          // the caller broke a precondition (bad field list, write to read-only table ...)
    LockRequired,   // a shared table's record was changed without holding its lock
    DataWidth,      // a value does not fit its field or key
};

const char* errorKindName(ErrorKind kind);

class DbError : public std::runtime_error {
public:
    // `where` is the file name (or expression text); `position` is a byte offset
    // for files and a 1-based character position for expressions, -1 when none.
    DbError(ErrorKind kind, std::string where, std::string detail, std::int64_t position = -1);

    ErrorKind kind() const noexcept { return kind_; }
    const std::string& where() const noexcept { return where_; }
    const std::string& detail() const noexcept { return detail_; }
    std::int64_t position() const noexcept { return position_; }

private:
    ErrorKind kind_;
    std::string where_;
    std::string detail_;
    std::int64_t position_;
};

// Shorthands used throughout the runtime.
[[noreturn]] void throwCorrupt(const std::string& file, const std::string& detail, std::int64_t offset = -1);
[[noreturn]] void throwIo(const std::string& file, const std::string& what, int err);
[[noreturn]] void throwUsage(const std::string& where, const std::string& detail);

}  // namespace mx::rt
