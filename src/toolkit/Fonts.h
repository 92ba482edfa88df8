// Fonts of the toolkit: the one dialog font every dialog shares (Arial 12
// pixels bold), screen fonts by pixel height and printer fonts by point size.
// "Arial" is asked for by name; fontconfig gives a metric-compatible face
// (Liberation Sans) where Arial itself is not installed, so text measured
// for Arial lays out the same.
#pragma once

#include <QFont>
#include <QString>

namespace mx::tk {

class Fonts {
public:
    // Arial, 12 pixels high, bold.
    static QFont dialog();
    // A screen font: `pixelHeight` 6 to 16 as the screens ask.
    static QFont screen(const QString& face, int pixelHeight, bool bold = false, bool italic = false,
                        bool underline = false);
    // A printer font in points (the drawn reports use 8, 9, 11, 16 and 25).
    static QFont printer(const QString& face, double points, bool bold = false, bool italic = false,
                         bool underline = false);
    // The family the font system really uses for `font`.
    static QString resolvedFamily(const QFont& font);
};

}  // namespace mx::tk
