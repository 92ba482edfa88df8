#include "DataSet.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <vector>

#include "Catalogue.h"
#include "DataContext.h"
#include "DbfTable.h"
#include "Error.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "NumberFormat.h"
#include "RecordingSink.h"
#include "Session.h"
#include "TableDefaults.h"
#include "Text.h"

namespace mx::ds {

using rt::DbError;
using rt::ErrorKind;
using rt::FieldType;
using rt::Value;
using rt::WorkArea;

namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Digits with an optional sign and decimal point, blanks around them.
bool parseStrictNumber(const std::string& text, double& value, int& decimals) {
    const std::string t = allTrim(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    size_t digits = 0;
    decimals = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(t[i]))) {
            ++digits;
            if (point) ++decimals;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    value = rt::parseNumber(t);
    return true;
}

Value convert(const rt::FieldDef& f, const std::string& text, const std::string& where) {
    auto bad = [&](const std::string& why) -> DbError { return DbError(ErrorKind::Usage, where, f.name + ": " + why); };
    switch (f.type) {
        case FieldType::Character:
            if (text.size() > static_cast<size_t>(f.length))
                throw bad("\"" + text + "\" is " + std::to_string(text.size()) + " characters long, the field holds " +
                          std::to_string(f.length));
            return Value::character(text);
        case FieldType::Memo:
            return Value::character(text);
        case FieldType::Numeric: {
            if (allTrim(text).empty()) return Value::numeric(0, f.length, f.decimals);
            double n = 0;
            int decimals = 0;
            if (!parseStrictNumber(text, n, decimals)) throw bad("\"" + text + "\" is not a number");
            if (decimals > f.decimals)
                throw bad("\"" + text + "\" has more than " + std::to_string(f.decimals) + " decimals");
            char buf[256];
            if (!rt::formatNumber(n, f.length, f.decimals, buf))
                throw bad("\"" + text + "\" does not fit in " + std::to_string(f.length) + " characters");
            return Value::numeric(n, f.length, f.decimals);
        }
        case FieldType::Logical: {
            const std::string t = upper(allTrim(text));
            if (t.empty() || t == "F" || t == "N" || t == ".F." || t == "FALSE") return Value::logical(false);
            if (t == "T" || t == "Y" || t == ".T." || t == "TRUE") return Value::logical(true);
            throw bad("\"" + text + "\" is not a logical value");
        }
        case FieldType::Date: {
            const std::string t = allTrim(text);
            if (t.empty()) return Value::date(0);
            int y = 0, m = 0, d = 0;
            char tail = 0;
            rt::DayNumber day = 0;
            if (t.size() == 10 && std::sscanf(t.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3)
                day = rt::dayFromYmd(y, m, d);
            if (day == 0) throw bad("\"" + text + "\" is not a date (YYYY-MM-DD)");
            return Value::date(day);
        }
    }
    throw bad("unknown field type");
}

void writeDefaultIndexDefinitions(WorkArea& a) {
    for (const IndexDefEntry& e : defaultIndexDefinitions()) appendIndexDefinition(a, e);
    a.commit();
}

}  // namespace

void appendCsvRecords(WorkArea& area, const CsvDocument& doc, const std::string& source) {
    std::vector<int> fieldOf;
    for (const std::string& column : doc.header) {
        int i = area.fieldIndex(allTrim(column));
        if (i < 0)
            throw DbError(ErrorKind::Usage, source, "column \"" + column + "\": table " + area.alias() + " has no such field");
        fieldOf.push_back(i);
    }
    for (const CsvRow& row : doc.rows) {
        const std::string where = source + ", line " + std::to_string(row.line);
        if (!area.append()) throw DbError(ErrorKind::Busy, source, "the table refused an append");
        for (size_t c = 0; c < fieldOf.size(); ++c) {
            const rt::FieldDef& f = area.field(fieldOf[c]);
            area.setField(fieldOf[c], convert(f, row.values[c], where));
        }
    }
    area.commit();
}

void createDataSet(const std::string& dir, const std::string& demoDir) {
    for (const TableDef& t : tableCatalogue()) rt::DbfTable::create(dir + "/" + t.name + ".dbf", t.fields);

    rt::Session session;
    applyTableAccessDefaults(session);
    auto demoFile = [&](const std::string& table) {
        return demoDir.empty() ? std::string() : demoDir + "/" + table + ".csv";
    };
    for (const TableDef& t : tableCatalogue()) {
        const std::string csv = demoFile(t.name);
        const bool fromCsv = !csv.empty() && fileExists(csv);
        if (!fromCsv && t.name != "indexdef" && t.name != "sysinfo") continue;
        WorkArea& area = session.open(dir + "/" + t.name + ".dbf", {}, rt::OpenMode::Exclusive);
        if (fromCsv) {
            appendCsvRecords(area, readCsvFile(csv), csv);
        } else if (t.name == "indexdef") {
            writeDefaultIndexDefinitions(area);
        } else {  // sysinfo: no login required
            area.append();
            area.setField("SECURITY", Value::logical(false));
            area.commit();
        }
        session.close(area.alias());
    }

    RecordingSink sink;
    SystemSleeper sleeper;
    DataContext ctx(session, sink, sleeper, dir);
    registerItemListFunctions(ctx);
    RebuildReport report = INIT_IDX(ctx, false);
    if (!report.ok()) {
        std::string text;
        for (const std::string& m : sink.alerts()) text += (text.empty() ? "" : "; ") + m;
        throw DbError(ErrorKind::Usage, dir, "the index set could not be built: " + text);
    }
}

void appendIndexDefinition(rt::WorkArea& a, const IndexDefEntry& e) {
    a.append();
    a.setField("DB_ALIAS", rt::Value::character(e.alias));
    a.setField("DB_NAME", rt::Value::character(e.dbName));
    a.setField("PATH", rt::Value::character(e.path));
    a.setField("IN_NAME", rt::Value::character(e.inName));
    a.setField("IN_STR", rt::Value::character(e.inStr));
    a.setField("UNIQUE", rt::Value::logical(e.unique));
    a.setField("PACK", rt::Value::logical(e.pack));
    a.setField("ZAPONINIT", rt::Value::logical(e.zapOnInit));
    if (a.fieldIndex("NOINDEX") >= 0) a.setField("NOINDEX", rt::Value::logical(e.noIndex));
    a.setField("FLOPPY", rt::Value::logical(e.floppy));
}

}  // namespace mx::ds
