// The register tests' scaffolding: the screen harness (ScreenHarness.h),
// a small library numbered in groups of
// four, customers made from a few fields, and readers of the dumps.
#pragma once

#include <string>
#include <vector>

#include "Opening.h"
#include "ScreenHarness.h"

namespace mx::customers::test {

using mx::test::C;
using mx::test::L;
using mx::test::N;
using mx::test::Row;

// Entries of `lib` with their place in the suite code: code, serial, group
// and number; the record order is that of the list given.
struct Entry {
    const char* code;
    int serial, group, number;
};
inline std::vector<Row> entries(const std::vector<Entry>& list) {
    std::vector<Row> rows;
    for (const Entry& e : list)
        rows.push_back({{"CODE", C(e.code)}, {"DESC", rt::Value::character(std::string("SUITE ") + e.code)},
                        {"CATEGORY", C("RES")}, {"SERIAL", N(e.serial)}, {"GROUP", N(e.group)},
                        {"NUMBER", N(e.number)}});
    return rows;
}

// Twenty entries: A1..A4 in group 1 (numbers 1, 2, 4, 8), B1..B4 in group 2,
// and so on to E1..E4 in group 5; serials 1 to 20.
inline std::vector<Row> fiveGroups() {
    std::vector<Entry> list;
    static const char* codes[] = {"A1", "A2", "A4", "A8", "B1", "B2", "B4", "B8", "C1", "C2",
                                  "C4", "C8", "D1", "D2", "D4", "D8", "E1", "E2", "E4", "E8"};
    for (int i = 0; i < 20; ++i) list.push_back({codes[i], i + 1, i / 4 + 1, 1 << (i % 4)});
    return entries(list);
}

inline Row customer(int key, const std::string& company, const std::string& suites = "", Row more = {}) {
    Row r{{"CUSTNO", N(key)}, {"COMPANY", rt::Value::character(company)}, {"LIBCODE1", rt::Value::character(suites)}};
    r.insert(r.end(), more.begin(), more.end());
    return r;
}

class CustomerHarness : public mx::test::ScreenHarness {
public:
    // Date fields read two-digit years from the epoch, as the program has them.
    CustomerHarness() {
        tk::Ui::instance().setDateStyle({session.settings().dateFormat, session.settings().epoch});
    }
    // Plays `script` after "menu Run"; the run must end normally.
    void run(const std::string& script) {
        const int status = playAction(script);
        if (status != 0) throw std::runtime_error("scripted run ended with " + std::to_string(status) + "\n" + joined());
    }
    // The rows of the n-th dump.
    std::vector<std::string> rows(int n) const {
        std::vector<std::string> out;
        for (const auto& l : dump(n))
            if (l.rfind("row", 0) == 0) out.push_back(l);
        return out;
    }
    // The n-th dump's value of field `name`.
    std::string field(int n, const std::string& name) const {
        const std::string prefix = "field " + name + " ";
        for (const auto& l : dump(n))
            if (l.rfind(prefix, 0) == 0) return l.substr(prefix.size());
        return "<none>";
    }
    // The company cell (the fourth) of each row of the n-th dump, a "*" before the current one.
    std::vector<std::string> companies(int n) const {
        std::vector<std::string> out;
        for (const auto& l : rows(n)) {
            size_t q = 0;
            for (int i = 0; i < 7; ++i) q = l.find('"', q) + 1;  // past the opening quote of the 4th cell
            out.push_back((l.rfind("row*", 0) == 0 ? "*" : "") + l.substr(q, l.find('"', q) - q));
        }
        return out;
    }

    int ws = 1;
};

}  // namespace mx::customers::test
