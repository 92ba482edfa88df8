// The clock seam of the retry loops: opening retries once a second, record
// locks every 0.2 seconds. The workstation's sleeper keeps its windows
// painted while it waits; tests use one that only counts.
#pragma once

namespace mx::ds {

class Sleeper {
public:
    virtual ~Sleeper() = default;
    // Waits `seconds` before the caller tries again.
    virtual void wait(double seconds) = 0;
};

// Sleeps the calling thread for real.
class SystemSleeper final : public Sleeper {
public:
    void wait(double seconds) override;
};

}  // namespace mx::ds
