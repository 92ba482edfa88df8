// STATDSPW, MSGGET1 and DECBOX over the toolkit's boxes (see Prompts.h).
#include "Prompts.h"

#include <stdexcept>

#include "Ui.h"

namespace mx::ia {

void STATDSPW(const QString& text, double /*seconds*/) {
    tk::Ui::instance().timed(text, kStatusSeconds, QStringLiteral("Information"));
}

bool MSGGET1(const QString& title, const QString& prompt, rt::Value& value, const QString& fileBitmap,
             const QString& resourceBitmap, bool upperCase) {
    tk::PromptOptions options;
    options.title = title;
    options.prompt = prompt;
    if (!fileBitmap.isEmpty())
        options.bitmap = fileBitmap;
    else if (!resourceBitmap.isEmpty())
        options.bitmap = resourceBitmap.startsWith(u':') ? resourceBitmap : QStringLiteral(":/") + resourceBitmap;
    options.upperCase = upperCase;
    // Ui::prompt edits a working copy; keep the caller's variable untouched
    // unless the answer is OK, whatever a cancelled answer did to the copy.
    rt::Value work = value;
    if (!tk::Ui::instance().prompt(options, work)) return false;
    value = work;
    return true;
}

int DECBOX(const QStringList& captions, int /*ignored*/, const QString& title) {
    if (captions.isEmpty() || captions.size() > 5)
        throw std::invalid_argument("DECBOX takes 1 to 5 captions, not " + std::to_string(captions.size()));
    return tk::Ui::instance().choice(title, captions);
}

}  // namespace mx::ia
