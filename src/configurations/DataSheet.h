// The configuration data sheet: one page for the configuration `assembly`
// stands on, with the page header (`ASSPHD`), the scaled drawing of its
// drawing elements (`CQDRAWP1`, the arithmetic in Drawing.h) and its
// settings: the left block of flags and frame widths, the right block of
// dimension letters and options.
//
// Text is placed in the page units of the page settings (`quotdata`'s
// current record): PAGELEN rows down and WIDTH columns across the page,
// the header at row TOP2, the left block at column LMARGIN.
//
// The drawing's device units are the dots of a 300 dpi page, the
// resolution its origin (row 1200, column 250) and its height of 400 were
// laid out for: so scaled, the drawing stands in the space the blocks leave
// between the header and the left block, on any paper and printer. They
// count from the same corner of the printable area as the page units.
#pragma once

#include "DataContext.h"
#include "DrawnReport.h"

namespace mx::configurations {

inline constexpr double kDrawingDotsPerInch = 300;

// `ASSPRINT`: the print job "Configuration Information Sheet." of the
// configuration `assembly` stands on (the printer chosen first; to the
// preview when `values.preview`). `assembly` and `assdraw` are open as the
// configurations screen has them (`assdraw` is opened when it is not);
// `quotdata` is opened shared. Nothing is printed when `quotdata` cannot be
// opened (its message has been shown), when its page width or length is
// not positive (an alert says so), or when `assembly` stands on no record.
//
// A drawing element that cannot be evaluated ends the printout where it
// stands: an alert names the configuration, the element's record, the
// field and the cause, and the page as far as it was drawn is delivered.
// A table that fails is explained likewise. No table is written; the
// selected work area and `assdraw`'s record are as before.
void ASSPRINT(ds::DataContext& ctx, const tk::ReportValues& values);

}  // namespace mx::configurations
