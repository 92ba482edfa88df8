// The system's own small dialogs: the timed status box `STATDSPW`, the
// one-field prompt `MSGGET1` and the choice box `DECBOX`. They are the
// toolkit's timed box, text prompt and choice box (Ui), which already have
// these layouts and record `timed …`, `prompt …` and `choice …` in the
// transcript; what is fixed here is what the callers pass and get back.
#pragma once

#include <QString>
#include <QStringList>

#include "Value.h"

namespace mx::ia {

// How long the timed box stands, whatever the caller asks.
inline constexpr double kStatusSeconds = 2.0;

// The text in a box titled "Information" for 2 seconds (`seconds` is
// accepted and ignored, as are further arguments); returns when it has
// closed, the windows repainting meanwhile.
void STATDSPW(const QString& text, double seconds = kStatusSeconds);
template <class... Ignored>
void STATDSPW(const QString& text, double seconds, Ignored&&...) {
    STATDSPW(text, seconds);
}

// The one-field prompt: `value` (its width is the field's length) is
// replaced by what was typed only when "&Ok" is pressed (true); "&Cancel"
// and Escape leave it exactly as it was (false). `upperCase` gives the field
// the picture "@!". The bitmap is the file `fileBitmap`, else the program
// resource `resourceBitmap` (a Qt resource, ":/NAME"), else none.
bool MSGGET1(const QString& title, const QString& prompt, rt::Value& value, const QString& fileBitmap = {},
             const QString& resourceBitmap = {}, bool upperCase = true);

// The choice box: 1 to 5 captions as radio buttons, the first preselected;
// the 1-based choice on "&Select", 0 on "E&xit" or Escape. An empty title
// shows "Enter Your Selection:". Throws std::invalid_argument for no
// captions or more than 5.
int DECBOX(const QStringList& captions, int ignored = 9, const QString& title = {});

}  // namespace mx::ia
