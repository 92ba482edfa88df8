#include "Error.h"

#include <cstring>

namespace mx::rt {

const char* errorKindName(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::Busy: return "busy";
        case ErrorKind::NotFound: return "not found";
        case ErrorKind::Corrupt: return "corrupt";
        case ErrorKind::BadExpression: return "bad expression";
        case ErrorKind::Io: return "i/o error";
        case ErrorKind::Usage: return "usage";
        case ErrorKind::LockRequired: return "lock required";
        case ErrorKind::DataWidth: return "data width";
    }
    return "error";
}

static std::string composeMessage(ErrorKind kind, const std::string& where, const std::string& detail,
                                  std::int64_t position) {
    std::string msg = where;
    if (position >= 0) msg += " at " + std::to_string(position);
    msg += ": ";
    msg += errorKindName(kind);
    if (!detail.empty()) msg += ": " + detail;
    return msg;
}

DbError::DbError(ErrorKind kind, std::string where, std::string detail, std::int64_t position)
    : std::runtime_error(composeMessage(kind, where, detail, position)),
      kind_(kind),
      where_(std::move(where)),
      detail_(std::move(detail)),
      position_(position) {}

void throwCorrupt(const std::string& file, const std::string& detail, std::int64_t offset) {
    throw DbError(ErrorKind::Corrupt, file, detail, offset);
}

void throwIo(const std::string& file, const std::string& what, int err) {
    throw DbError(ErrorKind::Io, file, what + ": " + std::strerror(err));
}

void throwUsage(const std::string& where, const std::string& detail) {
    throw DbError(ErrorKind::Usage, where, detail);
}

}  // namespace mx::rt
