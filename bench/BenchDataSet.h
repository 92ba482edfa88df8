// A whole data set for a benchmark in a temporary folder of its own: every
// table of the catalogue, filled by the benchmark, indexed with the default
// index set, and a data context over it (messages recorded, waits counted,
// the item-list functions the stock order calls registered). The folder is
// removed with it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "DataSet.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "TableDefaults.h"

namespace mx::bench {

class BenchDataSet {
    std::string dir_;  // first: the context below keeps it

public:
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx;

    // `fill` writes the benchmark's records into the empty tables in `dir`.
    BenchDataSet(const char* name, const std::function<void(const std::string& dir)>& fill)
        : dir_(makeFolder(name)), ctx{session, sink, sleeper, dir_} {
        ds::createDataSet(dir_);
        fill(dir_);
        ds::applyTableAccessDefaults(session);
        ds::registerItemListFunctions(ctx);
        if (!ds::INIT_IDX(ctx).ok()) throw std::runtime_error("index rebuild failed");
        session.closeAll();
    }
    ~BenchDataSet() {
        session.closeAll();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    BenchDataSet(const BenchDataSet&) = delete;
    BenchDataSet& operator=(const BenchDataSet&) = delete;

    const std::string& dir() const { return dir_; }

private:
    static std::string makeFolder(const char* name) {
        std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("no temporary folder");
        return tmpl;
    }
};

// A library of `entries` suites S000, S001 ... numbered in groups of four
// (GROUP 1, 1, 1, 1, 2 ..., NUMBER 1, 2, 4, 8, 1 ...), appended to `lib`.
inline void appendSuiteLibrary(rt::WorkArea& lib, int entries) {
    for (int i = 0; i < entries; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "S%03d", i);
        lib.append();
        lib.setField("CODE", rt::Value::character(code));
        lib.setField("DESC", rt::Value::character(std::string("SUITE ") + code));
        lib.setField("SERIAL", rt::Value::numeric(i + 1));
        lib.setField("GROUP", rt::Value::numeric(i / 4 + 1));
        lib.setField("NUMBER", rt::Value::numeric(1 << (i % 4)));
    }
}

// `count` drawing elements of configuration `code` appended to `assdraw`:
// frames, arrows, lines and louvre blades, every element with its
// expressions over H, W and T, a fifth with a condition.
inline void appendDrawingElements(rt::WorkArea& assdraw, const std::string& code, int count) {
    const char* types[] = {"LINE2T", "LINE2B", "LINE2L", "LINE2R", "LINE2H", "LINE2V", "ARROWL", "ARROWU", "LINE", "FUNCTION"};
    for (int i = 0; i < count; ++i) {
        const std::string k = std::to_string(i % 50 + 1);
        assdraw.append();
        assdraw.setField("ASSCODE", rt::Value::character(code));
        assdraw.setField("TYPE", rt::Value::character(types[i % 10]));
        assdraw.setField("FROMROW", rt::Value::character("H*" + k + "/60"));
        assdraw.setField("FROMCOL", rt::Value::character("T+W/" + k));
        assdraw.setField("TOROW", rt::Value::character("H-T-H*" + k + "/120"));
        assdraw.setField("TOCOL", rt::Value::character("W-T-W/(" + k + "+1)"));
        if (i % 10 == 9) assdraw.setField("FN", rt::Value::character("BLADES(TBLADEWIDTH-12)"));
        if (i % 5 == 4) assdraw.setField("CONDITION", rt::Value::character("LOUVRE .AND. HTMAX > 2000"));
    }
}

}  // namespace mx::bench
