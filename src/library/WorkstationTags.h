// What belongs to a workstation in the shared library: its tag field in
// `lib` (`TAG` for workstation 1, `TAG2` ... `TAG9` for 2 to 9) and its
// scratch table (`libimp`, `libimp2` ... `libimp9`). A number outside 1 to 9
// has neither: callers tag nothing and empty nothing for it.
#pragma once

#include <string>

namespace mx::lib {

// The tag field of workstation `ws`; empty outside 1..9.
std::string tagFieldName(int ws);
// The tag field the library's Tag column shows on workstation `ws`, and the
// one its suite code is built from: its own, `TAG` outside 1..9.
std::string shownTagFieldName(int ws);
// The alias of the workstation's scratch table; empty outside 1..9.
std::string scratchTableName(int ws);

}  // namespace mx::lib
