// `GETDESC`: the description of a record found by its key, for the formula
// and labour dialogs after a stock code has been picked.
#pragma once

#include <string>

#include "DataContext.h"
#include "Value.h"

namespace mx::lib {

// Opens `table` shared with its indexes (`OPNALIAS`, whose alert tells of a
// failure), seeks `key` in its first index order and returns the record's
// `DESC` without trailing blanks; an empty text when there is no such
// record, the table has no index or no `DESC`, or it cannot be opened. The
// table is closed before returning, also when it was open before the call,
// and the work area selected before is selected again. Never throws.
std::string GETDESC(ds::DataContext& ctx, const rt::Value& key, const std::string& table);

}  // namespace mx::lib
