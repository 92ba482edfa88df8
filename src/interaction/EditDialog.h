// The edit pattern every screen repeats: the fields of the current record
// are copied into working values, a dialog edits the copies, and Save locks
// the record (wait 2), which reads it again from the file, and writes back
// only the fields this user changed, then commits and unlocks. No lock is
// held while the dialog is open, nor while a box is on screen. A field
// another workstation changed meanwhile and this one did not keeps the other
// workstation's value; a field both changed (to different values) is asked
// about: "Save yours over them?" Yes, and this user's value is written (the
// last writer wins for that field only); No, and nothing is written, the
// dialog stays open showing the values now on file in those fields.
// Whatever happens, the screen's keys are bound again and its list
// refreshed when the dialog is over.
//
//   ia::EditDialog edit(ctx, area, "Library / Suite Code View", {50, 50, 280, 720});
//   edit.copy({"CODE", "DESC"});
//   tk::Dialog& dlg = edit.dialog();
//   dlg.addField({5, 55, 80, 12}, edit["CODE"], {.name = "CODE", .picture = "@!"});
//   edit.addSaveCancel({100, 10, 45, 12}, {100, 60, 45, 12});
//   edit.run(screenKeys, browse);
//
// `appendRecord` is the step before the dialog of an Add: a blank record
// appended, locked, stamped with its owner's key fields and unlocked;
// `openEdit` marks it deleted again when that dialog is cancelled.
#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "DataContext.h"
#include "Dialog.h"
#include "HotKeyConvention.h"
#include "Value.h"

namespace mx::ia {

inline const QString kUnableToLock = QStringLiteral("Unable to Lock Record.  Try Again Later!");
inline const QString kUnableToAdd = QStringLiteral("Unable to Add Record to Data File.  Try Again Later!");

// Copies of named fields of one record. References returned stay valid for
// the life of the object (controls are bound to them).
class WorkingValues {
public:
    // Copies `fields` of the area's current record, in that order; a name
    // the table does not have is an rt::DbError (NotFound).
    void copy(const rt::WorkArea& area, const std::vector<std::string>& fields);
    // The working value of a copied field (any case); std::out_of_range
    // for a field that was not copied.
    rt::Value& operator[](std::string_view field);
    const rt::Value& operator[](std::string_view field) const;
    bool has(std::string_view field) const;
    // The copied fields in the order they were copied (upper case).
    const std::vector<std::string>& fields() const { return order_; }
    // Stores the working values of `fields` into the area's current record
    // (which the caller has locked). A value still equal to the one copied is
    // stored as the bytes copied, so a field nobody changed keeps exactly what
    // the file held (a blank logical or number stays blank).
    void store(rt::WorkArea& area, const std::vector<std::string>& fields) const;

    // Whether the working value of a copied field differs from the value
    // copied (memo fields: by their text).
    bool changedHere(std::string_view field) const;
    // Whether the area's current record holds other bytes in a copied field
    // than were copied (memo fields: another text).
    bool changedElsewhere(const rt::WorkArea& area, std::string_view field) const;
    // Takes `now` (and its bytes) as the field's copied value; with `adopt`
    // also as its working value.
    void rebase(std::string_view field, const rt::Value& now, std::string bytes, bool adopt);

private:
    std::map<std::string, rt::Value, std::less<>> values_;
    std::map<std::string, std::pair<rt::Value, std::string>, std::less<>> copied_;  // value and bytes as copied
    std::vector<std::string> order_;
};

// What Save does when the record cannot be locked within the wait.
enum class LockFailure {
    Alert,  // "Unable to Lock Record.  Try Again Later!"
    Quiet,  // nothing written, no word
};

// The outcome of an edit dialog.
enum class EditOutcome {
    Cancelled,   // Cancel, Escape, the close box: nothing written
    Saved,       // Save: the record locked, this user's changes written, committed and unlocked
    LockFailed,  // Save, but the lock could not be had: nothing written
};

// One field of a form row: a copied field, where it stands and how it is
// edited.
struct FormField {
    const char* field = "";
    double col = 0;
    double width = 0;
    QString picture{};
    std::function<bool()> valid{};
    bool readOnly = false;
};

class EditDialog {
public:
    // The dialog over `area`'s current record. Nothing is copied or shown yet.
    EditDialog(ds::DataContext& ctx, rt::WorkArea& area, const QString& title, const tk::Box& box);

    tk::Dialog& dialog() { return dialog_; }
    WorkingValues& values() { return values_; }
    rt::Value& operator[](std::string_view field) { return values_[field]; }

    // Copies `fields` of the current record into working values.
    void copy(const std::vector<std::string>& fields) { values_.copy(area_, fields); }
    // Save writes these copied fields only, those of them this user changed
    // (default: every copied field).
    void writeOnly(std::vector<std::string> fields) {
        writes_ = std::move(fields);
        writesSet_ = true;
    }
    // Save writes every copied field except these.
    void writeAllExcept(const std::vector<std::string>& fields);
    void onLockFailure(LockFailure policy) { lockFailure_ = policy; }
    // Save (the button, Page Down, `save`) runs `check` first and ends the
    // dialog only when it holds; false keeps the dialog open and writes
    // nothing (`check` tells why).
    void setSaveCheck(std::function<bool()> check) { saveCheck_ = std::move(check); }
    // Runs under the record's lock before anything is written (a check that
    // the record's index entries are sound). An exception from it, or from
    // the write, releases the lock, ends the dialog and goes on to the caller
    // of `run`; nothing of the dialog is written in the first case.
    void beforeWrite(std::function<void()> check) { beforeWrite_ = std::move(check); }
    // Page Down and Page Up run these while the dialog stands, in place of
    // Page Down saving (a form too long for one page).
    void setPageKeys(tk::KeyAction down, tk::KeyAction up) {
        pageDown_ = std::move(down);
        pageUp_ = std::move(up);
    }
    // Save appends the record the dialog edits (ADDREC, wait 2: appended and
    // locked) and writes the values into it; nothing is added before Save.
    // A refused append is "Unable to Add Record to Data File.  Try Again
    // Later!" and the outcome LockFailed.
    void appendOnSave() { appending_ = true; }

    // Form row `k` of the dialog: `caption` at column `captionCol` and the
    // fields after it, each named after its field. Rows are 13 layout units
    // apart (captions at 13k + 7, fields at 13k + 5). The caption names
    // those fields in the box that asks about a field changed elsewhere.
    void addRow(double k, double captionCol, const QString& caption, const std::vector<FormField>& fields);
    // The name a field goes by in that box (a dialog that places its
    // fields itself); without one, the field's name.
    void setCaption(std::string_view field, const QString& caption);
    QString caption(std::string_view field) const;

    // The "&Save" and "&Cancel" buttons; Page Down does what Save does.
    void addSaveCancel(const tk::Place& save, const tk::Place& cancel);
    // Saves as the Save button does (for screens with buttons of their
    // own): when the save check holds, locks the record, writes this user's
    // changes and ends the dialog; a field also changed elsewhere is asked
    // about first, and No leaves the dialog open. A table failure ends the
    // dialog and goes on from `run`.
    void save();

    // Shows the dialog modally: Enter, Space, Insert, Delete and F2 to no
    // action and Page Down to Save while it stands. Save (above) writes while
    // the dialog stands; when nothing is to be written (writeOnly with no
    // field, or no field changed) the record is neither locked nor written.
    // A lock that could not be had is told after the dialog has closed.
    // Afterwards, in every case (also when a table failure escapes),
    // `screen`'s keys are bound again and `list`, when given, re-synchronised.
    EditOutcome run(const ScreenKeys& screen, tk::Browse* list = nullptr);

private:
    // A field the file now holds otherwise than copied, as read under the lock.
    struct Theirs {
        std::string field;
        rt::Value now;
        std::string bytes;
        bool conflict;  // changed here too, to another value
    };
    // Locks the record and writes this user's changes, or, when a field was
    // changed both here and elsewhere, unlocks and returns what the file holds.
    EditOutcome write(std::vector<Theirs>& theirs);
    // With the record locked: the check before writing, `fields` stored and
    // committed, the lock released (also when the check or the write fails).
    void storeLocked(const std::vector<std::string>& fields);
    QString conflictText(const std::vector<Theirs>& theirs) const;

    ds::DataContext& ctx_;
    rt::WorkArea& area_;
    tk::Dialog dialog_;
    WorkingValues values_;
    std::vector<std::string> writes_;
    bool writesSet_ = false;
    LockFailure lockFailure_ = LockFailure::Alert;
    bool saved_ = false;
    bool appending_ = false;
    EditOutcome outcome_ = EditOutcome::Cancelled;
    std::exception_ptr failure_;
    std::map<std::string, QString, std::less<>> captions_;
    std::function<bool()> saveCheck_;
    std::function<void()> beforeWrite_;
    tk::KeyAction pageDown_, pageUp_;
};

// The record an Add edits: appends a blank record to `area` (ADDREC, wait
// 2), locks it (RECLOCK, wait 2), sets `keyFields` and unlocks; the new
// record is current. `discardAdded` marks it deleted again.
// False when the append or the lock failed; with `alert` the user is told
// "Unable to Add Record to Data File.  Try Again Later!" or
// "Unable to Lock Record.  Try Again Later!" (the append service has shown
// its own notice first).
bool appendRecord(ds::DataContext& ctx, rt::WorkArea& area,
                  const std::vector<std::pair<std::string, rt::Value>>& keyFields = {}, bool alert = true);

// The record `recno` of `area` an Add appended and then left (its dialog
// cancelled): marked deleted under its lock (RECLOCK, wait 2), so that no
// blank record stays behind. A lock that cannot be had is "Unable to Lock
// Record.  Try Again Later!" and false.
bool discardAdded(ds::DataContext& ctx, rt::WorkArea& area, std::uint32_t recno);

// Opens a list screen's edit dialog on the list's current record, or, with
// `adding`, on the record `append` adds first (false when it could not,
// after telling why; it re-synchronises the list on the new record). In the
// guarded block, with the list's area selected; nothing is shown at the end
// of the list. `show` builds the dialog and runs it with `screen` and `list`
// (EditDialog::run), which bind the keys and re-synchronise the list
// afterwards, and returns its outcome; an Add cancelled leaves no record
// (discardAdded, the list re-synchronised again). When `show` is not reached
// (or a table failure ends it first) this binds the keys and
// re-synchronises the list itself.
void openEdit(ds::DataContext& ctx, tk::Browse& list, const ScreenKeys& screen, bool adding,
              const std::function<bool()>& append, const std::function<EditOutcome()>& show);

}  // namespace mx::ia
