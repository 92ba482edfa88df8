// The private runtime folder Qt wants (XDG_RUNTIME_DIR). A desktop session
// provides one; a scripted run, an offscreen run or a run under a virtual
// display often has none, and Qt then warns on standard error at every
// start. When none is set, this makes a fresh 0700 folder under the system's
// temporary folder, sets XDG_RUNTIME_DIR to it, and removes it (with what Qt
// left there) when it goes. Create it before the QApplication.
#pragma once

#include <string>

namespace mx::tk {

class RuntimeFolder {
public:
    RuntimeFolder();
    ~RuntimeFolder();
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

    // The folder made here; empty when one was set already (or none could be made).
    const std::string& made() const { return made_; }

private:
    std::string made_;
};

}  // namespace mx::tk
