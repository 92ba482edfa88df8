// Progress of the long passes over a table (the category usage, the
// item-type pass): the passes themselves take a plain callback so they run
// without windows (tests, benchmarks); the screens hand them a PassProgress,
// which lets the windows repaint and shows the count in the main window's
// status line.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace mx::lib {

// Called by a pass with the number of records it has gone through so far,
// once every kProgressStride records.
using ProgressFn = std::function<void(std::uint32_t done)>;
inline constexpr std::uint32_t kProgressStride = 256;

// Tells a pass's callback whether its count is due.
inline bool progressDue(std::uint32_t done) { return done % kProgressStride == 0; }

// The screen side: every call processes the pending window events (user
// input excluded, so no menu action or button starts in the middle of the
// pass) and shows "<what> n of <total>" in the status line. The status line
// is cleared when the object ends.
class PassProgress {
public:
    PassProgress(QString what, std::uint32_t total);
    ~PassProgress();
    PassProgress(const PassProgress&) = delete;
    PassProgress& operator=(const PassProgress&) = delete;

    void operator()(std::uint32_t done) const;
    // A callback for a pass; valid while this object lives.
    ProgressFn callback() const {
        return [this](std::uint32_t done) { (*this)(done); };
    }

private:
    QString what_;
    std::uint32_t total_;
};

}  // namespace mx::lib
