// `ASSEMBLY`: the Configurations screen, the hub of the configuration
// editors. It opens `assline`, `assdraw`, `asspanel` and `assembly` shared
// and lists the configurations by code; from it the header dialog (`UPD`),
// the delete with its cascade (`DEL`), the search (`SRCH`), the description
// change (`DESCCHNG`) and the formula, options, extras, labour, punch-hole,
// data-sheet and report screens are started, each on the configuration
// under the cursor (the current `assembly` record).
//
// Dependent records name their configuration by value (`ASSCODE` holds the
// configuration's `CODE`); nothing else links them. A code change in the
// header dialog moves them only when the user says so (offerMove,
// ConfigurationCopyCommands.h); the Copy button copies a configuration with
// them (COPYCONF).
#pragma once

#include "Browse.h"
#include "ConfigurationLinks.h"
#include "DataContext.h"
#include "HotKeyConvention.h"

namespace mx::configurations {

// The screen's title and its header dialog's.
inline constexpr const char* kConfigurationsTitle = "Configurations - (ASSEMBLY)";
inline constexpr const char* kHeaderTitle = "Configuration View";
// The description-change prompt.
inline constexpr const char* kDescChangeTitle = "Description Change";
inline constexpr const char* kDescChangePrompt = "Enter New Description:";

// The screen. False when one of its four tables could not be opened (the
// opening service has said why; the caller ends the program); the screen
// was not shown then. The work area selected before is selected again; the
// tables are left open for the caller's close-all.
bool ASSEMBLY(ds::DataContext& ctx, const ConfigurationLinks& links = {});

// `UPD`: the header dialog over the current configuration; with `adding` a
// blank configuration is appended first (it stays when the dialog is
// cancelled). `screen` is bound again and `list` re-synchronised afterwards.
void UPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding);
// `DEL`: asks, then deletes the current configuration with its lines,
// drawing elements, panels and punch holes (`deleteConfiguration`).
void DEL(ds::DataContext& ctx, tk::Browse& list);
// `SRCH`: asks for a code and soft-seeks it in the list's order; a key that
// begins with the entry counts as found, otherwise "No Match Found" and the
// first row.
void SRCH(ds::DataContext& ctx, tk::Browse& list);
// `DESCCHNG`: a new description for the current configuration, written
// under its lock (a failed lock writes nothing and says "Unable to Lock
// Record.  Try Again Later!").
void DESCCHNG(ds::DataContext& ctx, tk::Browse& list);

// The work of `DEL` after the question, on the current `assembly` record:
//  1. `punchole` is opened (shared, with indexes) beside the screen's tables;
//  2. the configuration record is locked (wait 2) and held locked through 3;
//  3. in `assline`, `assdraw`, `asspanel` and `punchole`, unrestricted and in
//     their first order, every record whose `ASSCODE` is the code is locked,
//     marked deleted and unlocked (one that cannot be locked stays);
//  4. the configuration record is marked deleted and unlocked, and `assembly`
//     steps back one record (to its first when that passes the beginning).
// False, with nothing removed, when `punchole` could not be opened or the
// configuration record could not be locked (a busy record is left whole
// with all its dependents, and the user is told "Unable to Lock Record.  Try
// Again Later!"). The selected work area is kept.
bool deleteConfiguration(ds::DataContext& ctx);

}  // namespace mx::configurations
