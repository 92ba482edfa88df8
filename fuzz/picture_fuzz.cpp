// Fuzzes the edit-field pictures and the date texts under them. The first
// bytes choose the value type, the width and decimals of the value edited,
// the date style's epoch; then come the picture, the date picture and the
// typed keys, separated by newlines. Every operation of PictureFormat runs:
// display of the value and of values read back, accept, refusal, type, value.
// Besides crashes and sanitizer reports, a finding is typed text the picture
// itself refuses, text longer than the field, or a refusal without a reason.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Date.h"
#include "Error.h"
#include "PictureFormat.h"

namespace {

using mx::rt::Value;
using mx::tk::DateStyle;
using mx::tk::PictureFormat;

[[noreturn]] void finding(const char* what) {
    std::fprintf(stderr, "picture_fuzz: %s\n", what);
    std::abort();
}

std::string_view nextPart(std::string_view& in) {
    size_t nl = in.find('\n');
    std::string_view part = in.substr(0, nl);
    in = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const int kind = data[0] % 5;
    const int width = data[1] % 40;
    // As fields have them: decimals leave room for a digit and the point.
    const int decimals = width > 2 ? data[2] % (width - 1) : 0;
    const int epoch = 1900 + data[3];
    std::string_view in(reinterpret_cast<const char*>(data + 4), size - 4);
    std::string_view picture = nextPart(in);
    std::string_view datePicture = nextPart(in);
    std::string_view keys = in;

    Value like;
    switch (kind) {
        case 0: like = Value::character(std::string(static_cast<size_t>(width), 'x')); break;
        case 1: like = Value::numeric(-12345.678, width, decimals); break;
        case 2: like = Value::logical(true); break;
        case 3: like = Value::date(mx::rt::dayFromYmd(2024, 2, 29)); break;
        default: break;  // nil, edited as text
    }
    DateStyle dates;
    if (!datePicture.empty()) dates.picture = std::string(datePicture);
    dates.epoch = epoch;
    try {
        PictureFormat pf(picture, like, dates);
        (void)pf.display(like);
        std::string typed = pf.type(keys);
        if (static_cast<int>(typed.size()) > pf.length() && pf.length() > 0) finding("typed text longer than the field");
        if (!pf.accept(typed)) finding("the picture refuses the text typing left in the field");
        Value v = pf.value(typed, like);
        (void)pf.display(v);
        // A text refused says what the field holds; one accepted has no refusal.
        if (pf.accept(keys).has_value() != pf.refusal(keys).empty()) finding("a refusal without its reason, or one for a text taken");
        Value w = pf.value(keys, like);
        (void)pf.display(w);
    } catch (const mx::rt::DbError&) {
    }
    return 0;
}
