// The large data set, made small: every table and index passes the check,
// the records refer to each other as real ones do (lines to configurations
// and stock items, suite codes to library entries, notes to customers), and
// the same sizes give the same files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "DataSetCheck.h"
#include "DataStoreHarness.h"
#include "LargeDataSet.h"
#include "Opening.h"
#include "TableDefaults.h"
#include "Text.h"

namespace mx::test {
namespace {

using rt::Value;

const ds::LargeDataSetSize kSmall{.customers = 300,
                                  .configurations = 30,
                                  .linesPerConfiguration = 20,
                                  .stockItems = 500,
                                  .libraryEntries = 100,
                                  .drawingElementsPerConfiguration = 8,
                                  .punchHolesPerConfiguration = 2};

class LargeDataSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        harness = new Harness;
        ds::createLargeDataSet(harness->dir(), kSmall);
        ds::applyTableAccessDefaults(harness->session);
    }
    static void TearDownTestSuite() {
        delete harness;
        harness = nullptr;
    }
    void TearDown() override { ds::CLOSDATA(harness->ctx); }

    // Field values of every record, in record order.
    static std::vector<std::map<std::string, Value>> records(const std::string& table) {
        EXPECT_TRUE(ds::OPNALIAS(harness->ctx, table, false, false)) << table;
        rt::WorkArea& a = *harness->session.selected();
        std::vector<std::map<std::string, Value>> out;
        for (a.goTop(); !a.eof(); a.skip()) {
            std::map<std::string, Value> r;
            for (int i = 0; i < a.fieldCount(); ++i) r[a.field(i).name] = a.fieldValue(i);
            out.push_back(std::move(r));
        }
        ds::CLOSDATA(harness->ctx);
        return out;
    }
    static std::string text(const Value& v) { return ds::trimRight(v.str()); }

    static Harness* harness;
};
Harness* LargeDataSetTest::harness = nullptr;

TEST_F(LargeDataSetTest, EveryTableAndIndexPassesTheCheckWithTheCountsAsked) {
    ds::CheckReport report = ds::checkDataSet(harness->ctx);
    EXPECT_TRUE(report.ok()) << (report.problems.empty() ? "" : report.problems.front());
    EXPECT_GT(report.indexesChecked, 20);
    EXPECT_EQ(records("mitrex").size(), 300u);
    EXPECT_EQ(records("assembly").size(), 30u);
    EXPECT_EQ(records("assline").size(), 600u);
    EXPECT_EQ(records("stock").size(), 500u);
    EXPECT_EQ(records("lib").size(), 100u);
    EXPECT_EQ(records("assdraw").size(), 240u);
    EXPECT_EQ(records("punchole").size(), 60u);
    EXPECT_EQ(records("quotdata").size(), 1u);
}

TEST_F(LargeDataSetTest, RecordsReferToEachOtherAsRealOnesDo) {
    std::set<std::string> configurations, stock, libCodes;
    std::map<std::string, bool> manualPanels;
    for (auto& r : records("assembly")) {
        configurations.insert(text(r["CODE"]));
        manualPanels[text(r["CODE"])] = r["MANPANEL"].boolean();
    }
    for (auto& r : records("stock")) stock.insert(text(r["CODE"]));
    std::map<std::pair<int, int>, int> entryAt;
    std::set<int> serials;
    for (auto& r : records("lib")) {
        libCodes.insert(text(r["CODE"]));
        entryAt[{static_cast<int>(r["GROUP"].num()), static_cast<int>(r["NUMBER"].num())}] = 1;
        serials.insert(static_cast<int>(r["SERIAL"].num()));
    }
    EXPECT_EQ(serials.size(), 100u) << "every library number once, the hundredth entry without one";
    for (auto& r : records("assembly")) EXPECT_TRUE(libCodes.count(text(r["LIB"])));
    for (auto& r : records("stock")) EXPECT_TRUE(libCodes.count(text(r["LIB"])));

    std::map<std::string, int> labour;
    std::set<std::pair<std::string, std::string>> panels;
    for (auto& r : records("asspanel")) panels.insert({text(r["ASSCODE"]), text(r["PANELCODE"])});
    for (auto& r : records("assline")) {
        const std::string code = text(r["ASSCODE"]);
        ASSERT_TRUE(configurations.count(code)) << code;
        EXPECT_TRUE(stock.count(text(r["STKCODE"]))) << text(r["STKCODE"]);
        if (r["LABOUR"].boolean()) ++labour[code];
        const std::string panel = text(r["PANELCODE"]);
        EXPECT_EQ(!panel.empty(), manualPanels[code]);
        if (!panel.empty()) {
            EXPECT_TRUE(panels.count({code, panel})) << code << " " << panel;
        }
        EXPECT_LE(std::abs(r["ADJUST"].num()), 5) << "within the default adjustment limit";
    }
    for (const std::string& c : configurations) EXPECT_EQ(labour[c], 2) << c;
    for (const char* table : {"assdraw", "punchole", "asspanel"})
        for (auto& r : records(table)) EXPECT_TRUE(configurations.count(text(r["ASSCODE"]))) << table;

    std::set<double> customers;
    for (auto& r : records("mitrex")) {
        ASSERT_TRUE(customers.insert(r["CUSTNO"].num()).second);
        const std::string code = text(r["LIBCODE1"]);
        int group = 0;
        for (char c : code) {
            if (c == '-') continue;
            ++group;
            const int v = std::stoi(std::string(1, c), nullptr, 16);
            for (int bit : {8, 4, 2, 1}) {
                if (v & bit) {
                    EXPECT_TRUE(entryAt.count({group, bit})) << code;
                }
            }
        }
        EXPECT_LE(code.size(), 24u);
    }
    for (auto& r : records("mxnote")) EXPECT_TRUE(customers.count(r["CUSTNO"].num()));
}

TEST_F(LargeDataSetTest, TheSameSizesGiveTheSameTables) {
    Harness again;
    ds::createLargeDataSet(again.dir(), kSmall);
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return content.substr(std::min<size_t>(content.size(), 32));  // the header's date of last update may differ
    };
    for (const char* table : {"mitrex", "assline", "assembly", "stock", "lib"})
        EXPECT_EQ(bytes(harness->file(std::string(table) + ".dbf")), bytes(again.file(std::string(table) + ".dbf")))
            << table;
}

}  // namespace
}  // namespace mx::test
