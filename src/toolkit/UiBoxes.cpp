// The prompt and the choice box: Ui's two boxes that are toolkit dialogs,
// kept apart from Ui.cpp so that Ui itself stands below Dialog.
#include "Dialog.h"
#include "HotKeys.h"
#include "PictureValidator.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::tk {

bool Ui::prompt(const PromptOptions& options, rt::Value& value) {
    const QString picture = !options.picture.isEmpty() ? options.picture : options.upperCase ? QStringLiteral("@!") : QString();
    PictureFormat format(fromQ(picture), value, dates_);
    bool ok = false;
    if (answers_) {
        auto a = answers_->takeAnswer(QStringLiteral("the prompt \"%1\"").arg(options.title),
                                      {AnswerSource::Answer::Text, AnswerSource::Answer::Ok, AnswerSource::Answer::Cancel});
        if (!a) return false;
        ok = a->kind != AnswerSource::Answer::Cancel;
        if (a->kind == AnswerSource::Answer::Text) {
            // Typed as a person would: a text the field cannot hold whole is
            // refused whole and said, and OK then takes what the field held.
            const QString typed = fromUtf8(a->text);
            PictureValidator check(format, nullptr);
            if (const QString refused = check.refusal(typed); !refused.isEmpty()) {
                if (transcript_) transcript_->invalid(QStringLiteral("VALUE"), options.password ? QString(typed.size(), '*') : typed);
            } else {
                value = format.value(format.type(fromQ(typed)), value);
            }
        }
    } else {
        ok = promptDialog(options, value);
    }
    if (transcript_)
        transcript_->prompt(options.title, options.prompt, ok ? std::optional<QString>(toQ(format.display(value))) : std::nullopt);
    return ok;
}

// The prompt's layout: a 400 x 120 box, the bitmap at the top left, the
// prompt line over the field, "&Ok" (default) and "&Cancel" under it.
bool Ui::promptDialog(const PromptOptions& options, rt::Value& value) {
    Dialog dlg(options.title, Box{10, 10, 130, 410}, activeWindow());
    dlg.setCentred(true);
    dlg.setReported(false);
    dlg.setProperty(HotKeys::kOwnKeys, true);  // Enter is OK here, not the screen's View/Update
    rt::Value work = value;
    if (!options.bitmap.isEmpty()) dlg.addBitmap({5, 5, 20, 20}, options.bitmap);
    dlg.addText({10, 40, 250, 10}, options.prompt);
    FieldOptions field;
    field.name = QStringLiteral("VALUE");
    field.picture = !options.picture.isEmpty() ? options.picture : options.upperCase ? QStringLiteral("@!") : QString();
    field.password = options.password;
    dlg.addField({22, 40, 120, 12}, work, field);
    bool ok = false;
    Button* okButton = dlg.addButton({40, 40, 45, 12}, QStringLiteral("&Ok"), [&] {
        ok = true;
        dlg.end();
    });
    dlg.addButton({40, 100, 45, 12}, QStringLiteral("&Cancel"), [&] { dlg.reject(); });
    dlg.setDefaultButton(okButton);
    dlg.run();
    if (ok) value = work;
    return ok;
}

int Ui::choice(const QString& title, const QStringList& captions) {
    const QString shown = title.isEmpty() ? QStringLiteral("Enter Your Selection:") : title;
    int n = 0;
    if (answers_) {
        auto a = answers_->takeAnswer(QStringLiteral("the choice box \"%1\"").arg(shown),
                                      {AnswerSource::Answer::Choice, AnswerSource::Answer::Cancel});
        if (!a) return 0;
        n = a->kind == AnswerSource::Answer::Choice ? a->number : 0;
        if (n < 0 || n > captions.size()) {
            answers_->fail(AnswerSource::NotCarriedOut,
                            QStringLiteral("the choice box \"%1\" has no choice %2").arg(shown).arg(n));
            return 0;
        }
    } else {
        n = choiceDialog(shown, captions);
    }
    if (transcript_) transcript_->choice(shown, n);
    return n;
}

// The choice box's layout: a 250 x 250 box, the radio group at the top left,
// "&Select" and "E&xit" under it.
int Ui::choiceDialog(const QString& title, const QStringList& captions) {
    Dialog dlg(title, Box{0, 0, 250, 250}, activeWindow());
    dlg.setCentred(true);
    dlg.setReported(false);
    dlg.setProperty(HotKeys::kOwnKeys, true);
    int chosen = 1;
    dlg.addRadio({5, 10}, chosen, captions, QStringLiteral("CHOICE"));
    int result = 0;
    Button* select = dlg.addButton({100, 10, 45, 12}, QStringLiteral("&Select"), [&] {
        result = chosen;
        dlg.end();
    });
    dlg.addButton({100, 60, 45, 12}, QStringLiteral("E&xit"), [&] {
        result = 0;
        dlg.end();
    });
    dlg.setDefaultButton(select);
    dlg.run();
    return result;
}

}  // namespace mx::tk
