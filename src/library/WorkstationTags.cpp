// The workstation's tag field and scratch table (see WorkstationTags.h).
#include "WorkstationTags.h"

namespace mx::lib {

std::string tagFieldName(int ws) {
    if (ws == 1) return "TAG";
    if (ws >= 2 && ws <= 9) return "TAG" + std::to_string(ws);
    return {};
}

std::string shownTagFieldName(int ws) {
    const std::string own = tagFieldName(ws);
    return own.empty() ? "TAG" : own;
}

std::string scratchTableName(int ws) {
    if (ws == 1) return "libimp";
    if (ws >= 2 && ws <= 9) return "libimp" + std::to_string(ws);
    return {};
}

}  // namespace mx::lib
