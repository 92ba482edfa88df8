// A sleeper that does not sleep: it counts the waits and adds them up, and
// can run a hook at every wait (a test lets another process give up a file
// after so many retries).
#pragma once

#include <functional>
#include <vector>

#include "Sleeper.h"

namespace mx::ds {

class RecordingSleeper final : public Sleeper {
public:
    void wait(double seconds) override {
        waits_.push_back(seconds);
        if (onWait) onWait(static_cast<int>(waits_.size()));
    }

    int count() const { return static_cast<int>(waits_.size()); }
    double total() const {
        double t = 0;
        for (double s : waits_) t += s;
        return t;
    }
    const std::vector<double>& waits() const { return waits_; }
    void reset() { waits_.clear(); }

    // Called after each wait with the number of waits so far.
    std::function<void(int)> onWait;

private:
    std::vector<double> waits_;
};

}  // namespace mx::ds
