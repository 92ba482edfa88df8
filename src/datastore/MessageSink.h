// Where the data store services tell the user something. The services never
// draw a window: they hand their messages to a sink, and the program decides
// how to show them (message boxes and the status bar in the workstation,
// standard error in mxadmin, a list in tests).
#pragma once

#include <string>

namespace mx::ds {

class MessageSink {
public:
    virtual ~MessageSink() = default;

    // An alert box: a failure the user has to acknowledge.
    virtual void alert(const std::string& text) = 0;
    // An information box.
    virtual void info(const std::string& text) = 0;
    // The timed box titled "Information" (`STATDSPW`): shown for `seconds`
    // (the workstation shows it for 2 seconds whatever is asked), then the
    // caller carries on without a key press.
    virtual void timed(const std::string& text, double seconds) = 0;
    // A line in the main window's status bar.
    virtual void status(const std::string& text) = 0;
};

}  // namespace mx::ds
