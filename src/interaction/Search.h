// `SRCH`: the incremental search of a browse screen, bound to F2 and to
// every "&Search" button, and used inside the lookup dialog.
#pragma once

#include <QString>

#include "Browse.h"
#include "DataContext.h"

namespace mx::ia {

// The bitmap of the search prompt, a file of the data folder
// (ds::dataFile(ctx, ...) finds it there).
inline const QString kSearchBitmap = QStringLiteral("lupa.bmp");

// Asks for a search text ("Search", a 10-character field, case kept) and
// soft-seeks its trimmed form in the browse's area in the area's current
// order: a key matches when it begins with the text. A match becomes the
// current row; no match gives "No Match Found" and leaves the browse on the
// record it was on; a cancelled prompt changes nothing. The area must have a
// controlling order. `bitmap` is the prompt's picture (the data folder's
// search bitmap, as the caller finds it).
void SRCH(tk::Browse& browse, const QString& bitmap = kSearchBitmap);

// The search of a screen listed by code: asks for a code ("Search", the
// caption `label`, `width` characters, upper case, the search bitmap of the
// data folder) and soft-seeks it, trimmed and in upper case, in the list's
// current order; a miss gives "No Match Found" and the first row. The
// session's soft-seek setting is put back. In the guarded block.
void searchByCode(ds::DataContext& ctx, tk::Browse& list, const QString& label, int width);

}  // namespace mx::ia
