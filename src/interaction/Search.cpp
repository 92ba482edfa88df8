// SRCH (see Search.h).
#include "Search.h"

#include <string>

#include "Guarded.h"
#include "Opening.h"
#include "Prompts.h"
#include "Text.h"
#include "Ui.h"
#include "WorkArea.h"

namespace mx::ia {

void SRCH(tk::Browse& browse, const QString& bitmap) {
    rt::WorkArea& area = browse.area();
    const std::uint32_t remembered = area.recno();

    rt::Value text = rt::Value::character(std::string(10, ' '));
    tk::PromptOptions options;
    options.title = QStringLiteral("Search");
    options.prompt = QStringLiteral("Search");
    options.bitmap = bitmap;
    options.upperCase = false;  // the text is sought as typed
    if (!tk::Ui::instance().prompt(options, text)) return;

    std::string wanted = text.str();
    wanted.erase(wanted.find_last_not_of(' ') + 1);
    // Soft seeking is asked for this one seek; the session's setting stays.
    if (!area.seek(rt::Value::character(wanted), /*soft=*/true)) {
        tk::Ui::instance().alert(QStringLiteral("No Match Found"));
        area.goTo(remembered);
    }
    browse.resync();
}

void searchByCode(ds::DataContext& ctx, tk::Browse& list, const QString& label, int width) {
    rt::Settings& settings = ctx.session.settings();
    const bool softBefore = settings.softSeek;
    settings.softSeek = true;
    guarded(ctx, [&] {
        rt::Value code = rt::Value::character(std::string(static_cast<size_t>(width), ' '));
        if (!MSGGET1(QStringLiteral("Search"), label, code,
                     QString::fromStdString(ds::dataFile(ctx, kSearchBitmap.toStdString()))))
            return;
        rt::WorkArea& area = list.area();
        if (!area.seek(rt::Value::character(ds::upper(ds::allTrim(code.str()))), true)) {
            tk::Ui::instance().alert(QStringLiteral("No Match Found"));
            area.goTop();
        }
    });
    settings.softSeek = softBefore;
    list.resync();
}

}  // namespace mx::ia
