// A message sink that keeps every message in order, for tests and for
// callers that want to collect messages and show them later.
#pragma once

#include <string>
#include <vector>

#include "MessageSink.h"

namespace mx::ds {

class RecordingSink final : public MessageSink {
public:
    enum class Kind { Alert, Info, Timed, Status };
    struct Message {
        Kind kind;
        std::string text;
        double seconds = 0;  // Timed only
    };

    void alert(const std::string& text) override { messages_.push_back({Kind::Alert, text}); }
    void info(const std::string& text) override { messages_.push_back({Kind::Info, text}); }
    void timed(const std::string& text, double seconds) override { messages_.push_back({Kind::Timed, text, seconds}); }
    void status(const std::string& text) override { messages_.push_back({Kind::Status, text}); }

    const std::vector<Message>& messages() const { return messages_; }
    // The texts of the messages of one kind, in order.
    std::vector<std::string> texts(Kind kind) const;
    std::vector<std::string> alerts() const { return texts(Kind::Alert); }
    bool empty() const { return messages_.empty(); }
    void clear() { messages_.clear(); }

private:
    std::vector<Message> messages_;
};

}  // namespace mx::ds
