#include "DemoBitmaps.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <vector>

namespace mx::admin {

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// A 24-bit uncompressed Windows bitmap: 14-byte file header, 40-byte info
// header, rows bottom-up, each padded to a multiple of 4 bytes.
void writeBmp(const std::string& path, int w, int h, const std::function<Rgb(int x, int y)>& pixel) {
    const int rowBytes = (w * 3 + 3) & ~3;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(rowBytes * h);
    std::vector<std::uint8_t> out(54 + dataSize, 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, 54 + dataSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    out[26] = 1;   // planes
    out[28] = 24;  // bits per pixel
    put32(34, dataSize);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = &out[54 + static_cast<size_t>((h - 1 - y) * rowBytes)];
        for (int x = 0; x < w; ++x) {
            Rgb c = pixel(x, y);
            row[x * 3] = c.b;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.r;
        }
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

std::uint8_t mix(int a, int b, double t) { return static_cast<std::uint8_t>(a + (b - a) * t); }

// An aluminium window in elevation: frame, two sashes with glass, a louvre
// panel with blades below, drawn into a w x h area at (ox, oy).
Rgb window(int x, int y, int ox, int oy, int w, int h, Rgb background) {
    const Rgb frame{96, 104, 112}, sash{150, 158, 166}, blade{182, 190, 198};
    int X = x - ox, Y = y - oy;
    if (X < 0 || Y < 0 || X >= w || Y >= h) return background;
    const int f = w / 24;                 // frame thickness
    if (X < f || Y < f || X >= w - f || Y >= h - f) return frame;
    const int louvreTop = h * 2 / 3;      // transom between glass and louvres
    if (Y >= louvreTop - f / 2 && Y < louvreTop + f / 2) return frame;
    if (Y < louvreTop) {
        const int mid = w / 2;
        if (X >= mid - f / 2 && X < mid + f / 2) return frame;       // mullion
        int sx = X < mid ? X - f : X - mid - f / 2;                   // inside a sash
        int sw = mid - f - f / 2;
        int sy = Y - f, sh = louvreTop - f / 2 - f;
        const int s = f * 2 / 3;                                      // sash section
        if (sx < s || sy < s || sx >= sw - s || sy >= sh - s) return sash;
        double t = static_cast<double>(sx + sy) / (sw + sh);          // glass with a sheen
        return Rgb{mix(170, 215, t), mix(205, 235, t), mix(230, 250, t)};
    }
    int ly = Y - louvreTop - f / 2;
    int pitch = f * 2;
    if (ly % pitch < f) return blade;
    return Rgb{60, 66, 74};
}

}  // namespace

void writeDemoBitmaps(const std::string& dir) {
    const Rgb paper{239, 239, 239};  // the usual window background
    writeBmp(dir + "/logo.bmp", 240, 180, [&](int x, int y) { return window(x, y, 30, 10, 180, 160, paper); });
    writeBmp(dir + "/tws.bmp", 360, 220, [&](int x, int y) {
        Rgb sky{mix(24, 60, y / 220.0), mix(52, 96, y / 220.0), mix(96, 150, y / 220.0)};
        return window(x, y, 100, 20, 160, 180, sky);
    });
}

}  // namespace mx::admin
