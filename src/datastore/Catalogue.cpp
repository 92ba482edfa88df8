#include "Catalogue.h"

#include <cctype>

#include "Text.h"

namespace mx::ds {

using rt::charField;
using rt::dateField;
using rt::FieldDef;
using rt::logField;
using rt::memoField;
using rt::numField;

namespace {

// Widths shared by the fields that hold the same kind of value.
constexpr int kLibCode = 10;      // `lib` CODE and every field naming a suite
constexpr int kAssemblyCode = 15; // `assembly` CODE and every ASSCODE
constexpr int kStockCode = 15;    // `stock` CODE and `assline` STKCODE
constexpr int kCategory = 10;     // `stockcat`/`libcat` CODE and the fields naming them
constexpr int kPanelCode = 15;
constexpr int kExpression = 60;   // drawing coordinates, functions and conditions

// `assembly`: the configuration header, and the options and extras its editors carry.
std::vector<FieldDef> assemblyFields() {
    std::vector<FieldDef> f = {
        charField("CODE", kAssemblyCode), charField("DESC", 40),   charField("ASSEMCAT", 8),
        charField("LIB", kLibCode),       logField("WRATED"),      charField("STYPE", 5),
        charField("STYPE2", 5),           charField("SECTION", 6), charField("SECTIONA", 6),
        logField("SHOWER"),               logField("ENFWIDTH"),    logField("LOCLABOUR"),
        logField("MANPANEL"),             numField("PANELS", 1),   numField("WSPEED", 5),
        numField("WSPEED2", 5),           numField("PRICE", 10, 2), numField("PRICE2", 10, 2),
        numField("COSTPRICE", 10, 2),     numField("COSTPRICE2", 10, 2),
    };
    for (const char* dim : {"HT", "WD", "DP"})
        for (const char* part : {"MIN", "MAX", "DEF"}) f.push_back(numField(std::string(dim) + part, 6));
    // Dimension letters A to L: include flag, caption (none for D), range,
    // default and the further value the editors carry.
    for (char c = 'A'; c <= 'L'; ++c) {
        const std::string l(1, c);
        f.push_back(logField("INC" + l));
        if (c != 'D') f.push_back(charField(l + "DESC", 20));
        f.push_back(numField(l + "MIN", 6));
        f.push_back(numField(l + "MAX", 6));
        f.push_back(numField(l + "DEF", 6));
        f.push_back(charField("C" + l + "DEF", 10));
    }
    // Options A to J: flag and caption.
    for (char c = 'A'; c <= 'J'; ++c) {
        const std::string l(1, c);
        f.push_back(logField("L" + l));
        f.push_back(charField("L" + l + "DESC", 20));
    }
    for (const char* flag : {"WS", "FS", "SS", "INCR"}) f.push_back(logField(flag));
    f.push_back(charField("RDIM", 1));
    for (const char* flag : {"GLASS", "SGLAS", "LOUVRE", "CB"}) f.push_back(logField(flag));
    for (const char* mm : {"HEAD", "SILL", "JAMB", "REVEAL", "BLADEWIDTH", "GLASSMIN"}) f.push_back(numField(mm, 3));
    f.push_back(numField("STUDHT", 4));
    f.push_back(numField("STUDWD", 4));
    f.push_back(logField("DEMO"));
    f.push_back(logField("KIT"));
    f.push_back(numField("MAXPASCALS", 5));
    f.push_back(charField("NOTES", 60));
    f.push_back(logField("SHOWCUT"));
    return f;
}

std::vector<FieldDef> libFields() {
    std::vector<FieldDef> f = {
        charField("CODE", kLibCode), charField("DESC", 40), charField("CATEGORY", kCategory),
        numField("SERIAL", 2),       numField("MAXADJUST", 2),
        numField("GROUP", 3),        // up to 25 digits for a library of 100 entries
        numField("NUMBER", 2),       // 1, 2, 4 or 8
        logField("TAG"),
    };
    for (int ws = 2; ws <= 9; ++ws) f.push_back(logField("TAG" + std::to_string(ws)));
    return f;
}

std::vector<TableDef> buildCatalogue() {
    std::vector<TableDef> t;
    t.push_back({"indexdef",
                 {charField("DB_ALIAS", 10), charField("DB_NAME", 12), charField("PATH", 40), charField("IN_NAME", 12),
                  charField("IN_STR", 160), logField("UNIQUE"), logField("PACK"), logField("ZAPONINIT"),
                  logField("NOINDEX"), logField("FLOPPY")}});
    t.push_back({"sysinfo", {logField("SECURITY")}});
    t.push_back({"users", {charField("USERNAME", 10), charField("PASSWORD", 6), charField("USERDESC", 30),
                           charField("SECURELVL", 1)}});
    t.push_back({"libcat", {charField("CODE", kCategory), charField("DESC", 30)}});
    t.push_back({"lib", libFields()});
    const std::vector<FieldDef> scratch = {numField("SERIAL", 2), numField("GROUP", 3), numField("NUMBER", 2)};
    t.push_back({"libimp", scratch});
    for (int ws = 2; ws <= 9; ++ws) t.push_back({"libimp" + std::to_string(ws), scratch});
    t.push_back({"stockcat", {charField("CODE", kCategory), charField("DESC", 30), charField("ITEMLIST", 10)}});
    // DESC as wide as `assline` DESC, which is refilled from it.
    t.push_back({"stock", {charField("CODE", kStockCode), charField("DESC", 30), charField("CATEGORY", kCategory),
                           charField("TYPE", 1), charField("LIB", kLibCode)}});
    t.push_back({"used", {charField("CODE", kCategory), charField("DESC", 30), logField("USED")}});
    t.push_back({"assemcat", {charField("CODE", 8), charField("DESC", 30)}});
    t.push_back({"assembly", assemblyFields()});
    t.push_back({"assline",
                 {charField("ASSCODE", kAssemblyCode), charField("STKCODE", kStockCode), charField("TYPE", 1),
                  charField("PANELCODE", kPanelCode), charField("DESC", 30), numField("QTY", 8, 2),
                  charField("CQTY", 30), charField("AMOUNT", 40), charField("AMOUNT2", 40), numField("ADJUST", 2),
                  numField("ADJUST2", 2), charField("CONDITION", 40), charField("LABDESC", 40), logField("LOWER"),
                  logField("WASTAGE"), logField("LABOUR"), charField("GROUPING", 10), logField("EACHQTY"),
                  logField("TAG")}});
    t.push_back({"asspanel", {charField("ASSCODE", kAssemblyCode), charField("PANELCODE", kPanelCode)}});
    t.push_back({"assdraw",
                 {charField("ASSCODE", kAssemblyCode), charField("TYPE", 8), charField("FROMROW", kExpression),
                  charField("FROMCOL", kExpression), charField("TOROW", kExpression), charField("TOCOL", kExpression),
                  charField("FN", kExpression), charField("CONDITION", kExpression)}});
    t.push_back({"punchole", {charField("ASSCODE", kAssemblyCode), charField("DESC", 30), charField("DIMENSION", 30),
                              numField("ADJUST", 2)}});
    t.push_back({"quotdata", {numField("TOP2", 3), numField("LMARGIN", 3), numField("WIDTH", 3), numField("PAGELEN", 3)}});
    t.push_back({"mitrex",
                 {numField(kCustomerKeyField, 6), charField("COMPANY", 40), charField("TRADINGAS", 40),
                  charField("CONTACT", 30), charField("OWNER", 30), charField("CSTREET", 30), charField("CSUBURB", 25),
                  charField("CTOWN", 25), charField("CSTATE", 3),
                  charField("CPOSTCODE", 4),  // text: post codes keep their leading zero
                  charField("CPHONE", 15), charField("CFAX", 15), charField("CMOBILE", 15), charField("EMAIL", 50),
                  charField("TEAMVIEWER", 15), charField("STATE1", 3), charField("MGR", 15), numField("AMOUNT", 7, 2),
                  charField("FINTYPE", 2), charField("VERSION", 8), logField("LITE"), logField("COD"),
                  logField("CLOSED"), dateField("CHANGED"), charField("LIBCODE1", 24), charField("LIBCODE", 30),
                  logField("TAG"), logField("TAG1")}});
    t.push_back({"mxnote", {numField(kCustomerKeyField, 6), memoField("NOTE")}});
    return t;
}

IndexDefEntry def(std::string alias, std::string inName = {}, std::string key = {}, bool pack = false,
                  bool zapOnInit = false) {
    IndexDefEntry e;
    e.alias = upper(alias);
    for (char& c : alias) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    e.dbName = alias;
    e.inName = std::move(inName);
    e.inStr = std::move(key);
    e.pack = pack;
    e.zapOnInit = zapOnInit;
    return e;
}

std::vector<IndexDefEntry> buildDefinitions() {
    std::vector<IndexDefEntry> d;
    d.push_back(def("INDEXDEF", kIndexDefIndex, kIndexDefKey));
    d.push_back(def("SYSINFO"));
    d.push_back(def("USERS", "USERS", "users->username"));
    d.push_back(def("LIBCAT", "libcat", "CODE"));
    // `lib`: 1 by code; 2 by category (the browse's grouped view); 3 the
    // numbering sequence of the suite code, by library number. The numbering
    // pass rewrites GROUP and NUMBER while it walks order 3, so order 3 must
    // not depend on them; SERIAL is fixed per suite, so suite codes keep
    // their meaning as suites are added. Entries without a number (fresh
    // blank ones) sort last instead of shifting every digit.
    d.push_back(def("LIB", "libcode", "CODE"));
    d.push_back(def("LIB", "libcatg", "CATEGORY+CODE"));
    d.push_back(def("LIB", "libnum", "IIF(SERIAL=0,\"99\",STR(SERIAL,2))+CODE"));
    d.push_back(def("LIBIMP", {}, {}, false, true));
    for (int ws = 2; ws <= 9; ++ws) d.push_back(def("LIBIMP" + std::to_string(ws), {}, {}, false, true));
    d.push_back(def("STOCKCAT", "stockcat", "CODE"));
    // `stock`: 1 by code; 2 by item list (its sort digit), category and code;
    // 3 by suite.
    d.push_back(def("STOCK", "stock", "CODE"));
    d.push_back(def("STOCK", "stockil", "ITEMLISTORDER(ITEMLISTCATEGORY(CATEGORY))+CATEGORY+CODE"));
    d.push_back(def("STOCK", "stocklib", "LIB+CODE"));
    // The category check builds its own index on `used` each time.
    d.push_back(def("USED", {}, {}, false, true));
    d.push_back(def("ASSEMCAT", "assemcat", "CODE"));
    d.push_back(def("ASSEMBLY", "assembly", "CODE", true));
    d.push_back(def("ASSEMBLY", "asslib", "LIB+CODE"));
    d.push_back(def("ASSEMBLY", "asstype", "ASSEMCAT+CODE"));
    // `assline`: 1 by configuration and component (the cascade delete);
    // 2 by component (where a component is used); 3 by configuration alone,
    // so that the formula and labour lists show lines in the order entered.
    d.push_back(def("ASSLINE", "assline", "ASSCODE+STKCODE", true));
    d.push_back(def("ASSLINE", "asslstk", "STKCODE+ASSCODE"));
    d.push_back(def("ASSLINE", "asslseq", "ASSCODE"));
    d.push_back(def("ASSPANEL", "asspanel", "ASSCODE+PANELCODE", true));
    d.push_back(def("ASSPANEL", "asspcode", "PANELCODE"));
    d.push_back(def("ASSDRAW", "assdraw", "ASSCODE", true));
    d.push_back(def("PUNCHOLE", "punchole", "ASSCODE", true));
    d.push_back(def("QUOTDATA"));
    // The register rebuilds these itself each time it opens, on the same keys.
    d.push_back(def("MITREX", kCustomerKeyIndex, kCustomerKeyField, true));
    d.push_back(def("MITREX", "mxcust", "company"));
    d.push_back(def("MITREX", "mxmgr", "mgr"));
    d.push_back(def("MITREX", "mxamt", "amount"));
    d.push_back(def("MXNOTE", kCustomerNoteIndex, kCustomerKeyField));
    return d;
}

}  // namespace

const std::vector<TableDef>& tableCatalogue() {
    static const std::vector<TableDef> catalogue = buildCatalogue();
    return catalogue;
}

const TableDef* findTableDef(std::string_view name) {
    for (const TableDef& t : tableCatalogue())
        if (equalsNoCase(t.name, name)) return &t;
    return nullptr;
}

const std::vector<IndexDefEntry>& defaultIndexDefinitions() {
    static const std::vector<IndexDefEntry> definitions = buildDefinitions();
    return definitions;
}

}  // namespace mx::ds
