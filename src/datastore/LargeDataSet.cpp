// The large data set (see LargeDataSet.h). Every table is filled in one
// exclusive open, records appended in bulk, and the index set built once at
// the end, so a set of 300 000 records is made in seconds.
#include "LargeDataSet.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <random>
#include <vector>

#include "Catalogue.h"
#include "DataSet.h"
#include "Error.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "RecordingSink.h"
#include "Session.h"
#include "Sleeper.h"
#include "TableDefaults.h"

namespace mx::ds {

using rt::Value;
using rt::WorkArea;

namespace {

// The same sequence of made-up records for the same sizes.
class Maker {
public:
    explicit Maker(unsigned seed) : random_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool chance(int percent) { return below(100) < percent; }
    template <std::size_t N>
    const char* pick(const std::array<const char*, N>& words) {
        return words[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

private:
    std::mt19937 random_;
};

std::string numbered(const char* prefix, int n, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%0*d", prefix, digits, n);
    return buf;
}

Value C(const std::string& s) { return Value::character(s); }
Value N(double n) { return Value::numeric(n); }
Value L(bool b) { return Value::logical(b); }

// A table of the set, held exclusively while it is filled.
class Filling {
public:
    Filling(rt::Session& session, const std::string& dir, const std::string& table)
        : session_(session), area_(&session.open(dir + "/" + table + ".dbf", {}, rt::OpenMode::Exclusive)),
          alias_(area_->alias()) {}
    ~Filling() {
        if (!area_) return;
        try {
            session_.close(alias_);
        } catch (...) {
        }
    }
    Filling(const Filling&) = delete;
    Filling& operator=(const Filling&) = delete;

    WorkArea& add() {
        if (!area_->append()) throw rt::DbError(rt::ErrorKind::Busy, alias_, "the table refused an append");
        return *area_;
    }
    // Writes what was appended and closes the table.
    void done() {
        area_->commit();
        area_ = nullptr;
        session_.close(alias_);
    }

private:
    rt::Session& session_;
    WorkArea* area_;
    std::string alias_;
};

constexpr std::array<const char*, 4> kLibCategories = {"RES", "COM", "SHF", "LVR"};
constexpr std::array<const char*, 4> kLibCategoryNames = {"RESIDENTIAL WINDOWS AND DOORS", "COMMERCIAL FRAMING",
                                                          "SHOPFRONT SYSTEMS", "LOUVRE SYSTEMS"};
constexpr std::array<const char*, 8> kStockCategories = {"FRM", "MUL", "SSH", "DRL", "GLS", "HWR", "SCR", "RVL"};
constexpr std::array<const char*, 8> kItemLists = {"FRAME", "FRAME", "SASH", "SASH", "GLASS", "PARTS", "SCREENS",
                                                   "REVEALS"};
constexpr std::array<const char*, 8> kStockCategoryNames = {
    "FRAME EXTRUSIONS", "MULLIONS AND TRANSOMS", "SASH EXTRUSIONS", "DOOR LEAF EXTRUSIONS",
    "GLASS AND GLAZING", "HARDWARE",           "FLYSCREENS",      "REVEALS AND TRIMS"};
constexpr std::array<const char*, 6> kKinds = {"FIXED", "SLIDER", "AWNING", "DBLHUNG", "SLIDDOOR", "BIFOLD"};
constexpr std::array<const char*, 6> kKindNames = {"FIXED LIGHTS",   "SLIDING WINDOWS", "AWNING WINDOWS",
                                                   "DOUBLE HUNG WINDOWS", "SLIDING DOORS", "BIFOLD DOORS"};
constexpr std::array<const char*, 10> kParts = {"HEAD", "SILL", "JAMB", "MULLION", "SASH TOP", "SASH BOTTOM",
                                                "SASH STILE", "INTERLOCK", "GLAZING BEAD", "FLYSCREEN FRAME"};
constexpr std::array<const char*, 8> kAmounts = {"W", "H", "W-2*T", "H-T", "W/2", "(W-T)/2", "H-2*T", "W+20"};
constexpr std::array<const char*, 5> kConditions = {"LA", "LB .AND. W>1200", "H>1500", "!LC", "W>2000"};
constexpr std::array<const char*, 12> kFirst = {"Tropical", "Riverina", "Pelican", "Coastline", "Southern",
                                                "Harbour",  "Ironbark", "Summit",  "Westside",  "Blue Gum",
                                                "Redgum",   "Bayview"};
constexpr std::array<const char*, 8> kSecond = {"Windows", "Window Systems", "Windows & Doors", "Aluminium",
                                                "Glass & Glazing", "Shopfitting", "Frames", "Joinery"};
constexpr std::array<const char*, 4> kForm = {"Pty Ltd", "Pty Ltd", "& Sons", "Co"};
constexpr std::array<const char*, 8> kStates = {"NSW", "VIC", "QLD", "WA", "SA", "TAS", "NT", "ACT"};
constexpr std::array<const char*, 8> kManagers = {"RAY DONOVAN", "BETH MORGAN", "JANE COOPER", "SAM PATEL",
                                                  "LIN CHEN",    "TOM WALSH",   "ANNA ROSSI",  "MARK BELL"};

void fillLibrary(rt::Session& s, const std::string& dir, const LargeDataSetSize& size, Maker& m) {
    Filling libcat(s, dir, "libcat");
    for (std::size_t i = 0; i < kLibCategories.size(); ++i) {
        WorkArea& a = libcat.add();
        a.setField("CODE", C(kLibCategories[i]));
        a.setField("DESC", C(kLibCategoryNames[i]));
    }
    libcat.done();

    // Library numbers 1 to 99 (the field holds two digits); a hundredth entry
    // gets none and sorts last in the numbering order, as a fresh one does.
    Filling lib(s, dir, "lib");
    for (int i = 1; i <= size.libraryEntries; ++i) {
        WorkArea& a = lib.add();
        const int serial = i % 100;
        a.setField("CODE", C(numbered("S", i, 3)));
        a.setField("DESC", C(std::string(m.pick(kLibCategoryNames)).substr(0, 12) + " SUITE " + std::to_string(i)));
        a.setField("CATEGORY", C(kLibCategories[static_cast<std::size_t>(i) % kLibCategories.size()]));
        a.setField("SERIAL", N(serial));
        a.setField("MAXADJUST", N(m.chance(70) ? 0 : 1 + m.below(9)));
        a.setField("GROUP", N((i - 1) / 4 + 1));
        a.setField("NUMBER", N(1 << ((i - 1) % 4)));
    }
    lib.done();
}

void fillStock(rt::Session& s, const std::string& dir, const LargeDataSetSize& size, Maker& m) {
    Filling stockcat(s, dir, "stockcat");
    for (std::size_t i = 0; i < kStockCategories.size(); ++i) {
        WorkArea& a = stockcat.add();
        a.setField("CODE", C(kStockCategories[i]));
        a.setField("DESC", C(kStockCategoryNames[i]));
        a.setField("ITEMLIST", C(kItemLists[i]));
    }
    stockcat.done();

    Filling stock(s, dir, "stock");
    for (int i = 1; i <= size.stockItems; ++i) {
        WorkArea& a = stock.add();
        const int suite = 1 + (i - 1) % size.libraryEntries;
        a.setField("CODE", C(numbered("S", suite, 3) + numbered("-", i, 6)));
        a.setField("DESC", C(std::to_string(suite) + " " + m.pick(kParts)));
        a.setField("CATEGORY", C(m.pick(kStockCategories)));
        a.setField("TYPE", C(m.chance(80) ? "L" : "Q"));
        a.setField("LIB", C(numbered("S", suite, 3)));
    }
    stock.done();
}

std::string configurationCode(int i) { return numbered("C", i, 5) + "-" + kKinds[static_cast<std::size_t>(i) % kKinds.size()]; }

void fillConfigurations(rt::Session& s, const std::string& dir, const LargeDataSetSize& size, Maker& m) {
    Filling assemcat(s, dir, "assemcat");
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        WorkArea& a = assemcat.add();
        a.setField("CODE", C(kKinds[i]));
        a.setField("DESC", C(kKindNames[i]));
    }
    assemcat.done();

    std::vector<bool> manualPanels(static_cast<std::size_t>(size.configurations) + 1);
    Filling assembly(s, dir, "assembly");
    for (int i = 1; i <= size.configurations; ++i) {
        WorkArea& a = assembly.add();
        const std::size_t kind = static_cast<std::size_t>(i) % kKinds.size();
        manualPanels[static_cast<std::size_t>(i)] = m.chance(10);
        a.setField("CODE", C(configurationCode(i)));
        a.setField("DESC", C(std::string(kKindNames[kind]) + " TYPE " + std::to_string(i)));
        a.setField("ASSEMCAT", C(kKinds[kind]));
        a.setField("LIB", C(numbered("S", 1 + m.below(size.libraryEntries), 3)));
        a.setField("WRATED", L(m.chance(60)));
        a.setField("STYPE", C("STD"));
        if (m.chance(15)) a.setField("STYPE2", C("LWR"));
        a.setField("SECTION", C("S1"));
        a.setField("LOCLABOUR", L(m.chance(20)));
        a.setField("MANPANEL", L(manualPanels[static_cast<std::size_t>(i)]));
        a.setField("PRICE", N(100 + m.below(900)));
        a.setField("COSTPRICE", N(50 + m.below(400)));
        a.setField("HTMIN", N(300));
        a.setField("HTMAX", N(1800 + 100 * m.below(10)));
        a.setField("HTDEF", N(1200));
        a.setField("WDMIN", N(400));
        a.setField("WDMAX", N(2000 + 100 * m.below(20)));
        a.setField("WDDEF", N(1800));
        a.setField("LA", L(true));
        a.setField("LADESC", C("KEYED LOCK"));
        a.setField("LB", L(m.chance(50)));
        a.setField("LBDESC", C("FLYSCREENS"));
        a.setField("WS", L(true));
        a.setField("INCR", L(m.chance(50)));
        a.setField("RDIM", C("A"));
        a.setField("GLASS", L(true));
        a.setField("LOUVRE", L(m.chance(20)));
        a.setField("BLADEWIDTH", N(100));
        a.setField("HEAD", N(100));
        a.setField("SILL", N(110));
        a.setField("JAMB", N(100));
        a.setField("REVEAL", N(19));
        a.setField("GLASSMIN", N(300));
    }
    assembly.done();

    Filling assline(s, dir, "assline");
    for (int i = 1; i <= size.configurations; ++i) {
        const std::string code = configurationCode(i);
        const int suite = 1 + m.below(size.libraryEntries);
        for (int k = 1; k <= size.linesPerConfiguration; ++k) {
            WorkArea& a = assline.add();
            const bool labour = k % 10 == 0;
            const int item = suite + size.libraryEntries * m.below(std::max(1, size.stockItems / size.libraryEntries));
            a.setField("ASSCODE", C(code));
            a.setField("STKCODE", C(numbered("S", suite, 3) + numbered("-", std::min(item, size.stockItems), 6)));
            a.setField("TYPE", C(labour ? "L" : m.pick(std::array<const char*, 4>{"L", "Q", "A", "F"})));
            a.setField("DESC", C(std::to_string(suite) + " " + m.pick(kParts)));
            a.setField("QTY", Value::numeric(1 + m.below(4), 8, 2));
            a.setField("AMOUNT", C(m.pick(kAmounts)));
            if (m.chance(20)) a.setField("AMOUNT2", C(m.pick(kAmounts)));
            a.setField("ADJUST", N(m.below(11) - 5));
            if (m.chance(15)) a.setField("CONDITION", C(m.pick(kConditions)));
            if (labour) a.setField("LABDESC", C("ASSEMBLE AND GLAZE"));
            a.setField("LABOUR", L(labour));
            a.setField("WASTAGE", L(m.chance(30)));
            if (manualPanels[static_cast<std::size_t>(i)]) a.setField("PANELCODE", C(numbered("P", 1 + k % 3, 1)));
        }
    }
    assline.done();

    Filling asspanel(s, dir, "asspanel");
    for (int i = 1; i <= size.configurations; ++i) {
        if (!manualPanels[static_cast<std::size_t>(i)]) continue;
        for (int p = 1; p <= 3; ++p) {
            WorkArea& a = asspanel.add();
            a.setField("ASSCODE", C(configurationCode(i)));
            a.setField("PANELCODE", C(numbered("P", p, 1)));
        }
    }
    asspanel.done();

    // A frame of four double lines, then mullions and a louvre bank.
    // The louvre bank only on louvred configurations (the condition reads
    // the configuration's own flag), the dimension arrows outside the frame.
    struct Element {
        const char *type, *fromRow, *fromCol, *toRow, *toCol, *fn, *condition;
    };
    static const std::array<Element, 8> kElements = {{
        {"LINE2B", "0", "0", "0", "W", "", ""},
        {"LINE2T", "H", "0", "H", "W", "", ""},
        {"LINE2L", "0", "0", "H", "0", "", ""},
        {"LINE2R", "0", "W", "H", "W", "", ""},
        {"LINE2V", "T", "W/2", "H-T", "W/2", "", ""},
        {"FUNCTION", "T", "T", "H-T", "W/2", "BLADES(TBLADEWIDTH)", "LOUVRE"},
        {"ARROWR", "-60", "0", "-60", "W", "", ""},
        {"ARROWU", "0", "W+60", "H", "W+60", "", ""},
    }};
    Filling assdraw(s, dir, "assdraw");
    for (int i = 1; i <= size.configurations; ++i) {
        for (int k = 0; k < size.drawingElementsPerConfiguration; ++k) {
            const Element& e = kElements[static_cast<std::size_t>(k) % kElements.size()];
            WorkArea& a = assdraw.add();
            a.setField("ASSCODE", C(configurationCode(i)));
            a.setField("TYPE", C(e.type));
            a.setField("FROMROW", C(e.fromRow));
            a.setField("FROMCOL", C(e.fromCol));
            a.setField("TOROW", C(e.toRow));
            a.setField("TOCOL", C(e.toCol));
            a.setField("FN", C(e.fn));
            a.setField("CONDITION", C(e.condition));
        }
    }
    assdraw.done();

    Filling punchole(s, dir, "punchole");
    for (int i = 1; i <= size.configurations; ++i) {
        for (int k = 1; k <= size.punchHolesPerConfiguration; ++k) {
            WorkArea& a = punchole.add();
            a.setField("ASSCODE", C(configurationCode(i)));
            a.setField("DESC", C("DRAINAGE SLOT"));
            a.setField("DIMENSION", C(std::to_string(k) + "*W/" + std::to_string(size.punchHolesPerConfiguration + 1)));
            a.setField("ADJUST", N(m.below(5) - 2));
        }
    }
    punchole.done();

    Filling quotdata(s, dir, "quotdata");
    WorkArea& q = quotdata.add();
    q.setField("TOP2", N(2));
    q.setField("LMARGIN", N(4));
    q.setField("WIDTH", N(90));
    q.setField("PAGELEN", N(66));
    quotdata.done();
}

// A suite code naming a few of the first entries a code can name (20 digits).
std::string suiteCode(Maker& m, int entries) {
    const int nameable = std::min(entries, 80);
    std::vector<int> digits(static_cast<std::size_t>((nameable + 3) / 4), 0);
    for (int k = 1 + m.below(6); k > 0; --k) {
        const int position = m.below(nameable);
        digits[static_cast<std::size_t>(position / 4)] |= 1 << (position % 4);
    }
    std::string code;
    for (std::size_t g = 0; g < digits.size(); ++g) {
        code += "0123456789ABCDEF"[digits[g]];
        if ((g + 1) % 4 == 0) code += '-';
    }
    return code.substr(0, 24);
}

void fillRegister(rt::Session& s, const std::string& dir, const LargeDataSetSize& size, Maker& m) {
    Filling mitrex(s, dir, "mitrex");
    Filling mxnote(s, dir, "mxnote");
    for (int i = 1; i <= size.customers; ++i) {
        WorkArea& a = mitrex.add();
        const std::string name = std::string(m.pick(kFirst)) + " " + m.pick(kSecond);
        const std::string state = m.pick(kStates);
        a.setField(kCustomerKeyField, N(i));
        a.setField("COMPANY", C(name + " " + m.pick(kForm) + " " + std::to_string(i)));
        std::string trading = name;
        for (char& c : trading) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        a.setField("TRADINGAS", C(trading));
        a.setField("CONTACT", C(m.pick(kManagers)));
        a.setField("CSTREET", C(std::to_string(1 + m.below(300)) + " ENTERPRISE AVENUE"));
        a.setField("CTOWN", C("TOWN " + std::to_string(m.below(500))));
        a.setField("CSTATE", C(state));
        a.setField("CPOSTCODE", C(numbered("", 1000 + m.below(8999), 4)));
        a.setField("CPHONE", C(numbered("(0", 2 + m.below(7), 1) + ") " + numbered("", m.below(10000), 4) + " " +
                              numbered("", m.below(10000), 4)));
        a.setField("EMAIL", C("info@customer" + std::to_string(i) + ".example.com"));
        a.setField("STATE1", C(state));
        a.setField("MGR", C(m.pick(kManagers)));
        a.setField("AMOUNT", Value::numeric(50 + 5 * m.below(40), 7, 2));
        a.setField("FINTYPE", C(m.pick(std::array<const char*, 3>{"  ", "AP", "PP"})));
        a.setField("VERSION", C(m.pick(std::array<const char*, 4>{"5.3", "6.0", "6.1", "6.2"})));
        a.setField("LITE", L(m.chance(10)));
        a.setField("COD", L(m.chance(5)));
        a.setField("CLOSED", L(m.chance(5)));
        a.setField("CHANGED", Value::date(rt::dayFromYmd(2018 + m.below(8), 1 + m.below(12), 1 + m.below(28))));
        a.setField("LIBCODE1", C(suiteCode(m, size.libraryEntries)));
        if (m.chance(10)) {
            WorkArea& n = mxnote.add();
            n.setField(kCustomerKeyField, N(i));
            n.setField("NOTE", C("Installed " + std::string(m.pick(std::array<const char*, 3>{"5.3", "6.0", "6.1"})) +
                                 ".\r\nCall before visiting."));
        }
    }
    mxnote.done();
    mitrex.done();
}

}  // namespace

void createLargeDataSet(const std::string& dir, const LargeDataSetSize& size) {
    createDataSet(dir);
    rt::Session session;
    applyTableAccessDefaults(session);
    Maker m(20261209);
    fillLibrary(session, dir, size, m);
    fillStock(session, dir, size, m);
    fillConfigurations(session, dir, size, m);
    fillRegister(session, dir, size, m);

    RecordingSink sink;
    SystemSleeper sleeper;
    DataContext ctx(session, sink, sleeper, dir);
    registerItemListFunctions(ctx);
    if (!INIT_IDX(ctx, false).ok()) {
        std::string text;
        for (const std::string& msg : sink.alerts()) text += (text.empty() ? "" : "; ") + msg;
        throw rt::DbError(rt::ErrorKind::Usage, dir, "the index set could not be built: " + text);
    }
}

}  // namespace mx::ds
