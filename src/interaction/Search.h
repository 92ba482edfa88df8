// `SRCH`: the incremental search of a browse screen, bound to F2 and to
// every "&Search" button, and used inside the lookup dialog.
#pragma once

#include <QString>

#include "Browse.h"

namespace mx::ia {

// The bitmap of the search prompt, looked for in the current directory
// (the data directory of the running program).
inline const QString kSearchBitmap = QStringLiteral("lupa.bmp");

// Asks for a search text ("Search", a 10-character field, case kept) and
// soft-seeks its trimmed form in the browse's area in the area's current
// order: a key matches when it begins with the text. A match becomes the
// current row; no match gives "No Match Found" and leaves the browse on the
// record it was on; a cancelled prompt changes nothing. The area must have a
// controlling order.
void SRCH(tk::Browse& browse);

}  // namespace mx::ia
