// The library codes on the data (see LibraryCodes.h).
#include "LibraryCodes.h"

#include <cmath>

#include "Error.h"
#include "Opening.h"
#include "Prompts.h"
#include "RecordServices.h"
#include "Ui.h"
#include "WorkstationTags.h"

namespace mx::lib {

using rt::Value;

namespace {


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

std::string LIBCODE(ds::DataContext& ctx, int ws) {
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

        // The tags this workstation sees in the Tag column, not another's.
        const int tag = lib.fieldIndex(shownTagFieldName(ws));
        if (tag < 0) throw rt::DbError(rt::ErrorKind::NotFound, lib.alias(), "no field " + shownTagFieldName(ws));
        std::vector<SuiteEntry> entries;
        for (lib.goTop(); !lib.eof(); lib.skip()) entries.push_back({lib.fieldValue("NUMBER").num(), lib.fieldValue(tag).isTrue()});
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
