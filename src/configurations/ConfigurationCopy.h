// Copying a configuration with everything under it, and carrying a
// configuration's records along when its code changes. No dialogs here: the
// screen's Copy button and the header dialog's Save
// (ConfigurationCopyCommands.h) ask and tell; this is the work on the tables.
//
// Every function works on the work areas `ASSEMBLY`, `ASSLINE`, `ASSDRAW`,
// `ASSPANEL` and `PUNCHOLE`, which openCopyTables opens when they are not
// open yet. A dependent table is used unrestricted and in its first order,
// whose key begins with `ASSCODE` (as the cascade delete uses it); `assembly`
// is sought in its first order (by `CODE`) and is given back its order,
// filter and position, except that a copy leaves it on the new configuration.
// The selected work area is kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DataContext.h"

namespace mx::configurations {

// Records of one configuration code in the four dependent tables.
struct DependentCounts {
    int lines = 0;       // `assline`: formula and labour lines
    int drawings = 0;    // `assdraw`: drawing elements
    int panels = 0;      // `asspanel`
    int punchHoles = 0;  // `punchole`
    int total() const { return lines + drawings + panels + punchHoles; }
    bool operator==(const DependentCounts&) const = default;
};

// Opens those of the five tables that are not open, shared with their
// indexes; false after the opening service's alert when one cannot be.
bool openCopyTables(ds::DataContext& ctx);

// The live records of the dependent tables whose `ASSCODE` is `code`
// (trailing blanks aside).
DependentCounts countDependents(ds::DataContext& ctx, const std::string& code);

// Why `code` cannot be given to a configuration: a live configuration other
// than record `except` of `assembly` has it, or dependent records name it
// without one. `message` names the code (and the count of such records).
struct CodeRefusal {
    enum class Kind { None, Taken, Named } kind = Kind::None;
    DependentCounts named;
    std::string message;
    explicit operator bool() const { return kind != Kind::None; }
};
CodeRefusal refuseCode(ds::DataContext& ctx, const std::string& code, std::uint32_t except = 0);

struct CopyResult {
    enum class Outcome {
        Copied,   // the header and every dependent written; `assembly` on the new header
        Blank,    // nothing asked for: nothing written, nothing to say
        Refused,  // the code cannot be had (`message`); nothing written
        Failed,   // an append failed part way; what was written is marked deleted again
    } outcome = Outcome::Blank;
    std::string message;     // Refused and Failed: what to tell the user
    DependentCounts copied;  // Copied: the dependents written
    std::uint32_t header = 0;
};

// Copies the current `assembly` record as configuration `newCode` (trimmed
// and upper-cased here), with every live line, drawing element, panel and
// punch hole of its code, each given the new `ASSCODE` and every other field
// byte for byte. Each record is appended through the append service (wait 2)
// and unlocked at once; the dependents go first and the header last, so no
// other workstation sees the new configuration before all its records are
// there. When an append fails (the table busy past its retries, or a write
// refused), every record the copy had appended is marked deleted again, each
// under its lock, and the outcome is Failed.
CopyResult copyConfiguration(ds::DataContext& ctx, const std::string& newCode);

struct MoveResult {
    DependentCounts moved;
    // The records that could not be locked and stay under the old code, each
    // named by its kind, its own code and its record number.
    std::vector<std::string> stayed;
};

// Gives every live dependent record of `oldCode` the `ASSCODE` `newCode`,
// each under its own record lock (wait 2). A record that cannot be locked,
// or that another workstation meanwhile moved or deleted, is left as it is.
MoveResult moveDependents(ds::DataContext& ctx, const std::string& oldCode, const std::string& newCode);

// "Move the N lines, M drawing elements, P panels and Q punch holes of OLD to NEW?"
std::string moveQuestion(const DependentCounts& counts, const std::string& oldCode, const std::string& newCode);

}  // namespace mx::configurations
