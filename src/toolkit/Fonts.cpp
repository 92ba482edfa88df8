// Font construction (see the header).
#include "Fonts.h"

#include <QFontInfo>

namespace mx::tk {

QFont Fonts::screen(const QString& face, int pixelHeight, bool bold, bool italic, bool underline) {
    QFont f(face);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelHeight > 0 ? pixelHeight : 12);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

QFont Fonts::dialog() { return screen(QStringLiteral("Arial"), 12, true); }

QFont Fonts::printer(const QString& face, double points, bool bold, bool italic, bool underline) {
    QFont f(face);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points > 0 ? points : 10);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

QString Fonts::resolvedFamily(const QFont& font) { return QFontInfo(font).family(); }

}  // namespace mx::tk
