// The note dialog: a new note saved and read back by an independent reader,
// an existing one edited in place, Cancel (a note record added for the
// dialog goes again), a note another workstation rewrote meanwhile, and a
// note record locked or a note table locked by another workstation.
#include <gtest/gtest.h>

#include "CustomerHarness.h"
#include "CustomerNote.h"
#include "ProgramRunner.h"
#include "RegisterTables.h"

namespace mx::customers::test {
namespace {

using rt::Value;

class CustomerNoteTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("mitrex", {customer(1, "BANKSIA"), customer(2, "ACACIA & SONS PTY LTD")});
        h.append("mxnote", {{{"CUSTNO", N(1)}, {"NOTE", C("Installed 6.1.")}}});
        h.action = [this] {
            if (openRegister(h.ctx)) MXNOTE(h.ctx, N(key), company);
            selectedAfter = h.session.selected() ? h.session.selected()->alias() : "";
            ds::CLOSDATA(h.ctx);
        };
    }
    // The note records as the independent reader sees them.
    std::string readBack() {
        return mx::test::run("/usr/bin/python3 '" + std::string(MX_SOURCE_DIR) + "/tests/tools/dbf_dump.py' '" +
                             h.tmp.file("mxnote.dbf") + "'")
            .out;
    }

    CustomerHarness h;
    int key = 2;
    std::string company = "ACACIA & SONS PTY LTD";
    std::string selectedAfter = "?";
};

TEST_F(CustomerNoteTest, ANewNoteIsSavedUnderTheCustomersKeyAndReadBackByAnIndependentReader) {
    // Cancelled, the record added for the new note is marked deleted again.
    h.run("press Cancel\n");
    EXPECT_EQ(readBack(), "count 1\nlive|1|Installed 6.1.\ndeleted|2|\n");
    h.lines.clear();
    h.run("dump\nset NOTE \"Wants the commercial suites.\\nCall in March.\"\npress Save\n");
    EXPECT_TRUE(h.has("open \"Notes For ACACIA & SONS PTY LTD\"")) << h.joined();
    EXPECT_EQ(h.field(0, "NOTE"), "\"\"");
    EXPECT_EQ(selectedAfter, "MITREX");
    EXPECT_EQ(readBack(), "count 2\nlive|1|Installed 6.1.\nlive|2|Wants the commercial suites.\\r\\nCall in March.\n"
                          "deleted|2|\n");

    // Opened again: the same record, its text shown; Cancel keeps it.
    h.lines.clear();
    h.run("dump\nset NOTE \"Something else\"\npress Cancel\n");
    EXPECT_EQ(h.field(0, "NOTE"), "\"Wants the commercial suites.\\nCall in March.\"") << h.joined();
    EXPECT_EQ(readBack(), "count 2\nlive|1|Installed 6.1.\nlive|2|Wants the commercial suites.\\r\\nCall in March.\n"
                          "deleted|2|\n");
}

TEST_F(CustomerNoteTest, ANoteRewrittenElsewhereWhileOpenIsComparedByItsText) {
    key = 1;
    company = "BANKSIA";
    h.reindex();
    h.onLine = [this](const std::string& line) {
        if (line.rfind("open \"Notes For", 0) != 0) return;
        rt::Session other;
        rt::WorkArea& notes = other.open(h.tmp.file("mxnote.dbf"), "", rt::OpenMode::Shared);
        notes.goTo(1);
        ASSERT_TRUE(notes.lock());
        notes.setField("NOTE", C("Installed 6.3 elsewhere."));
        notes.unlock();
        other.closeAll();
    };
    ASSERT_EQ(h.play("menu Run\nset NOTE \"Mine\"\nanswer no\npress Save\ndump\npress Cancel\n"), 0) << h.joined();
    EXPECT_TRUE(h.has("yesno \"Changed on another workstation while you edited:\\nNote: Installed 6.3 elsewhere.\\n"
                      "Save yours over them?\" no"))
        << h.joined();
    EXPECT_EQ(h.field(0, "NOTE"), "\"Installed 6.3 elsewhere.\"") << "No: the dialog shows the other text";
    EXPECT_EQ(readBack(), "count 1\nlive|1|Installed 6.3 elsewhere.\n");
}

TEST_F(CustomerNoteTest, AnExistingNoteIsEditedInPlaceAndPageDownPagesTheTextWithoutSaving) {
    key = 1;
    company = "BANKSIA";
    std::string text = "Installed 6.2.", stored = text;
    for (int i = 1; i <= 40; ++i) {
        text += "\\nline " + std::to_string(i);
        stored += "\\r\\nline " + std::to_string(i);
    }
    // Page Down saving would close the dialog before the dump, and the
    // dump would find no note dialog.
    h.run("set NOTE \"" + text + "\"\nkey PageDown\nkey PageDown\nkey PageUp\ndump\npress Save\n");
    EXPECT_EQ(h.dump(0).at(0), "dump \"Notes For BANKSIA\"") << h.joined();
    EXPECT_EQ(h.field(0, "NOTE"), "\"" + text + "\"") << "paging typed nothing into the text";
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "open \"Notes For BANKSIA\""), 1) << h.joined();
    EXPECT_EQ(readBack(), "count 1\nlive|1|" + stored + "\n");
}

TEST_F(CustomerNoteTest, ALockHeldElsewhereIsToldAndTheNoteStaysAsItWas) {
    key = 1;
    h.reindex();
    rt::Session other;
    rt::WorkArea& notes = other.open(h.tmp.file("mxnote.dbf"), "", rt::OpenMode::Shared);
    notes.goTo(1);
    ASSERT_TRUE(notes.lock());
    ASSERT_EQ(h.play("menu Run\nset NOTE \"Lost?\"\npress Save\n"), 0) << h.joined();
    EXPECT_TRUE(h.has("alert \"Unable to Lock Record.  Try Again Later!\"")) << h.joined();
    other.closeAll();
    EXPECT_EQ(readBack(), "count 1\nlive|1|Installed 6.1.\n");

    // A note table locked whole: no record for the new note, no dialog.
    h.lines.clear();
    key = 2;
    rt::WorkArea& locked = other.open(h.tmp.file("mxnote.dbf"), "", rt::OpenMode::Shared);
    ASSERT_TRUE(locked.lockFile());
    ASSERT_EQ(h.play("menu Run\n"), 0) << h.joined();
    other.closeAll();
    EXPECT_TRUE(h.has("alert \"Unable to Add Record to Data File.  Try Again Later!\"")) << h.joined();
    EXPECT_FALSE(h.hasPrefix("open \"Notes For")) << h.joined();
    EXPECT_EQ(readBack(), "count 1\nlive|1|Installed 6.1.\n");
}

}  // namespace
}  // namespace mx::customers::test
