// Another process that holds a table open, for the retry tests. The child
// opens its own files after fork (so it shares no descriptor with the test),
// holds the table until told to let go, then closes it and ends. The test
// process must have no table open when it starts a child.
#pragma once

#include <string>

#include "File.h"

namespace mx::test {

class ChildHolder {
public:
    // Starts the child and waits until it holds `path` in `mode` and, when
    // `lock` is given, that lock: a record number, or kFileLock. Returns
    // false when the child could not open the file or take the lock.
    static constexpr long kFileLock = -1;
    bool start(const std::string& path, rt::OpenMode mode, long lock = 0);
    // Tells the child to close the file and waits until it has.
    void release();
    // Ends the child (releasing first when still holding).
    ~ChildHolder();

private:
    int pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    bool holding_ = false;
};

}  // namespace mx::test
