// The table-access defaults the program sets once at start-up: deleted
// records hidden, soft seek and exact comparison off, dates "dd/mm/yy" with
// the epoch 80 years before the current year.
#pragma once

#include "Session.h"

namespace mx::ds {

void applyTableAccessDefaults(rt::Session& session);

}  // namespace mx::ds
