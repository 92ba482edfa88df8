#include "ExprFormat.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ExprProgram.h"
#include "NumberFormat.h"

namespace mx::rt {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

int defaultIntegerWidth(double n) { return (n >= 1e10 || n <= -1e9) ? 20 : 10; }

Value computedNumber(double n, int decimals) {
    decimals = std::clamp(decimals, 0, kMaxComputedDecimals);
    return Value::numeric(n, defaultIntegerWidth(n) + (decimals > 0 ? decimals + 1 : 0), decimals);
}

long long toCount(double n) {
    if (std::isnan(n)) return 0;
    constexpr double kLimit = 2147483647.0;
    if (n >= kLimit) return 2147483647LL;
    if (n <= -kLimit) return -2147483647LL;
    return static_cast<long long>(n);
}

void strInto(const Value& n, int width, int decimals, std::string& out) {
    if (width < 1) {
        width = n.width();
        if (decimals < 0) decimals = n.decimals();
    }
    if (decimals < 0) decimals = 0;
    if (width < 1) width = defaultIntegerWidth(n.num()) + (decimals > 0 ? decimals + 1 : 0);
    out.resize(static_cast<std::size_t>(width));
    formatNumber(n.num(), width, decimals, out.data());
}

void strZeroInto(const Value& n, int width, int decimals, std::string& out) {
    strInto(n, width, decimals, out);
    if (!out.empty() && out[0] == '*') return;
    std::size_t i = 0;
    while (i < out.size() && out[i] == ' ') out[i++] = '0';
    if (i < out.size() && out[i] == '-') {
        out[i] = '0';
        out[0] = '-';
    }
}

// ---- dates ------------------------------------------------------------------

namespace {

struct DatePart {
    char letter;  // 'D', 'M' or 'Y'
    int length;   // letters in the picture
};

// The picture as runs of D, M, Y letters and the literal bytes between them.
template <typename OnPart, typename OnLiteral>
void scanPicture(std::string_view picture, OnPart onPart, OnLiteral onLiteral) {
    std::size_t i = 0;
    while (i < picture.size()) {
        char u = upper(picture[i]);
        if (u == 'D' || u == 'M' || u == 'Y') {
            std::size_t j = i;
            while (j < picture.size() && upper(picture[j]) == u) ++j;
            onPart(DatePart{u, static_cast<int>(j - i)});
            i = j;
        } else {
            onLiteral(picture[i]);
            ++i;
        }
    }
}

void appendDigits(std::string& out, int value, int digits, bool blank) {
    std::size_t at = out.size();
    out.append(static_cast<std::size_t>(digits), ' ');
    if (blank) return;
    for (int k = digits - 1; k >= 0; --k) {
        out[at + static_cast<std::size_t>(k)] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

std::string formatDate(DayNumber day, std::string_view picture) {
    if (picture.empty()) picture = "mm/dd/yy";
    const bool blank = day <= 0;
    Ymd d = blank ? Ymd{} : ymdFromDay(day);
    std::string out;
    scanPicture(
        picture,
        [&](DatePart p) {
            if (p.letter == 'D') appendDigits(out, d.day, 2, blank);
            else if (p.letter == 'M') appendDigits(out, d.month, 2, blank);
            else if (p.length >= 4) appendDigits(out, d.year, 4, blank);
            else appendDigits(out, d.year % 100, 2, blank);
        },
        [&](char c) { out.push_back(c); });
    return out;
}

DayNumber parseDate(std::string_view text, std::string_view picture, int epoch) {
    if (picture.empty()) picture = "mm/dd/yy";
    std::vector<DatePart> order;
    scanPicture(
        picture,
        [&](DatePart p) {
            for (const DatePart& q : order)
                if (q.letter == p.letter) return;
            order.push_back(p);
        },
        [](char) {});
    int day = 0, month = 0, year = 0, yearDigits = 0;
    std::size_t i = 0;
    for (const DatePart& p : order) {
        while (i < text.size() && !isDigit(text[i])) ++i;
        const int maxDigits = p.letter == 'Y' ? 4 : 2;
        int value = 0, digits = 0;
        while (i < text.size() && isDigit(text[i]) && digits < maxDigits) {
            value = value * 10 + (text[i] - '0');
            ++digits;
            ++i;
        }
        if (digits == 0) return 0;
        if (p.letter == 'D') day = value;
        else if (p.letter == 'M') month = value;
        else {
            year = value;
            yearDigits = digits;
        }
    }
    if (order.size() != 3) return 0;
    if (yearDigits <= 2) {
        year += epoch / 100 * 100;
        if (year < epoch) year += 100;
    }
    return dayFromYmd(year, month, day);
}

// ---- TRANSFORM --------------------------------------------------------------

namespace {

std::string transformNumber(double n, std::string_view functions, std::string_view tpl, int width,
                            int decimals) {
    const bool zeroBlank = functions.find('Z') != std::string_view::npos;
    const bool leftAlign = functions.find('B') != std::string_view::npos;
    std::string out;
    if (tpl.empty()) {
        out = formatNumber(n, width > 0 ? width : defaultIntegerWidth(n), decimals);
    } else {
        std::size_t point = tpl.find('.');
        int intSlots = 0, decSlots = 0;
        for (std::size_t i = 0; i < tpl.size(); ++i) {
            if (tpl[i] != '9' && tpl[i] != '#') continue;
            (point != std::string_view::npos && i > point ? decSlots : intSlots)++;
        }
        const int textWidth = intSlots + (decSlots > 0 ? decSlots + 1 : 0);
        std::string text;
        bool fits = textWidth > 0;
        if (fits) {
            text.resize(static_cast<std::size_t>(textWidth));
            fits = formatNumber(n, textWidth, decSlots, text.data());
        }
        out.assign(tpl);
        // Right to left: digit slots take the number's characters, commas show
        // only between digits, the point is the number's own point.
        long k = static_cast<long>(text.size()) - 1;
        for (long i = static_cast<long>(tpl.size()) - 1; i >= 0; --i) {
            char c = tpl[static_cast<std::size_t>(i)];
            char& o = out[static_cast<std::size_t>(i)];
            if (c == '9' || c == '#') {
                o = !fits ? '*' : (k >= 0 ? text[static_cast<std::size_t>(k--)] : ' ');
            } else if (c == '.' && static_cast<std::size_t>(i) == point) {
                o = '.';
                if (fits && decSlots > 0 && k >= 0) --k;
            } else if (c == ',') {
                o = (fits && k >= 0 && isDigit(text[static_cast<std::size_t>(k)])) ? ',' : (fits ? ' ' : '*');
            }
        }
    }
    if (zeroBlank && n == 0.0) std::fill(out.begin(), out.end(), ' ');
    if (leftAlign) {
        std::size_t lead = out.find_first_not_of(' ');
        if (lead != std::string::npos && lead > 0) {
            out.erase(0, lead);
            out.append(lead, ' ');
        }
    }
    return out;
}

std::string transformText(const std::string& s, std::string_view functions, std::string_view tpl) {
    const bool allUpper = functions.find('!') != std::string_view::npos;
    const bool insertLiterals = functions.find('R') != std::string_view::npos;
    std::string out;
    if (tpl.empty()) {
        out = s;
    } else {
        std::size_t k = 0;
        for (char c : tpl) {
            const bool slot = c == '!' || c == '9' || c == '#' || c == 'A' || c == 'N' || c == 'X' ||
                              c == 'L' || c == 'Y' || c == '*' || c == '$';
            if (slot) {
                char v = k < s.size() ? s[k] : ' ';
                out.push_back(c == '!' ? upper(v) : v);
                ++k;
            } else {
                out.push_back(c);
                if (!insertLiterals) ++k;  // the literal takes the place of a character
            }
        }
    }
    if (allUpper)
        for (char& c : out) c = upper(c);
    return out;
}

}  // namespace

std::string transformValue(const Value& v, std::string_view picture, std::string_view datePicture) {
    std::string_view functions, tpl = picture;
    if (!picture.empty() && picture[0] == '@') {
        std::size_t space = picture.find(' ');
        functions = picture.substr(1, space == std::string_view::npos ? std::string_view::npos : space - 1);
        tpl = space == std::string_view::npos ? std::string_view() : picture.substr(space + 1);
    }
    std::string upperFunctions(functions);
    for (char& c : upperFunctions) c = upper(c);
    switch (v.type()) {
        case ValueType::Character: return transformText(v.str(), upperFunctions, tpl);
        case ValueType::Numeric:
            return transformNumber(v.num(), upperFunctions, tpl, v.width(), v.decimals());
        case ValueType::Logical: {
            const bool yesNo = (!tpl.empty() && upper(tpl[0]) == 'Y') ||
                               upperFunctions.find('Y') != std::string::npos;
            return std::string(1, yesNo ? (v.boolean() ? 'Y' : 'N') : (v.boolean() ? 'T' : 'F'));
        }
        case ValueType::Date: return formatDate(v.day(), datePicture);
        case ValueType::Nil: break;
    }
    return std::string();
}

// ---- substring search ---------------------------------------------------------

std::size_t findBytes(std::string_view hay, std::string_view needle, bool last) {
    if (needle.empty() || needle.size() > hay.size()) return std::string_view::npos;
    // Short needles: the library search is fast and its worst case small.
    if (needle.size() <= 16) return last ? hay.rfind(needle) : hay.find(needle);
    // Knuth-Morris-Pratt, over the reversed strings when searching from the end.
    const std::size_t m = needle.size();
    auto at = [&](std::string_view s, std::size_t i) { return last ? s[s.size() - 1 - i] : s[i]; };
    std::vector<std::size_t> border(m + 1, 0);
    for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && at(needle, i) != at(needle, k)) k = border[k];
        if (at(needle, i) == at(needle, k)) ++k;
        border[i + 1] = k;
    }
    for (std::size_t i = 0, k = 0; i < hay.size(); ++i) {
        while (k > 0 && at(hay, i) != at(needle, k)) k = border[k];
        if (at(hay, i) == at(needle, k)) ++k;
        if (k == m) {
            std::size_t startFromScan = i + 1 - m;
            return last ? hay.size() - 1 - i : startFromScan;
        }
    }
    return std::string_view::npos;
}

}  // namespace mx::rt
