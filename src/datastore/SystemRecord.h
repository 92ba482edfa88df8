// The system record `sysinfo`, read once at start-up: whether a login is
// required (`SECURITY`, which becomes `_SECURITY`).
#pragma once

#include <optional>

#include "DataContext.h"

namespace mx::ds {

// Opens `sysinfo` shared with its indexes, reads `SECURITY` of its current
// (first) record and closes it; an empty table reads as false. nullopt when
// the table cannot be opened: the opening service has shown its message and
// start-up must end there.
std::optional<bool> readSecurity(DataContext& ctx);

}  // namespace mx::ds
