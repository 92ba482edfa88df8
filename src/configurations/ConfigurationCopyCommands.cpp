// The Copy button and the offer to move a configuration's records (see
// ConfigurationCopyCommands.h).
#include "ConfigurationCopyCommands.h"

#include "ConfigurationCopy.h"
#include "Guarded.h"
#include "Prompts.h"
#include "Text.h"
#include "Ui.h"
#include "TextCodec.h"

namespace mx::configurations {

namespace {

QString q(const std::string& s) { return tk::toQ(s); }  // codes are table text

}  // namespace

void COPYCONF(ds::DataContext& ctx, tk::Browse& list) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = ctx.session.openArea("ASSEMBLY");
        if (assembly.eof()) return;
        const int codeField = assembly.fieldIndex("CODE");
        if (codeField < 0) return;
        rt::Value code = rt::Value::character(std::string(static_cast<size_t>(assembly.field(codeField).length), ' '));
        if (!ia::MSGGET1(QString::fromUtf8(kCopyTitle), QString::fromUtf8(kCopyPrompt), code)) return;
        if (ds::allTrim(code.str()).empty()) return;
        if (!openCopyTables(ctx)) return;
        const CopyResult r = copyConfiguration(ctx, code.str());
        if (r.outcome == CopyResult::Outcome::Refused || r.outcome == CopyResult::Outcome::Failed)
            tk::Ui::instance().alert(q(r.message));
    });
    list.resync();
}

void offerMove(ds::DataContext& ctx, const std::string& oldCode) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = ctx.session.openArea("ASSEMBLY");
        if (assembly.eof()) return;
        const std::string from = ds::upper(ds::allTrim(oldCode));
        const std::string to = ds::upper(ds::allTrim(assembly.fieldValue("CODE").str()));
        if (from.empty() || to.empty() || from == to) return;
        if (!openCopyTables(ctx)) return;
        const DependentCounts counts = countDependents(ctx, from);
        if (counts.total() == 0) return;
        tk::Ui& ui = tk::Ui::instance();
        if (CodeRefusal refusal = refuseCode(ctx, to, assembly.recno())) {
            ui.alert(q(refusal.message + " The records of " + from + " stay under " + from + "."));
            return;
        }
        if (!ui.noYes(q(moveQuestion(counts, from, to)))) return;
        const MoveResult moved = moveDependents(ctx, from, to);
        if (moved.stayed.empty()) return;
        std::string text = "In use at another workstation, these records stay under " + from + ":";
        for (size_t i = 0; i < moved.stayed.size(); ++i) text += (i ? ", " : " ") + moved.stayed[i];
        ui.alert(q(text + "."));
    }, true);
}

}  // namespace mx::configurations
