// Names of the PDF files that print jobs write into the print folder of a
// scripted run: "NNN-NAME.pdf", NNN counting 001, 002, ... in job order, NAME
// the job's document name or report title with every character outside
// A-Za-z0-9._- replaced by '_'. Pure logic.
#pragma once

#include <string>
#include <string_view>

namespace mx::tk {

class PrintFileNamer {
public:
    // The next file name; each call counts one job.
    std::string next(std::string_view jobName);
    int jobs() const { return count_; }
    void reset() { count_ = 0; }

    // NAME as above. `jobName` is UTF-8: a character of several bytes becomes
    // one '_'.
    static std::string sanitize(std::string_view jobName);

private:
    int count_ = 0;
};

}  // namespace mx::tk
