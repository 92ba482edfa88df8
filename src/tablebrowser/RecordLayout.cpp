#include "RecordLayout.h"

#include <algorithm>
#include <cmath>

#include "NumberFormat.h"

namespace mx::tablebrowser {

using rt::FieldType;

namespace {

// Digits the picture takes beyond the field's own width: enough that a
// number one digit too wide is typed whole, and refused, instead of losing
// its last digit to the picture.
constexpr int kSpareDigits = 2;

// Characters a field's control is wide enough to show.
int shownChars(const rt::FieldDef& f) {
    switch (f.type) {
        case FieldType::Character: return std::max(1, f.length);
        case FieldType::Numeric: return f.length + kSpareDigits;
        case FieldType::Date: return 10;
        case FieldType::Logical: return 2;
        case FieldType::Memo: return 1000;
    }
    return f.length;
}

}  // namespace

std::string fieldPicture(const rt::FieldDef& f) {
    switch (f.type) {
        case FieldType::Numeric: {
            const int intDigits = std::max(1, f.length - (f.decimals > 0 ? f.decimals + 1 : 0)) + kSpareDigits;
            std::string p(static_cast<size_t>(intDigits), '9');
            if (f.decimals > 0) p += "." + std::string(static_cast<size_t>(f.decimals), '9');
            return p;
        }
        case FieldType::Logical: return "Y";
        default: return {};
    }
}

std::optional<std::string> misfit(const rt::FieldDef& f, const rt::Value& v) {
    if (f.type != FieldType::Numeric || !v.isNumeric()) return std::nullopt;
    std::string text = rt::formatNumber(v.num(), f.length, f.decimals);
    if (text.find('*') == std::string::npos) return std::nullopt;
    // The number as it would be written with room to spare, for the message.
    std::string wide = rt::formatNumber(v.num(), f.length + 24, f.decimals);
    wide.erase(0, wide.find_first_not_of(' '));
    return f.name + " is " + fieldLabel(f).substr(f.name.size() + 2) + ": " + wide + " does not fit";
}

std::string fieldLabel(const rt::FieldDef& f) {
    std::string type(1, static_cast<char>(f.type));
    std::string size;
    switch (f.type) {
        case FieldType::Numeric:
            size = std::to_string(f.length) + (f.decimals > 0 ? "." + std::to_string(f.decimals) : "");
            break;
        case FieldType::Character: size = std::to_string(f.length); break;
        default: break;
    }
    return f.name + "  " + type + (size.empty() ? "" : " " + size);
}

RecordLayout layoutRecord(const std::vector<rt::FieldDef>& fields, double visibleWidth, double visibleHeight,
                          const LayoutMetrics& m) {
    RecordLayout out;
    auto lines = [&](const rt::FieldDef& f) { return f.type == FieldType::Memo ? m.memoLines : 1; };
    double widest = 0;
    int totalLines = 0;
    for (const rt::FieldDef& f : fields) {
        widest = std::max(widest, std::min(m.maxControl, shownChars(f) * m.charWidth + 6));
        totalLines += lines(f);
    }
    const double columnWidth = m.labelWidth + widest + m.columnGap;
    const int across = std::max(1, static_cast<int>((visibleWidth - 2 * m.margin + m.columnGap) / columnWidth));
    const int fitDown = std::max(1, static_cast<int>((visibleHeight - 2 * m.margin) / m.lineHeight));
    // The fewest columns that show everything without scrolling; all that fit across otherwise.
    int columns = std::clamp((totalLines + fitDown - 1) / fitDown, 1, across);
    columns = std::min(columns, std::max(1, static_cast<int>(fields.size())));
    const int perColumn = std::max(m.memoLines, (totalLines + columns - 1) / columns);

    int column = 0, line = 0, deepest = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const int n = lines(fields[i]);
        if (line > 0 && line + n > perColumn && column + 1 < columns) {
            ++column;
            line = 0;
        }
        FieldPlace p;
        p.field = static_cast<int>(i);
        p.labelCol = m.margin + column * columnWidth;
        p.col = p.labelCol + m.labelWidth;
        p.row = m.margin + line * m.lineHeight;
        p.width = fields[i].type == FieldType::Memo ? widest
                                                     : std::min(m.maxControl, shownChars(fields[i]) * m.charWidth + 6);
        p.height = m.controlHeight + (n - 1) * m.lineHeight;
        out.places.push_back(p);
        line += n;
        deepest = std::max(deepest, line);
    }
    out.columns = column + 1;
    out.pageWidth = 2 * m.margin + out.columns * columnWidth - m.columnGap;
    out.pageHeight = 2 * m.margin + deepest * m.lineHeight;
    return out;
}

}  // namespace mx::tablebrowser
