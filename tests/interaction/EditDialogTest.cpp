// The edit pattern played on `libcat`: Save writes the working values under
// the record's lock and Cancel writes nothing; a dialog that writes some of
// its fields leaves the others as another workstation last wrote them; a
// field changed here and elsewhere is asked about (Yes writes it, No keeps
// the dialog open on the other value); a lock held elsewhere makes Save
// alert (or stay quiet) and write nothing; the screen's keys come back in
// every case; and an Add's appended record, discarded again.
#include <gtest/gtest.h>

#include "EditDialog.h"
#include "Opening.h"
#include "SessionHarness.h"

using namespace mx;
using mx::ia::test::SessionHarness;
using mx::rt::Value;

namespace {

std::string trimmed(const Value& v) {
    std::string s = v.str();
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

class EditDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.action = [this] { runEdit(); };
    }

    // "Category" over the second `libcat` record (ABC), editing CODE and NAME.
    void runEdit() {
        ASSERT_TRUE(ds::OPNALIAS(h.ctx, "libcat"));
        rt::WorkArea& area = h.session.openArea("LIBCAT");
        area.goTo(2);
        ia::ScreenKeys keys({.viewUpdate = [this] { ++enters; }});
        keys.bind();
        if (adding) {
            appended = ia::appendRecord(h.ctx, area, {{"CODE", Value::character("NEW")}});
            if (!appended) return;
        }
        const std::uint32_t added = area.recno();
        ia::EditDialog edit(h.ctx, area, "Category", tk::Box{50, 50, 280, 720});
        edit.copy({"CODE", "NAME"});
        edit.dialog().addField({5, 55, 80, 12}, edit["CODE"], {.name = "CODE", .picture = "@!"});
        edit.dialog().addField({20, 55, 150, 12}, edit["NAME"], {.name = "NAME"});
        edit.setCaption("NAME", "Name:");
        edit.addSaveCancel({100, 10, 45, 12}, {100, 60, 45, 12});
        if (!writeOnly.empty()) edit.writeOnly(writeOnly);
        edit.onLockFailure(policy);
        if (meanwhile) meanwhile();
        outcome = edit.run(keys);
        if (adding && discard) discarded = ia::discardAdded(h.ctx, area, discardRecno ? discardRecno : added);
        enterBoundAfter = tk::HotKeys::instance().hasAction(tk::HotKeys::Enter);
        ds::CLOSDATA(h.ctx);
    }

    // The record `recno` of `libcat` read by a session of its own.
    std::pair<std::string, std::string> record(std::uint32_t recno) {
        rt::Session s;
        rt::WorkArea& a = s.open(h.tmp.file("libcat.dbf"), "", rt::OpenMode::Shared, true);
        a.goTo(recno);
        return {trimmed(a.fieldValue("CODE")), trimmed(a.fieldValue("NAME"))};
    }

    void play(const std::string& script) { ASSERT_EQ(h.play(script), 0) << h.joined(); }

    SessionHarness h;
    // Another workstation writes `field` of record 2 while the dialog stands.
    void changedElsewhere(const char* field, const char* value) {
        meanwhile = [this, field, value] {
            rt::Session other;
            rt::WorkArea& a = other.open(h.tmp.file("libcat.dbf"), "", rt::OpenMode::Shared);
            a.goTo(2);
            ASSERT_TRUE(a.lock());
            a.setField(field, Value::character(value));
            a.unlock();
            other.closeAll();
        };
    }

    bool adding = false, appended = false, discard = false, discarded = false;
    std::uint32_t discardRecno = 0;
    std::vector<std::string> writeOnly;
    ia::LockFailure policy = ia::LockFailure::Alert;
    std::function<void()> meanwhile;
    ia::EditOutcome outcome = ia::EditOutcome::Cancelled;
    bool enterBoundAfter = false;
    int enters = 0;
};

TEST_F(EditDialogTest, SaveWritesTheWorkingValuesAndCancelNothingAndTheScreensKeysComeBack) {
    play("menu Run\nset CODE abx\nset NAME Bronze\npress Save\n");
    EXPECT_EQ(outcome, ia::EditOutcome::Saved);
    EXPECT_EQ(record(2), (std::pair<std::string, std::string>{"ABX", "Bronze"}));
    EXPECT_TRUE(enterBoundAfter);

    h.lines.clear();
    play("menu Run\nset CODE zzz\nkey Escape\n");
    play("menu Run\nset NAME nothing\npress Cancel\n");
    EXPECT_EQ(outcome, ia::EditOutcome::Cancelled);
    EXPECT_EQ(record(2), (std::pair<std::string, std::string>{"ABX", "Bronze"}));
    EXPECT_TRUE(enterBoundAfter);

    // Page Down saves as the button does.
    play("menu Run\nset NAME Paged\nkey PageDown\n");
    EXPECT_EQ(outcome, ia::EditOutcome::Saved);
    EXPECT_EQ(record(2).second, "Paged");
}

TEST_F(EditDialogTest, AFieldTheDialogDoesNotWriteKeepsWhatAnotherWorkstationWroteMeanwhile) {
    writeOnly = {"CODE"};
    // Another workstation renames the record while the dialog stands.
    meanwhile = [this] {
        rt::Session other;
        rt::WorkArea& a = other.open(h.tmp.file("libcat.dbf"), "", rt::OpenMode::Shared);
        a.goTo(2);
        ASSERT_TRUE(a.lock());
        a.setField("NAME", Value::character("Renamed elsewhere"));
        a.unlock();
        other.closeAll();
    };
    play("menu Run\nset CODE abq\nset NAME typed\npress Save\n");
    EXPECT_EQ(record(2), (std::pair<std::string, std::string>{"ABQ", "Renamed elsewhere"}));
}

TEST_F(EditDialogTest, FieldsChangedElsewhereAndNotHereKeepTheOtherWorkstationsValues) {
    changedElsewhere("NAME", "Renamed elsewhere");
    play("menu Run\nset CODE abq\npress Save\n");
    EXPECT_EQ(outcome, ia::EditOutcome::Saved);
    EXPECT_EQ(record(2), (std::pair<std::string, std::string>{"ABQ", "Renamed elsewhere"}));
    EXPECT_FALSE(h.hasPrefix("yesno")) << h.joined();

    // Both changed the field to the same text: nothing to ask.
    h.lines.clear();
    changedElsewhere("NAME", "Same");
    play("menu Run\nset NAME Same\npress Save\n");
    EXPECT_EQ(record(2).second, "Same");
    EXPECT_FALSE(h.hasPrefix("yesno")) << h.joined();
}

TEST_F(EditDialogTest, AFieldChangedHereAndElsewhereIsAskedAndYesWritesThisUsersValue) {
    changedElsewhere("NAME", "Theirs");
    // While the box stands the other workstation changes it once more: asked again.
    bool again = false;
    h.onLine = [&](const std::string& line) {
        if (again || line.rfind("yesno", 0) != 0) return;
        again = true;
        changedElsewhere("NAME", "Again");
        meanwhile();
    };
    play("menu Run\nset CODE abq\nset NAME Mine\nanswer yes\nanswer yes\npress Save\n");
    const std::string asked = "yesno \"Changed on another workstation while you edited:\\nName: ";
    EXPECT_TRUE(h.has(asked + "Theirs\\nSave yours over them?\" yes")) << h.joined();
    EXPECT_TRUE(h.has(asked + "Again\\nSave yours over them?\" yes")) << h.joined();
    EXPECT_EQ(outcome, ia::EditOutcome::Saved);
    EXPECT_EQ(record(2), (std::pair<std::string, std::string>{"ABQ", "Mine"}));
}

TEST_F(EditDialogTest, NoWritesNothingAndLeavesTheDialogOpenOnTheOtherValueUntilSavedAgain) {
    changedElsewhere("NAME", "Theirs");
    play("menu Run\nset CODE abq\nset NAME Mine\nanswer no\npress Save\ndump\npress Save\n");
    ASSERT_TRUE(h.has("yesno \"Changed on another workstation while you edited:\\nName: Theirs\\n"
                      "Save yours over them?\" no"))
        << h.joined();
    // Still open after No, this user's other edit kept, the other value shown.
    const std::vector<std::string> dump = h.dump(0);
    EXPECT_NE(std::find(dump.begin(), dump.end(), "field CODE \"ABQ\""), dump.end()) << h.joined();
    EXPECT_NE(std::find(dump.begin(), dump.end(), "field NAME \"Theirs\""), dump.end()) << h.joined();
    // The second Save has nothing to ask and writes the code alone.
    EXPECT_EQ(outcome, ia::EditOutcome::Saved);
    EXPECT_EQ(record(2), (std::pair<std::string, std::string>{"ABQ", "Theirs"}));
    EXPECT_EQ(std::count_if(h.lines.begin(), h.lines.end(), [](const std::string& l) { return l.rfind("yesno", 0) == 0; }), 1)
        << h.joined();
}

TEST_F(EditDialogTest, ALockHeldElsewhereWritesNothingWithTheAlertOrQuietly) {
    rt::Session other;
    rt::WorkArea& holder = other.open(h.tmp.file("libcat.dbf"), "", rt::OpenMode::Shared);
    holder.goTo(2);
    ASSERT_TRUE(holder.lock());

    play("menu Run\nset NAME lost\npress Save\n");
    EXPECT_EQ(outcome, ia::EditOutcome::LockFailed);
    EXPECT_TRUE(h.has("alert \"Unable to Lock Record.  Try Again Later!\"")) << h.joined();
    EXPECT_EQ(record(2).second, "Aluminium");
    EXPECT_GT(h.sleeper.count(), 50) << "the lock is retried for its whole budget";
    EXPECT_TRUE(enterBoundAfter);

    h.lines.clear();
    policy = ia::LockFailure::Quiet;
    play("menu Run\nset NAME lost\npress Save\n");
    EXPECT_EQ(outcome, ia::EditOutcome::LockFailed);
    EXPECT_FALSE(h.hasPrefix("alert")) << h.joined();
    EXPECT_EQ(record(2).second, "Aluminium");
    other.closeAll();
}

TEST_F(EditDialogTest, AnAddAppendsTheStampedRecordAndACancelledOneIsDiscardedUnderItsLock) {
    adding = true;
    play("menu Run\nset NAME typed\npress Cancel\n");
    EXPECT_TRUE(appended);
    EXPECT_EQ(record(5), (std::pair<std::string, std::string>{"NEW", ""}));
    // Nothing stays locked: another workstation can lock the new record, and
    // while it holds it the record cannot be discarded.
    {
        rt::Session other;
        rt::WorkArea& a = other.open(h.tmp.file("libcat.dbf"), "", rt::OpenMode::Shared);
        a.goTo(5);
        ASSERT_TRUE(a.lock());
        discard = true;
        discardRecno = 5;
        play("menu Run\nkey Escape\n");
        EXPECT_FALSE(discarded);
        EXPECT_TRUE(h.has("alert \"Unable to Lock Record.  Try Again Later!\"")) << h.joined();
        other.closeAll();
    }
    discardRecno = 0;
    play("menu Run\nclose\n");
    EXPECT_TRUE(discarded);
    rt::Session s;
    rt::WorkArea& a = s.open(h.tmp.file("libcat.dbf"), "", rt::OpenMode::Shared, true);
    a.goTo(7);
    EXPECT_TRUE(a.deleted());
    a.goTo(5);
    EXPECT_FALSE(a.deleted()) << "the record whose discard found it locked";
}

}  // namespace
