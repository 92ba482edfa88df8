// The login (`LOGIN`): run at start-up when `sysinfo` asks for it. Checks a
// login name and password against the `users` table in at most three
// attempts and leaves the login name in `_USER` (Workstation::data().user,
// which also selects the per-user folder of tables flagged `UNIQUE`) and the
// user's security level in `_USERSEC` (Workstation::values().userSec).
//
// The master login name is accepted without a password or account. Builds
// "USERS.NTX" when it is missing; the `users` table is closed afterwards in
// every case.
#pragma once

#include <string_view>

namespace mx::shell {

class Workstation;

// The built-in login name; any typed name that begins with it counts.
inline constexpr std::string_view kMasterLogin = "DINGO";

// True when a user has logged in; false when the dialog was cancelled or
// closed, three attempts failed, or the `users` table could not be opened
// (its message has been shown).
bool LOGIN(Workstation& workstation);

}  // namespace mx::shell
