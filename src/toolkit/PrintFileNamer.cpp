// Print-folder file names (see the header).
#include "PrintFileNamer.h"

#include <cstdio>

namespace mx::tk {

std::string PrintFileNamer::sanitize(std::string_view jobName) {
    std::string out;
    for (size_t i = 0; i < jobName.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(jobName[i]);
        if ((c & 0xC0) == 0x80) continue;  // continuation byte of a character already replaced
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '_' || c == '-';
        out += keep ? static_cast<char>(c) : '_';
    }
    return out;
}

std::string PrintFileNamer::next(std::string_view jobName) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", ++count_);
    return std::string(number) + "-" + sanitize(jobName) + ".pdf";
}

}  // namespace mx::tk
