// The data store's view of the user, on the window toolkit: its messages go
// to the toolkit's boxes and status bar, and its retry waits keep the
// windows painted while they wait.
#pragma once

#include "MessageSink.h"
#include "Sleeper.h"

namespace mx::shell {

class UiMessageSink final : public ds::MessageSink {
public:
    void alert(const std::string& text) override;
    void info(const std::string& text) override;
    // Shown for 2 seconds whatever is asked (the timed status box).
    void timed(const std::string& text, double seconds) override;
    void status(const std::string& text) override;
};

class UiSleeper final : public ds::Sleeper {
public:
    void wait(double seconds) override;
};

}  // namespace mx::shell
