#include "RecordingSink.h"

namespace mx::ds {

std::vector<std::string> RecordingSink::texts(Kind kind) const {
    std::vector<std::string> r;
    for (const Message& m : messages_)
        if (m.kind == kind) r.push_back(m.text);
    return r;
}

}  // namespace mx::ds
