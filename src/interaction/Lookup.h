// `LOOKUPW`: the validation of a code typed into an edit field against a
// table. A code on file is accepted without a word; otherwise the "Lookup"
// dialog browses the table from the nearest key, and the user selects a row
// (its code replaces the value) or leaves with the value as typed.
#pragma once

#include <QString>
#include <functional>
#include <set>
#include <string>

#include "DataContext.h"
#include "Dialog.h"
#include "Value.h"

namespace mx::ia {

inline const QString kLookupUnavailable = QStringLiteral("Entry Not Validated. Database Unavailable.");

// The tables the field checks of one dialog read, each had once for the
// dialog: the first check that needs a table opens it (shared, with its
// indexes, through the opening service) and it stays open until the dialog
// is over, unless a check closes it at once (`close`). A table that cannot
// be had is not asked for again while the dialog stands, so the open's
// retries are waited out once; the user is told once, in one box that names
// the table, says why (in use on another workstation, or the opening
// service's words) and what the dialog does without it.
class DialogTables {
public:
    explicit DialogTables(ds::DataContext& ctx) : ctx_(ctx) {}
    // Closes what it opened and still holds.
    ~DialogTables();
    DialogTables(const DialogTables&) = delete;
    DialogTables& operator=(const DialogTables&) = delete;

    // The table `alias` (any case), open and selected, or nullptr when it
    // cannot be had. `without` says what the dialog does without it ("The
    // adjustments are checked against the limit 5."). A table the caller
    // had open before is used as it is and never closed here.
    rt::WorkArea* open(const std::string& alias, const QString& without);
    // Closes `alias` now when this opened it (a table another workstation
    // may want to itself); a later `open` opens it again.
    void close(const std::string& alias);
    // Whether `alias` could not be had in this dialog.
    bool missing(const std::string& alias) const;

private:
    ds::DataContext& ctx_;
    std::set<std::string> opened_;
    std::set<std::string> missing_;
};

// What a lookup through the dialog's tables does without its table.
inline const QString kLookupWithout = QStringLiteral("The codes typed are taken as they are, unchecked.");

// What the lookup is given besides the value, named as the callers pass
// them (the fourteen arguments of the lookup after the value):
struct LookupOptions {
    std::string table{};          // alias of the table, any case
    std::string keyField{};       // field expression of the code ("lib->Code")
    QString keyTitle{};           // its column header ("Code")
    int top = 50, left = 200, bottom = 350, right = 600;  // the dialog's box in screen pixels (not centred)
    std::string order = "1";      // the index order to seek in, as a number in text
    std::string secondField{};    // field expression of the description column
    QString secondTitle{};        // its header
    std::string thirdField{};     // accepted and not shown
    QString thirdTitle{};         // accepted and not shown
    // True: the caller has the table open; it is used in place and its index
    // order restored (not its record). False: the table is opened shared
    // through OPNALIAS, closed again when the code was found, left open
    // otherwise (the screen's close-all on return closes it).
    bool alreadyOpen = false;
    // The dialog's tables: the table is had through them (and used as an
    // open one); when it cannot be had the value is accepted without a
    // further word, the dialog's tables having told of it once.
    DialogTables* tables = nullptr;
};

// Validates `value` (by reference: replaced by the selected record's key
// field, otherwise left as it was). Always returns true, so the field can
// always be left. The selected work area is restored. When the dialog was
// shown, Enter and F2 are left bound to `FNIL`. A table that cannot be
// opened gets the timed box "Entry Not Validated. Database Unavailable."
// for 1 second and the value is accepted unchecked.
//
//   ia::LOOKUPW(ctx, category, {.table = "libcat", .keyField = "libcat->Code", .keyTitle = "Code",
//                               .secondField = "libcat->Desc", .secondTitle = "Name"});
bool LOOKUPW(ds::DataContext& ctx, rt::Value& value, const LookupOptions& options);

// The validation of a code field of `dialog`: `value` looked up as LOOKUPW
// does, then every control of the dialog shown again. Always true.
std::function<bool()> lookupField(ds::DataContext& ctx, tk::Dialog& dialog, rt::Value& value, LookupOptions options);

}  // namespace mx::ia
