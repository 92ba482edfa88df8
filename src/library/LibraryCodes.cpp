#include "LibraryCodes.h"

#include <cmath>

#include "Error.h"
#include "LibraryScreen.h"
#include "Opening.h"
#include "Prompts.h"
#include "RecordServices.h"
#include "Ui.h"

namespace mx::lib {

using rt::Value;

double libraryCodeOf(const std::vector<int>& serials) {
    double sum = 0;
    for (int s : serials)
        if (s >= 1) sum += std::ldexp(1.0, s);
    return sum;
}

std::vector<int> serialsOfLibraryCode(double n, long entries) {
    std::vector<int> out;
    for (long i = entries; i >= 1; --i) {
        const double bit = std::ldexp(1.0, static_cast<int>(i));
        if (n > 0 && n >= bit) {
            out.push_back(static_cast<int>(i));
            n -= bit;
        }
    }
    return out;
}

std::string suiteDigit(double sum) {
    static const char* const kHex = "0123456789ABCDEF";
    long v = std::lround(sum);
    if (v < 0) v = 0;
    std::string out;
    do {
        out.insert(out.begin(), kHex[v % 16]);
        v /= 16;
    } while (v > 0);
    return out;
}

std::string joinSuiteDigits(const std::vector<std::string>& digits) {
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        out += digits[i];
        if ((i + 1) % 4 == 0) out += '-';
    }
    if (out.size() > kSuiteCodeLength) out.resize(kSuiteCodeLength);
    return out;
}

std::string suiteCodeOf(const std::vector<SuiteEntry>& entries) {
    std::vector<std::string> digits;
    int count = 0;
    double sum = 0;
    for (const SuiteEntry& e : entries) {
        ++count;
        if (e.tagged) sum += e.number;
        if (count == 4) {
            digits.push_back(suiteDigit(sum));
            count = 0;
            sum = 0;
        }
    }
    if (count > 0) digits.push_back(suiteDigit(sum));
    return joinSuiteDigits(digits);
}

std::string suiteCodeOfTags(const std::vector<bool>& tagged) {
    std::vector<SuiteEntry> entries;
    entries.reserve(tagged.size());
    for (std::size_t i = 0; i < tagged.size(); ++i) entries.push_back({std::ldexp(1.0, static_cast<int>(i % 4)), tagged[i]});
    return suiteCodeOf(entries);
}

std::vector<SuitePosition> positionsOfSuiteCode(const std::string& code) {
    std::vector<SuitePosition> out;
    int group = 0;
    for (char c : code) {
        if (c == '-') continue;
        ++group;
        int v = 0;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        while (v > 0) {
            const int number = v >= 8 ? 8 : v >= 4 ? 4 : v >= 2 ? 2 : 1;
            out.push_back({group, number});
            v -= number;
        }
    }
    return out;
}

namespace {

bool tagged(const rt::WorkArea& lib) {
    const Value v = lib.fieldValue("TAG");
    return v.isLogical() && v.boolean();
}

// Step 2 of LIBCODE: GROUP and NUMBER for every entry of order 3, each
// written under its own lock; an entry that cannot be locked is passed over.
void numberEntries(ds::DataContext& ctx, rt::WorkArea& lib) {
    int group = 1;
    while (!lib.eof()) {
        for (int k = 1; k <= 4 && !lib.eof(); ++k) {
            if (ds::RECLOCK(ctx, 2)) {
                lib.setField("NUMBER", Value::numeric(std::ldexp(1.0, k - 1)));
                lib.setField("GROUP", Value::numeric(group));
                lib.unlock();
            }
            lib.skip();
        }
        ++group;
    }
}

}  // namespace

std::string LIBCODE(ds::DataContext& ctx) {
    rt::SelectionGuard selection(ctx.session);
    std::string code;
    try {
        if (!ds::OPNALIAS(ctx, "lib", false, true)) return {};
        rt::WorkArea* area = ctx.session.area("LIB");
        if (!area) return {};
        rt::WorkArea& lib = *area;
        ctx.session.select(lib);
        lib.setOrder(3);
        lib.goTop();
        numberEntries(ctx, lib);

        std::vector<SuiteEntry> entries;
        for (lib.goTop(); !lib.eof(); lib.skip()) entries.push_back({lib.fieldValue("NUMBER").num(), tagged(lib)});
        code = suiteCodeOf(entries);
    } catch (const rt::DbError&) {
        return {};
    }

    tk::Ui& ui = tk::Ui::instance();
    const QString shown = QString::fromStdString(code);
    ui.info(shown);
    if (ui.yesNo(QStringLiteral("Library Code: ") + shown + QStringLiteral(". Copy to Windows Clipboard"))) {
        ui.setClipboard(shown);
        ui.info(QStringLiteral("Library Code Written to Windows Clipboard"));
    }
    std::string field = code;
    if (field.size() < kSuiteCodeLength) field.resize(kSuiteCodeLength, ' ');
    Value again = Value::character(field);
    ia::MSGGET1(QStringLiteral("Library Code"), QString(), again, {}, {}, true);  // what is typed is discarded
    return code;
}

bool tagBySuiteCode(ds::DataContext& ctx, int ws, const std::string& code) {
    const std::string scratchName = scratchTableName(ws);
    const std::string field = tagFieldName(ws);
    if (scratchName.empty() || field.empty()) return false;
    rt::SelectionGuard selection(ctx.session);
    try {
        rt::WorkArea* libOpen = ctx.session.area("LIB");
        if (!libOpen) {
            if (!ds::OPNALIAS(ctx, "lib", false, true)) return false;
            libOpen = ctx.session.area("LIB");
            if (!libOpen) return false;
        }
        rt::WorkArea& lib = *libOpen;

        if (!ds::OPNALIAS(ctx, scratchName, true, true)) return false;
        rt::WorkArea* scratch = ctx.session.selected();
        if (!scratch) return false;
        scratch->zap();
        const std::vector<SuitePosition> positions = positionsOfSuiteCode(code);
        for (const SuitePosition& p : positions) {
            scratch->append();
            scratch->setField("GROUP", Value::numeric(p.group));
            scratch->setField("NUMBER", Value::numeric(p.number));
        }
        scratch->commit();

        for (scratch->goTop(); !scratch->eof(); scratch->skip()) {
            const double group = scratch->fieldValue("GROUP").num();
            const double number = scratch->fieldValue("NUMBER").num();
            lib.goTop();
            while (!lib.eof() && !(lib.fieldValue("GROUP").num() == group && lib.fieldValue("NUMBER").num() == number))
                lib.skip();
            if (lib.eof()) continue;
            scratch->setField("SERIAL", lib.fieldValue("SERIAL"));
            ctx.session.select(lib);
            if (ds::RECLOCK(ctx, 2)) {
                lib.setField(field, Value::logical(true));
                lib.unlock();
            }
            ctx.session.select(*scratch);
        }
        scratch->commit();
    } catch (const rt::DbError&) {
        return false;
    }
    return true;
}

}  // namespace mx::lib
