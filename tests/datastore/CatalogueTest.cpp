// The table catalogue: every table opens through the opening service with
// the index orders its definitions give, and fields that refer to another
// table's code can hold it.
#include <gtest/gtest.h>

#include "Catalogue.h"
#include "DataSet.h"
#include "DataStoreHarness.h"
#include "Opening.h"
#include "Text.h"

namespace mx::test {
namespace {

const rt::FieldDef& fieldOf(const std::string& table, const std::string& field) {
    const ds::TableDef* t = ds::findTableDef(table);
    if (!t) throw std::runtime_error("no table " + table);
    for (const rt::FieldDef& f : t->fields)
        if (f.name == field) return f;
    throw std::runtime_error("no field " + table + "." + field);
}

TEST(CatalogueTest, EveryTableOpensThroughTheOpeningServiceWithItsOrders) {
    Harness h;
    ds::createDataSet(h.dir());
    for (const ds::TableDef& t : ds::tableCatalogue()) {
        // The orders the definitions give: records of the alias up to the first without an index, at most 7.
        int expected = 0;
        for (const ds::IndexDefEntry& e : ds::defaultIndexDefinitions()) {
            if (!ds::equalsNoCase(e.alias, t.name)) continue;
            if (e.inName.empty()) break;
            if (expected < 7) ++expected;
        }
        ASSERT_TRUE(ds::OPNALIAS(h.ctx, t.name)) << t.name << ": " << (h.sink.empty() ? "" : h.sink.messages().back().text);
        rt::WorkArea* a = h.session.selected();
        EXPECT_EQ(a->alias(), ds::upper(t.name));
        EXPECT_EQ(a->orderCount(), expected) << t.name;
        EXPECT_EQ(a->fieldCount(), static_cast<int>(t.fields.size())) << t.name;
        ds::CLOSDATA(h.ctx);
        ASSERT_TRUE(ds::OPNALIAS(h.ctx, t.name, true)) << t.name;
        ds::CLOSDATA(h.ctx);
    }
    EXPECT_TRUE(h.sink.empty());
}

TEST(CatalogueTest, FieldsNamingAnotherTablesCodeCanHoldIt) {
    struct Ref {
        const char* table;
        const char* field;
        const char* refTable;
        const char* refField;
    };
    const std::vector<Ref> refs = {
        {"assembly", "LIB", "lib", "CODE"},         {"stock", "LIB", "lib", "CODE"},
        {"lib", "CATEGORY", "libcat", "CODE"},      {"stock", "CATEGORY", "stockcat", "CODE"},
        {"assembly", "ASSEMCAT", "assemcat", "CODE"}, {"assline", "ASSCODE", "assembly", "CODE"},
        {"asspanel", "ASSCODE", "assembly", "CODE"}, {"assdraw", "ASSCODE", "assembly", "CODE"},
        {"punchole", "ASSCODE", "assembly", "CODE"}, {"assline", "STKCODE", "stock", "CODE"},
        {"assline", "PANELCODE", "asspanel", "PANELCODE"}, {"assline", "DESC", "stock", "DESC"},
        {"used", "CODE", "stockcat", "CODE"},       {"used", "DESC", "stockcat", "DESC"},
        {"libimp", "SERIAL", "lib", "SERIAL"},      {"libimp9", "GROUP", "lib", "GROUP"},
        {"libimp5", "NUMBER", "lib", "NUMBER"},
    };
    for (const Ref& r : refs) {
        const rt::FieldDef& f = fieldOf(r.table, r.field);
        const rt::FieldDef& target = fieldOf(r.refTable, r.refField);
        EXPECT_EQ(f.type, target.type) << r.table << "." << r.field;
        EXPECT_GE(f.length, target.length) << r.table << "." << r.field << " cannot hold " << r.refTable << "."
                                           << r.refField;
    }
    const rt::FieldDef& key = fieldOf("mitrex", ds::kCustomerKeyField);
    const rt::FieldDef& noteKey = fieldOf("mxnote", ds::kCustomerKeyField);
    EXPECT_EQ(key.type, noteKey.type);
    EXPECT_EQ(key.length, noteKey.length);
    // A library of 100 entries has 25 groups.
    EXPECT_GE(fieldOf("lib", "GROUP").length, 2);
}

}  // namespace
}  // namespace mx::test
