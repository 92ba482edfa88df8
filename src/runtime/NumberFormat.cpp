#include "NumberFormat.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

namespace mx::rt {

namespace {

const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double pow10(int n) { return n >= 0 && n <= 22 ? kPow10[n] : std::pow(10.0, n); }

// Exact decimal rounding through the shortest round-trip text of the value;
// used only near a .5 boundary, where binary doubles mislead plain rounding.
bool roundViaDecimalText(double absValue, int decimals, std::uint64_t* scaledOut) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15e", absValue);
    // buf = d.ddddddddddddddde[+-]xx
    const char* e = std::strchr(buf, 'e');
    if (!e) return false;
    int exp10 = std::atoi(e + 1);
    char digits[20];
    int nd = 0;
    for (const char* p = buf; p < e; ++p)
        if (*p >= '0' && *p <= '9') digits[nd++] = *p;
    // value = 0.d1d2...d16 * 10^(exp10+1); keep digits up to position `decimals`
    int keep = exp10 + 1 + decimals;  // number of leading digits forming the scaled integer
    if (keep > 18) return false;
    std::uint64_t scaled = 0;
    for (int i = 0; i < keep && i < nd; ++i) scaled = scaled * 10 + static_cast<unsigned>(digits[i] - '0');
    for (int i = nd; i < keep; ++i) scaled *= 10;
    if (keep >= 0 && keep < nd && digits[keep] >= '5') ++scaled;
    if (keep < 0) scaled = 0;
    *scaledOut = scaled;
    return true;
}

// |value| * 10^decimals rounded half away from zero, as an integer.
// Returns false when it does not fit in 18 digits.
bool scaledMagnitude(double absValue, int decimals, std::uint64_t* out) {
    double scaled = absValue * pow10(decimals);
    if (!(scaled < 1e18)) return false;
    // floor of a non-negative value below 2^63: the truncating conversion
    // (exact: below 2^53 the integer part fits, above it there is no fraction).
    double fl = static_cast<double>(static_cast<std::int64_t>(scaled));
    double frac = scaled - fl;
    if (std::fabs(frac - 0.5) < 1e-6) return roundViaDecimalText(absValue, decimals, out);
    *out = static_cast<std::uint64_t>(fl) + (frac > 0.5 ? 1 : 0);
    return true;
}

}  // namespace

double roundHalfAway(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    std::uint64_t scaled;
    if (decimals < 0 || decimals > 18 || !scaledMagnitude(std::fabs(value), decimals, &scaled)) {
        double p = pow10(decimals);
        double s = value * p;
        // Beyond 2^52 a double has no fraction left to round (and value * p
        // may overflow): the value is already as precise as it gets.
        if (!std::isfinite(s) || std::fabs(s) >= 4503599627370496.0) return value;
        return std::round(s) / p;
    }
    double r = static_cast<double>(scaled) / pow10(decimals);
    return value < 0 ? -r : r;
}

bool formatNumber(double value, int width, int decimals, char* out) {
    if (width <= 0) return false;
    if (decimals < 0) decimals = 0;
    auto fillStars = [&] {
        std::memset(out, '*', static_cast<size_t>(width));
        return false;
    };
    if (!std::isfinite(value)) return fillStars();
    std::uint64_t scaled;
    bool negative = value < 0;
    // The fast path below builds at most 18 digits, a point and a sign in a
    // small buffer; more decimals than that go through printf.
    if (decimals > 18 || !scaledMagnitude(std::fabs(value), decimals, &scaled)) {
        double rounded = roundHalfAway(value, decimals);
        if (rounded == 0.0) rounded = 0.0;  // no "-0.00"
        int n = std::snprintf(nullptr, 0, "%.*f", decimals, rounded);
        if (n < 0 || n > width) return fillStars();
        std::string text(static_cast<size_t>(n) + 1, '\0');
        std::snprintf(text.data(), text.size(), "%.*f", decimals, rounded);
        std::memset(out, ' ', static_cast<size_t>(width - n));
        std::memcpy(out + (width - n), text.data(), static_cast<size_t>(n));
        return true;
    }
    if (scaled == 0) negative = false;
    // Build the text right to left in place, two digits at a time.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    int pos = width;
    auto put = [&](char c) {
        if (pos == 0) return false;
        out[--pos] = c;
        return true;
    };
    int d = decimals;
    while (d >= 2) {
        if (pos < 2) return fillStars();
        const auto pair = static_cast<unsigned>(scaled % 100);
        scaled /= 100;
        out[--pos] = kPairs[2 * pair + 1];
        out[--pos] = kPairs[2 * pair];
        d -= 2;
    }
    if (d == 1) {
        if (!put(static_cast<char>('0' + scaled % 10))) return fillStars();
        scaled /= 10;
    }
    if (decimals > 0 && !put('.')) return fillStars();
    // Integer part: at least one digit.
    while (scaled >= 100) {
        if (pos < 2) return fillStars();
        const auto pair = static_cast<unsigned>(scaled % 100);
        scaled /= 100;
        out[--pos] = kPairs[2 * pair + 1];
        out[--pos] = kPairs[2 * pair];
    }
    if (scaled >= 10) {
        if (pos < 2) return fillStars();
        out[--pos] = kPairs[2 * scaled + 1];
        out[--pos] = kPairs[2 * scaled];
    } else if (!put(static_cast<char>('0' + scaled))) {
        return fillStars();
    }
    if (negative && !put('-')) return fillStars();
    while (pos > 0) out[--pos] = ' ';
    return true;
}

std::string formatNumber(double value, int width, int decimals) {
    if (width <= 0) return std::string();
    std::string s(static_cast<size_t>(width), ' ');
    formatNumber(value, width, decimals, s.data());
    return s;
}

double parseNumber(std::string_view t, int* decimalsOut) {
    size_t i = 0, n = t.size();
    while (i < n && (t[i] == ' ' || t[i] == '\t')) ++i;
    size_t begin = i;
    bool negative = false;
    if (i < n && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    // The digits as one integer while it stays exact (at most 18 digits).
    std::uint64_t mantissa = 0;
    int digits = 0;
    bool any = false;
    while (i < n && t[i] >= '0' && t[i] <= '9') {
        mantissa = mantissa * 10 + static_cast<unsigned>(t[i] - '0');
        ++digits;
        any = true;
        ++i;
    }
    int decimals = 0;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9') {
            mantissa = mantissa * 10 + static_cast<unsigned>(t[i] - '0');
            ++digits;
            ++decimals;
            any = true;
            ++i;
        }
    }
    if (decimalsOut) *decimalsOut = decimals;
    if (!any) return 0.0;
    // Field texts are short: when the digits form an integer below 2^53 and
    // 10^decimals is exact, one division is correctly rounded, which is what
    // strtod gives (Clinger's fast path).
    if (digits <= 18 && mantissa <= (std::uint64_t(1) << 53) && decimals <= 22) {
        double v = static_cast<double>(mantissa) / kPow10[decimals];
        return negative ? -v : v;
    }
    // strtod on exactly the accepted span gives the correctly rounded double.
    char buf[128];
    size_t len = i - begin;
    if (len < sizeof buf) {
        std::memcpy(buf, t.data() + begin, len);
        buf[len] = 0;
        return std::strtod(buf, nullptr);
    }
    std::string tmp(t.substr(begin, len));
    return std::strtod(tmp.c_str(), nullptr);
}

}  // namespace mx::rt
