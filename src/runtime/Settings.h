// Session-wide settings that change how tables and expressions behave.
#pragma once

#include <string>

namespace mx::rt {

struct Settings {
    bool deletedHidden = false;  // records marked deleted are skipped everywhere
    bool softSeek = false;       // a failed seek stops on the next greater key
    bool exact = false;          // '=' on strings compares whole values (trailing blanks ignored)
    int epoch = 1900;            // two-digit years fall in [epoch, epoch + 99]
    std::string dateFormat = "mm/dd/yy";  // picture of DTOC/CTOD: dd, mm, yy or yyyy and separators
    int decimals = 2;            // decimals of a division's result
};

}  // namespace mx::rt
