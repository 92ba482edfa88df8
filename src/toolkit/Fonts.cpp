// Font construction (see the header).
#include "Fonts.h"

#include <QFontInfo>

namespace mx::tk {

namespace {

// A sans-serif face with the given style; the size is set by the caller.
QFont styled(const QString& face, bool bold, bool italic, bool underline) {
    QFont f(face);
    f.setStyleHint(QFont::SansSerif);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

}  // namespace

QFont Fonts::screen(const QString& face, int pixelHeight, bool bold, bool italic, bool underline) {
    QFont f = styled(face, bold, italic, underline);
    f.setPixelSize(pixelHeight > 0 ? pixelHeight : 12);
    return f;
}

QFont Fonts::dialog() { return screen(QStringLiteral("Arial"), 12, true); }

QFont Fonts::printer(const QString& face, double points, bool bold, bool italic, bool underline) {
    QFont f = styled(face, bold, italic, underline);
    f.setPointSizeF(points > 0 ? points : 10);
    return f;
}

QString Fonts::resolvedFamily(const QFont& font) { return QFontInfo(font).family(); }

}  // namespace mx::tk
