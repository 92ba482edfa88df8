// The message sink of mxadmin: every message is one line on standard error;
// the timed box does not wait.
#pragma once

#include <iostream>
#include <string>

#include "MessageSink.h"

namespace mx::admin {

class ConsoleSink final : public ds::MessageSink {
public:
    void alert(const std::string& text) override { line(text); }
    void info(const std::string& text) override { line(text); }
    void timed(const std::string& text, double) override { line(text); }
    void status(const std::string& text) override { line(text); }

    int count() const { return count_; }

private:
    void line(const std::string& text) {
        ++count_;
        std::cerr << "mxadmin: " << text << '\n';
    }
    int count_ = 0;
};

}  // namespace mx::admin
