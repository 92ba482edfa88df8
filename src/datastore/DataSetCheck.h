// The integrity check of a whole data set: `indexdef` with "indexdef.ntx",
// then every table `indexdef` names, opened the way the program opens it
// (shared, with its index files, through `OPNALIAS`), through the runtime's
// check of the table and each attached index file. An index file built on
// another key than its `indexdef` record gives is a problem too: the next
// rebuild would change it.
#pragma once

#include <string>
#include <vector>

#include "DataContext.h"

namespace mx::ds {

struct CheckReport {
    int tablesChecked = 0;
    int indexesChecked = 0;
    std::vector<std::string> problems;  // one line each, naming the table or file

    bool ok() const { return problems.empty(); }
};

// Messages of the opening service become problems of the report (prefixed
// with the alias) rather than going to ctx.sink. Every table is closed
// afterwards.
CheckReport checkDataSet(DataContext& ctx);

}  // namespace mx::ds
