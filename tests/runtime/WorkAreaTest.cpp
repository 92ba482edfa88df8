// Cursor behaviour over tables and indexes: seeks with the partial-key rule,
// soft seeks, BOF/EOF and the phantom record, hidden deleted records,
// filters, scopes, key maintenance on every change, and file names.
#include <gtest/gtest.h>

#include <filesystem>

#include "Error.h"
#include "Path.h"
#include "People.h"
#include "Session.h"
#include "TestUtil.h"

using namespace mx::rt;
using mx::test::TempDir;
using mx::test::goldenPath;

namespace {

// Opens copies of the golden people table with all six golden indexes,
// shared and exclusively: exclusive areas defer record reads until a record
// is looked at and test deletion flags from the table's cache, so every
// cursor rule is checked on both paths.
struct PeopleFixture : ::testing::TestWithParam<OpenMode> {
    TempDir dir;
    Session s;
    WorkArea* a = nullptr;
    void SetUp() override {
        for (const char* f : {"people.dbf", "people.dbt", "people_name.ntx", "people_amount.ntx", "people_born.ntx",
                              "people_bornd.ntx", "people_combo.ntx", "people_active.ntx"})
            dir.copyGolden(f);
        a = &s.open(dir.file("people.dbf"), "PEOPLE", GetParam());
        for (const char* f : {"people_name", "people_amount", "people_born", "people_bornd", "people_combo", "people_active"})
            a->addOrder(dir.file(f));
        a->setOrder(1);
    }
    std::vector<std::uint32_t> walk() {
        std::vector<std::uint32_t> r;
        for (a->goTop(); !a->eof(); a->skip()) r.push_back(a->recno());
        return r;
    }
    std::vector<std::uint32_t> walkBack() {
        std::vector<std::uint32_t> r;
        for (a->goBottom(); !a->bof() && !a->eof(); a->skip(-1)) r.push_back(a->recno());
        return r;
    }
};

using Recs = std::vector<std::uint32_t>;

}  // namespace

TEST_P(PeopleFixture, EveryGoldenOrderWalksAsTheReferenceListsIt) {
    const Recs expected[] = {
        {13, 2, 3, 6, 8, 9, 11, 10, 12, 5, 1, 7, 4}, {7, 2, 10, 11, 5, 3, 13, 12, 9, 8, 6, 1, 4},
        {3, 11, 13, 4, 1, 10, 2, 8, 9, 7, 5, 6, 12}, {3, 11, 13, 4, 1, 10, 2, 8, 9, 7, 5, 6, 12},
        {13, 10, 4, 3, 1, 6, 8, 2, 5, 7, 9, 11, 12}, {2, 5, 7, 10, 11, 13, 1, 3, 4, 6, 8, 9, 12},
    };
    for (int order = 1; order <= 6; ++order) {
        a->setOrder(order);
        EXPECT_EQ(walk(), expected[order - 1]) << "order " << order;
        Recs back = expected[order - 1];
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(walkBack(), back) << "order " << order;
    }
    a->setOrder(0);
    EXPECT_EQ(walk(), (Recs{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
}

TEST_P(PeopleFixture, SeeksFollowThePartialKeyRule) {
    struct Case {
        const char* key;
        bool soft;
        bool found;
        std::uint32_t recno;  // 14 = end of file
    };
    for (Case c : {Case{"BAK", false, true, 3}, Case{"BAKER ", false, true, 3}, Case{"BAKERX", false, false, 14},
                   Case{"BAKERX", true, false, 8}, Case{"bak", false, false, 14}, Case{"", false, true, 13},
                   Case{"ZZZ", true, false, 14}}) {
        SCOPED_TRACE(std::string("seek '") + c.key + "' soft=" + (c.soft ? "yes" : "no"));
        EXPECT_EQ(a->seek(Value::character(c.key), c.soft), c.found);
        EXPECT_EQ(a->found(), c.found);
        EXPECT_EQ(a->recno(), c.recno);
        EXPECT_EQ(a->eof(), c.recno == 14);
    }
    EXPECT_TRUE(a->seek(Value::character("BAKER"), false, true));
    EXPECT_EQ(a->recno(), 6u) << "seek last";
    // The soft setting of the session is the default.
    s.settings().softSeek = true;
    EXPECT_FALSE(a->seek(Value::character("BAKERX")));
    EXPECT_EQ(a->recno(), 8u);
    s.settings().softSeek = false;
    // EXACT does not change seeking.
    s.settings().exact = true;
    EXPECT_TRUE(a->seek(Value::character("BAK")));
    s.settings().exact = false;
    // Numeric keys compare in full; date keys partially through DTOS.
    a->setOrder(2);
    EXPECT_TRUE(a->seek(Value::numeric(-45.25, 9, 2)));
    EXPECT_EQ(a->recno(), 2u);
    EXPECT_FALSE(a->seek(Value::numeric(-45.2, 9, 2)));
    a->setOrder(3);
    EXPECT_TRUE(a->seek(Value::character("198511")));
    EXPECT_EQ(a->recno(), 2u);
    a->setOrder(4);
    EXPECT_TRUE(a->seek(Value::date(dayFromYmd(2000, 2, 29))));
    EXPECT_EQ(a->recno(), 5u);
}

TEST_P(PeopleFixture, HiddenDeletedRecordsAndBoundaries) {
    s.settings().deletedHidden = true;
    EXPECT_EQ(walk(), (Recs{13, 2, 3, 6, 8, 10, 12, 5, 1, 7, 4}));
    EXPECT_FALSE(a->seek(Value::character("DELETED")));
    EXPECT_TRUE(a->eof());
    EXPECT_FALSE(a->seek(Value::character("DELETED"), true));
    EXPECT_EQ(a->recno(), 10u) << "soft seek lands on EVANS";
    // Skipping back before the first visible record stays on it with BOF.
    a->goTop();
    a->skip(-1);
    EXPECT_TRUE(a->bof());
    EXPECT_FALSE(a->eof());
    EXPECT_EQ(a->recno(), 13u);
    // Past the last: the phantom record; back again: the last visible one.
    a->goBottom();
    a->skip();
    EXPECT_TRUE(a->eof());
    EXPECT_EQ(a->recno(), 14u);
    EXPECT_EQ(a->fieldValue("AMOUNT").num(), 0);
    a->skip(-1);
    EXPECT_EQ(a->recno(), 4u);
    // Natural order hides them too.
    a->setOrder(0);
    a->goTo(8);
    a->skip();
    EXPECT_EQ(a->recno(), 10u);
}

TEST_P(PeopleFixture, FiltersAndScopes) {
    a->setFilter("ACTIVE .AND. CODE < 20");
    EXPECT_EQ(walk(), (Recs{3, 6, 1, 4}));
    a->setFilter("");
    a->setScope(Value::character("B"), Value::character("D"));
    EXPECT_EQ(walk(), (Recs{3, 6, 8, 9, 11}));
    EXPECT_EQ(walkBack(), (Recs{11, 9, 8, 6, 3}));
    EXPECT_FALSE(a->seek(Value::character("F")));
    EXPECT_TRUE(a->eof()) << "FOX lies outside the scope";
    a->setScope(std::nullopt, Value::character("BAKER"));
    EXPECT_EQ(walk(), (Recs{13, 2, 3, 6}));
    a->clearScope();
    // Nothing visible: top and bottom give EOF and BOF together.
    a->setFilter("CODE > 10000");
    a->goTop();
    EXPECT_TRUE(a->eof());
    EXPECT_TRUE(a->bof());
    EXPECT_EQ(a->recno(), 14u);
}

TEST_P(PeopleFixture, KeyCountAndPositionFollowTheOrder) {
    EXPECT_EQ(a->keyCount(), 13u);
    a->goTop();
    EXPECT_EQ(a->keyPosition(), 1u);
    a->seek(Value::character("FOX"));
    EXPECT_EQ(a->keyPosition(), 9u);
    a->goToKeyPosition(11);
    EXPECT_EQ(a->recno(), 1u);
    a->goBottom();
    EXPECT_EQ(a->keyPosition(), 13u);
}

TEST_P(PeopleFixture, ChangesKeepEveryOpenOrderExact) {
    // Rename record 1 to CLARK: it goes after the existing CLARK (ties keep
    // insertion order), and every other order stays exact as well.
    a->goTo(1);
    ASSERT_TRUE(a->lock());
    a->setField("NAME", Value::character("Clark"));
    a->setField("AMOUNT", Value::numeric(-2000, 9, 2));
    a->unlock();
    a->seek(Value::character("CLARK"));
    EXPECT_EQ(a->recno(), 8u);
    a->skip();
    EXPECT_EQ(a->recno(), 1u);
    a->setOrder(2);
    a->goTop();
    EXPECT_EQ(a->recno(), 1u);
    // Appends and deletions.
    ASSERT_TRUE(a->append());
    a->setField("NAME", Value::character("Aaron"));
    a->setField("BORN", Value::date(dayFromYmd(1950, 1, 1)));
    a->commit();
    a->setOrder(1);
    a->goTop();
    a->skip();
    EXPECT_EQ(a->recno(), 14u);
    a->goTo(5);
    ASSERT_TRUE(a->lock());
    a->deleteRecord();
    a->unlock();
    auto problems = a->checkIntegrity();
    EXPECT_TRUE(problems.empty()) << problems.front();
    // Damage the name index behind its back: the check says what is wrong.
    a->goTo(2);
    a->lock();
    a->setFieldBytes(a->fieldIndex("NAME"), "ADAMS, MARY");
    a->unlock();
    problems = a->checkIntegrity();
    EXPECT_TRUE(problems.empty()) << "upper-casing does not change the key";
}

INSTANTIATE_TEST_SUITE_P(BothModes, PeopleFixture, ::testing::Values(OpenMode::Shared, OpenMode::Exclusive),
                         [](const auto& info) { return info.param == OpenMode::Shared ? "Shared" : "Exclusive"; });

TEST(WorkAreaOrders, ForConditionsUniqueAndTheLimitOfSeven) {
    TempDir dir;
    dir.copyGolden("people.dbf");
    dir.copyGolden("people.dbt");
    Session s;
    WorkArea& a = s.open(dir.file("people.dbf"), "PEOPLE", OpenMode::Exclusive);
    a.createOrder(dir.file("act.ntx"), "UPPER(NAME)", "ACTIVE");
    std::vector<std::uint32_t> r;
    for (a.goTop(); !a.eof(); a.skip()) r.push_back(a.recno());
    EXPECT_EQ(r, (std::vector<std::uint32_t>{3, 6, 8, 9, 12, 1, 4}));
    a.goTo(2);
    a.setField("ACTIVE", Value::logical(true));   // enters the index
    a.goTo(3);
    a.setField("ACTIVE", Value::logical(false));  // leaves it
    a.commit();
    r.clear();
    for (a.goTop(); !a.eof(); a.skip()) r.push_back(a.recno());
    EXPECT_EQ(r, (std::vector<std::uint32_t>{2, 6, 8, 9, 12, 1, 4}));
    EXPECT_TRUE(a.checkIntegrity().empty());

    a.createOrder(dir.file("uniq.ntx"), "CODE", "", true);
    r.clear();
    for (a.goTop(); !a.eof(); a.skip()) r.push_back(a.recno());
    EXPECT_EQ(r, (std::vector<std::uint32_t>{13, 4, 1, 6, 2, 5, 7, 9, 11, 12}));

    for (int i = 3; i <= 7; ++i) a.createOrder(dir.file("o" + std::to_string(i) + ".ntx"), "NAME");
    EXPECT_EQ(a.orderCount(), 7);
    EXPECT_THROW(a.createOrder(dir.file("o8.ntx"), "NAME"), DbError);
    // A key that cannot be evaluated names the expression and leaves no file.
    a.clearOrders();
    try {
        a.createOrder(dir.file("bad.ntx"), "UPPER(NOSUCHFIELD)");
        ADD_FAILURE();
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::BadExpression);
        EXPECT_NE(std::string(e.what()).find("NOSUCHFIELD"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.ntx")));
}

TEST(WorkAreaOrders, PackAndZapRebuildOpenIndexes) {
    TempDir dir;
    dir.copyGolden("people.dbf");
    dir.copyGolden("people.dbt");
    Session s;
    WorkArea& a = s.open(dir.file("people.dbf"), "PEOPLE", OpenMode::Exclusive);
    a.createOrder(dir.file("people_packed_name.ntx"), "UPPER( NAME )");
    a.pack();
    std::vector<std::uint32_t> r;
    for (a.goTop(); !a.eof(); a.skip()) r.push_back(a.recno());
    EXPECT_EQ(r, (std::vector<std::uint32_t>{11, 2, 3, 6, 8, 9, 10, 5, 1, 7, 4}));
    s.closeAll();
    EXPECT_EQ(mx::test::readFileBytes(dir.file("people_packed_name.ntx")),
              mx::test::readFileBytes(goldenPath("people_packed_name.ntx")));
    WorkArea& z = s.open(dir.file("people.dbf"), "PEOPLE", OpenMode::Exclusive);
    z.addOrder(dir.file("people_packed_name.ntx"));
    z.zap();
    EXPECT_EQ(z.keyCount(), 0u);
    EXPECT_EQ(std::filesystem::file_size(dir.file("people_packed_name.ntx")), 2048u);
}

TEST(WorkAreaNames, FilesResolveCaseInsensitivelyAndWithBackslashes) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("DATA"));
    mx::test::writeFileBytes(dir.file("DATA/PEOPLE.DBF"), mx::test::readFileBytes(goldenPath("people.dbf")));
    mx::test::writeFileBytes(dir.file("DATA/PEOPLE.DBT"), mx::test::readFileBytes(goldenPath("people.dbt")));
    mx::test::writeFileBytes(dir.file("DATA/PEOPLE_N.NTX"), mx::test::readFileBytes(goldenPath("people_name.ntx")));
    Session s;
    WorkArea& a = s.open(joinDataPath(dir.path(), "data\\people"), "", OpenMode::Shared);
    EXPECT_EQ(a.alias(), "PEOPLE");
    a.addOrder(joinDataPath(dir.path(), "Data\\People_n"));
    a.goTop();
    EXPECT_EQ(a.recno(), 13u);
    a.goTo(1);
    EXPECT_EQ(a.fieldValue("NOTES").str(), "First note.");
    EXPECT_THROW(s.open(dir.file("people"), "PEOPLE"), DbError) << "alias in use";
    EXPECT_EQ(joinDataPath("C:\\MX\\", "..\\lib.dbf"), "/MX/../lib.dbf");
    EXPECT_EQ(joinDataPath("base", "sub\\x.dbf"), "base/sub/x.dbf");
    EXPECT_EQ(joinDataPath("base", "/abs/x.dbf"), "/abs/x.dbf");
}

TEST(WorkAreaExpressions, FieldsOfOtherAreasAndAppFunctions) {
    TempDir dir;
    dir.copyGolden("people.dbf");
    dir.copyGolden("people.dbt");
    DbfTable::create(dir.file("codes.dbf"), {numField("CODE", 4), charField("LABEL", 8)});
    Session s;
    WorkArea& c = s.open(dir.file("codes.dbf"), "CODES", OpenMode::Exclusive);
    for (int code : {10, 20}) {
        c.append();
        c.setField("CODE", Value::numeric(code));
        c.setField("LABEL", Value::character("L" + std::to_string(code)));
    }
    c.createOrder(dir.file("codes.ntx"), "CODE");
    WorkArea& p = s.open(dir.file("people.dbf"), "PEOPLE", OpenMode::Exclusive);
    // A filter naming another area's field, as a relation would.
    c.seek(Value::numeric(20));
    p.setFilter("people->CODE == codes->Code");
    std::vector<std::uint32_t> r;
    for (p.goTop(); !p.eof(); p.skip()) r.push_back(p.recno());
    EXPECT_EQ(r, (std::vector<std::uint32_t>{2, 8}));
    p.setFilter("");
    // A key calling a function the program registered.
    s.registerFunction("BAND", AppFunction{1, 1, [](const ExprHost&, std::span<const Value> args) {
                                                return Value::character(args[0].num() < 0 ? "NEG" : "POS");
                                            }});
    p.createOrder(dir.file("band.ntx"), "BAND(AMOUNT)+UPPER(NAME)");
    EXPECT_TRUE(p.seek(Value::character("NEGADAMS")));
    EXPECT_EQ(p.recno(), 2u);
}
