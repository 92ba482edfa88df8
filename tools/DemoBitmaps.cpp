#include "DemoBitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
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
    // Whole or not at all: written beside the target, then renamed over it.
    const std::string partial = path + ".tmp";
    std::ofstream f(partial, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    f.close();
    if (!f || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        throw std::runtime_error("cannot write " + path);
    }
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

// Coverage of a pixel by a shape, from a 4 x 4 grid of samples: smooth edges
// without a drawing library.
double coverage(int x, int y, const std::function<bool(double, double)>& inside) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
    return hits / 16.0;
}

Rgb blend(Rgb under, Rgb over, double t) { return Rgb{mix(under.r, over.r, t), mix(under.g, over.g, t), mix(under.b, over.b, t)}; }

// The search prompts' magnifying glass, 32 x 32: a glass lens in a dark rim,
// a handle to the lower right, on the window background.
Rgb magnifier(int x, int y, Rgb background) {
    const double cx = 12.5, cy = 12.5, rim = 10.5, glass = 8.0;
    auto distance = [&](double px, double py) { return std::hypot(px - cx, py - cy); };
    // The handle: a thick bar along the diagonal from the rim outwards.
    auto handle = [&](double px, double py) {
        const double along = ((px - cx) + (py - cy)) / std::sqrt(2.0);
        const double across = std::fabs((px - cx) - (py - cy)) / std::sqrt(2.0);
        return along > rim - 1 && along < 25.5 && across < 2.6;
    };
    Rgb c = background;
    c = blend(c, Rgb{120, 72, 40}, coverage(x, y, handle));
    c = blend(c, Rgb{56, 60, 68}, coverage(x, y, [&](double px, double py) { return distance(px, py) <= rim; }));
    const double inGlass = coverage(x, y, [&](double px, double py) { return distance(px, py) <= glass; });
    // Glass with a sheen towards the upper left.
    const double t = std::clamp((x + y) / 26.0, 0.0, 1.0);
    c = blend(c, Rgb{mix(236, 150, t), mix(246, 196, t), mix(255, 232, t)}, inGlass);
    return c;
}

// Writes the bitmap unless `onlyMissing` and a file of that name is there;
// the names written are added to `written`.
void put(const std::string& dir, const char* name, int w, int h, const std::function<Rgb(int, int)>& pixel,
         bool onlyMissing, std::vector<std::string>* written) {
    const std::string path = dir + "/" + name;
    std::error_code ec;
    if (onlyMissing && std::filesystem::exists(path, ec)) return;
    writeBmp(path, w, h, pixel);
    if (written) written->push_back(name);
}

const Rgb kPaper{239, 239, 239};  // the usual window background

}  // namespace

void writeProgramBitmaps(const std::string& dir, bool onlyMissing, std::vector<std::string>* written) {
    put(dir, "lupa.bmp", 32, 32, [](int x, int y) { return magnifier(x, y, kPaper); }, onlyMissing, written);
}

void writeDemoBitmaps(const std::string& dir, bool onlyMissing, std::vector<std::string>* written) {
    put(dir, "logo.bmp", 240, 180, [](int x, int y) { return window(x, y, 30, 10, 180, 160, kPaper); }, onlyMissing,
        written);
    put(dir, "tws.bmp", 360, 220,
        [](int x, int y) {
            Rgb sky{mix(24, 60, y / 220.0), mix(52, 96, y / 220.0), mix(96, 150, y / 220.0)};
            return window(x, y, 100, 20, 160, 180, sky);
        },
        onlyMissing, written);
}

}  // namespace mx::admin
