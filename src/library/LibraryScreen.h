// `LIB`: the library screen. Lists the `lib` entries (opened exclusively),
// lets the user view and change an entry (`UPD`), add one with Insert,
// search by code (`SRCH`), switch between the three index orders
// (`CHNGORDR`) and tag entries with this workstation's own tag field.
//
// The workstation number selects the tag field: `TAG` for 1, `TAG2` ...
// `TAG9` for 2 to 9. Any other number selects none: reading gives `TAG`,
// tagging changes nothing, and "Tag/&Num" stops where it would open the
// workstation's scratch table. The entry dialog always edits `TAG` itself.
//
// The tagging procedures work on the open `LIB` area, each inside its own
// guarded block: the selected area is kept, and a table failure ends the
// operation quietly.
#pragma once

#include <functional>
#include <string>

#include "Browse.h"
#include "DataContext.h"
#include "HotKeyConvention.h"
#include "WorkstationTags.h"

namespace mx::lib {

inline constexpr const char* kLibTitle = "Setup Library Codes (LIB)";
inline constexpr const char* kLibEntryTitle = "Library / Suite Code View";

// The screens of the library codes and reports that the buttons "Re&port",
// "&Lib Code" and "Customers" start; one left empty tells the user it is not
// available yet. `customers` gets the current entry's code, trimmed.
struct LibraryLinks {
    std::function<void()> report{};
    std::function<void()> libCode{};
    std::function<void(const std::string& code)> customers{};
};

// The screen. `registerMode` (called from the customer register) hides the
// "Customers" button. False when `lib` could not be opened exclusively (the
// opening service has shown why) and the screen was not shown. The work area
// selected before is selected again; `lib` is left open.
bool LIB(ds::DataContext& ctx, int ws, bool registerMode = false, const LibraryLinks& links = {});

// `UPD`: the entry dialog over the current `lib` entry; with `adding` a blank
// entry is appended first. `browse` is refreshed afterwards; the screen's
// keys are bound again when the dialog closes.
void UPD(ds::DataContext& ctx, tk::Browse& browse, const ia::ScreenKeys& screen, bool adding);
// `SRCH`: asks for a code and soft-seeks it in the active order.
void SRCH(ds::DataContext& ctx, tk::Browse& browse);

// This workstation's tag of the current entry (`TAG` outside 1..9).
bool GETTAG(ds::DataContext& ctx, int ws);
// Inverts this workstation's tag of the current entry under its lock; an
// entry locked elsewhere is left as it is, with "Unable to Lock Record.  Try
// Again Later!".
void TAG(ds::DataContext& ctx, int ws);
// Clears this workstation's tag from the current entry to the end of the
// active order, then returns to the current entry.
void UNTAG(ds::DataContext& ctx, int ws);
// Sets this workstation's tag from the current entry to the end of the
// active order on every entry with a description, then returns to it.
void TAGALL(ds::DataContext& ctx, int ws);
// Order 1 -> 2 -> 3 -> 1; the browse goes to its first row.
void CHNGORDR(tk::Browse& browse);
// Asks for a numeric library code and tags the entries it names (after
// packing `lib` and clearing this workstation's tags).
void TAGNUM(ds::DataContext& ctx, int ws, tk::Browse& browse);
// The work of TAGNUM after the prompt, on the text typed; no browse.
void tagByLibraryCode(ds::DataContext& ctx, int ws, const std::string& text);

}  // namespace mx::lib
