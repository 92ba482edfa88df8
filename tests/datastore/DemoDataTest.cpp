// The demo data set: what it must contain, that its records refer to each
// other consistently, that customers' suite codes name real suites, and that
// every configuration's drawing elements evaluate to a drawing inside its
// frame (louvres with blades).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "DataSet.h"
#include "DataStoreHarness.h"
#include "Expression.h"
#include "Opening.h"
#include "Text.h"

namespace mx::test {
namespace {

using rt::Value;

class DemoDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        harness = new Harness;
        ds::createDataSet(harness->dir(), std::string(MX_SOURCE_DIR) + "/data/demo");
    }
    static void TearDownTestSuite() {
        delete harness;
        harness = nullptr;
    }
    void TearDown() override { ds::CLOSDATA(harness->ctx); }

    // Every record of a table in record order, as field name -> value.
    using Record = std::map<std::string, Value>;
    static std::vector<Record> records(const std::string& table) {
        EXPECT_TRUE(ds::OPNALIAS(harness->ctx, table, false, false)) << table;
        rt::WorkArea& a = *harness->session.selected();
        std::vector<Record> out;
        for (a.goTop(); !a.eof(); a.skip()) {
            Record r;
            for (int i = 0; i < a.fieldCount(); ++i) r[a.field(i).name] = a.fieldValue(i);
            out.push_back(std::move(r));
        }
        return out;
    }
    static std::string text(const Record& r, const std::string& field) { return ds::trimRight(r.at(field).str()); }
    static std::set<std::string> codes(const std::string& table, const std::string& field = "CODE") {
        std::set<std::string> s;
        for (const Record& r : records(table)) s.insert(text(r, field));
        return s;
    }

    static Harness* harness;
};
Harness* DemoDataTest::harness = nullptr;

TEST_F(DemoDataTest, LargeEnoughAndCodesReferToExistingRecords) {
    auto lib = records("lib");
    EXPECT_GE(lib.size(), 20u);
    std::set<std::string> categories;
    for (const Record& r : lib) categories.insert(text(r, "CATEGORY"));
    EXPECT_GE(categories.size(), 3u);

    std::set<std::string> stockCategories, itemLists;
    std::map<std::string, std::string> listOf;
    for (const Record& r : records("stockcat")) listOf[text(r, "CODE")] = text(r, "ITEMLIST");
    for (const Record& r : records("stock")) {
        stockCategories.insert(text(r, "CATEGORY"));
        itemLists.insert(listOf[text(r, "CATEGORY")]);
    }
    EXPECT_GE(stockCategories.size(), 8u);
    EXPECT_GE(itemLists.size(), 6u);
    EXPECT_GE(records("mitrex").size(), 30u);
    EXPECT_GE(records("mxnote").size(), 10u);
    auto page = records("quotdata");
    ASSERT_EQ(page.size(), 1u);
    for (const char* f : {"TOP2", "LMARGIN", "WIDTH", "PAGELEN"}) EXPECT_GT(page[0].at(f).num(), 0) << f;

    const auto libCodes = codes("lib"), stockCodes = codes("stock"), assemblyCodes = codes("assembly");
    const auto libcat = codes("libcat"), stockcat = codes("stockcat"), assemcat = codes("assemcat");
    for (const Record& r : records("lib")) EXPECT_TRUE(libcat.count(text(r, "CATEGORY"))) << text(r, "CODE");
    for (const Record& r : records("stock")) {
        EXPECT_TRUE(stockcat.count(text(r, "CATEGORY"))) << text(r, "CODE");
        EXPECT_TRUE(text(r, "LIB").empty() || libCodes.count(text(r, "LIB"))) << text(r, "CODE");
    }
    for (const Record& r : records("assembly")) {
        EXPECT_TRUE(libCodes.count(text(r, "LIB"))) << text(r, "CODE");
        EXPECT_TRUE(assemcat.count(text(r, "ASSEMCAT"))) << text(r, "CODE");
    }
    for (const char* table : {"assline", "assdraw", "asspanel", "punchole"})
        for (const Record& r : records(table)) EXPECT_TRUE(assemblyCodes.count(text(r, "ASSCODE"))) << table;
    for (const Record& r : records("assline")) EXPECT_TRUE(stockCodes.count(text(r, "STKCODE"))) << text(r, "STKCODE");
    std::set<double> customers;
    for (const Record& r : records("mitrex")) EXPECT_TRUE(customers.insert(r.at("CUSTNO").num()).second) << "unique";
    for (const Record& r : records("mxnote")) EXPECT_TRUE(customers.count(r.at("CUSTNO").num()));
}

TEST_F(DemoDataTest, EveryConfigurationHasLinesLabourPunchHolesAndADrawing) {
    std::map<std::string, int> formula, labour, holes, elements;
    std::map<std::string, std::set<std::string>> panels;
    for (const Record& r : records("assline")) ++(r.at("LABOUR").boolean() ? labour : formula)[text(r, "ASSCODE")];
    for (const Record& r : records("punchole")) ++holes[text(r, "ASSCODE")];
    for (const Record& r : records("assdraw")) ++elements[text(r, "ASSCODE")];
    for (const Record& r : records("asspanel")) panels[text(r, "ASSCODE")].insert(text(r, "PANELCODE"));
    auto configurations = records("assembly");
    EXPECT_GE(configurations.size(), 10u);
    int withPanels = 0;
    for (const Record& c : configurations) {
        const std::string code = text(c, "CODE");
        EXPECT_GE(formula[code], 3) << code;
        EXPECT_GE(labour[code], 1) << code;
        EXPECT_GE(holes[code], 1) << code;
        EXPECT_GE(elements[code], 4) << code;
        if (c.at("MANPANEL").boolean()) {
            ++withPanels;
            EXPECT_GE(panels[code].size(), 2u) << code;
        }
    }
    EXPECT_GE(withPanels, 2);
    for (const Record& r : records("assline")) {
        const std::string panel = text(r, "PANELCODE");
        if (!panel.empty()) {
            EXPECT_TRUE(panels[text(r, "ASSCODE")].count(panel)) << panel;
        }
    }
}

TEST_F(DemoDataTest, SuiteCodesNameOnlyExistingSuitesAndAgreeWithTheNumericCodes) {
    std::map<std::pair<int, int>, int> serialAt;  // (group, number) -> serial
    for (const Record& r : records("lib"))
        serialAt[{static_cast<int>(r.at("GROUP").num()), static_cast<int>(r.at("NUMBER").num())}] =
            static_cast<int>(r.at("SERIAL").num());
    int coded = 0;
    for (const Record& c : records("mitrex")) {
        const std::string code = text(c, "LIBCODE1");
        SCOPED_TRACE(text(c, "COMPANY") + " " + code);
        ASSERT_LE(code.size(), 24u);
        // Decoded as the register decodes it: one hexadecimal digit per group, "-" skipped.
        std::set<int> serials;
        int group = 0;
        for (size_t i = 0; i < code.size(); ++i) {
            char ch = code[i];
            if (ch == '-') {
                EXPECT_EQ((i + 1) % 5, 0u) << "a dash after every fourth digit";
                continue;
            }
            ++group;
            ASSERT_TRUE(std::isxdigit(static_cast<unsigned char>(ch)));
            int v = std::stoi(std::string(1, ch), nullptr, 16);
            for (int bit : {8, 4, 2, 1}) {
                if (!(v & bit)) continue;
                auto it = serialAt.find({group, bit});
                ASSERT_NE(it, serialAt.end()) << "group " << group << " bit " << bit;
                serials.insert(it->second);
            }
        }
        if (!serials.empty()) ++coded;
        double numeric = 0;
        for (int s : serials) numeric += std::pow(2.0, s);
        EXPECT_EQ(text(c, "LIBCODE"), std::to_string(static_cast<long long>(numeric)));
    }
    EXPECT_GE(coded, 30);
}

// The drawing elements of the data sheet: every coordinate, condition
// and blade pitch evaluates, every point lies inside the frame, the frame is
// drawn on all four sides, and louvre configurations get their blades.
TEST_F(DemoDataTest, DrawingElementsDrawAWindowInsideItsFrame) {
    const std::vector<std::string> names = {"H", "W", "D", "A", "B", "C", "E", "F", "G", "I", "J", "K", "T", "TBLADEWIDTH"};
    auto configurations = records("assembly");
    auto elements = records("assdraw");
    ds::CLOSDATA(harness->ctx);
    ASSERT_TRUE(ds::OPNALIAS(harness->ctx, "assembly"));
    rt::WorkArea& assembly = *harness->session.selected();
    int blades = 0;
    for (const Record& c : configurations) {
        const std::string code = text(c, "CODE");
        SCOPED_TRACE(code);
        ASSERT_TRUE(assembly.seek(Value::character(code), false));
        auto half = [&](const std::string& prefix) {
            return (c.at(prefix + "MAX").num() - c.at(prefix + "MIN").num()) / 2;
        };
        const double H = half("HT"), W = half("WD"), T = 30;
        std::vector<Value> values = {Value::numeric(H), Value::numeric(W), Value::numeric(half("DP"))};
        for (const char* l : {"A", "B", "C", "E", "F", "G", "I", "J", "K"}) values.push_back(Value::numeric(half(l)));
        values.push_back(Value::numeric(T));
        values.push_back(c.at("BLADEWIDTH"));
        auto eval = [&](const std::string& t) {
            Value v = rt::Expression::compile(ds::allTrim(t), harness->session, names).evaluate(harness->session, values);
            EXPECT_TRUE(v.isNumeric()) << t;
            return v.num();
        };
        std::set<std::string> sides;
        for (const Record& e : elements) {
            if (text(e, "ASSCODE") != code) continue;
            const std::string type = text(e, "TYPE");
            const std::string condition = ds::allTrim(e.at("CONDITION").str());
            Value shown = rt::Expression::compile(condition.empty() ? ".T." : ".T. .AND. " + condition, harness->session)
                              .evaluate(harness->session);
            ASSERT_TRUE(shown.isLogical()) << condition;
            const double x1 = eval(e.at("FROMCOL").str()), y1 = eval(e.at("FROMROW").str());
            const double x2 = eval(e.at("TOCOL").str()), y2 = eval(e.at("TOROW").str());
            for (double x : {x1, x2}) EXPECT_TRUE(x >= 0 && x <= W) << type << " x " << x;
            for (double y : {y1, y2}) EXPECT_TRUE(y >= 0 && y <= H) << type << " y " << y;
            if (type == "LINE2B" && y1 == 0 && x1 == 0 && x2 == W) sides.insert("bottom");
            if (type == "LINE2T" && y1 == H && x1 == 0 && x2 == W) sides.insert("top");
            if (type == "LINE2L" && x1 == 0 && y1 == 0 && y2 == H) sides.insert("left");
            if (type == "LINE2R" && x1 == W && y1 == 0 && y2 == H) sides.insert("right");
            if (type == "FUNCTION" && shown.boolean()) {
                const std::string fn = ds::allTrim(e.at("FN").str());
                ASSERT_EQ(ds::upper(fn.substr(0, fn.find('('))), "BLADES");
                const double pitch = eval(fn.substr(fn.find('(') + 1, fn.size() - fn.find('(') - 2));
                ASSERT_GT(pitch, 0);
                blades += static_cast<int>((y2 - y1) / pitch);
            } else {
                static const std::set<std::string> kinds = {"LINE",   "LINE2T", "LINE2B", "LINE2R", "LINE2L", "LINE2H",
                                                            "LINE2V", "ARROWL", "ARROWR", "ARROWD", "ARROWU"};
                EXPECT_TRUE(kinds.count(type)) << type;
            }
        }
        EXPECT_EQ(sides.size(), 4u) << "the frame on all four sides";
    }
    EXPECT_GE(blades, 15);
}

}  // namespace
}  // namespace mx::test
