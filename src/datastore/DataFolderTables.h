// The tables of a data folder, as a table browser offers them: first every
// alias `indexdef` defines, in the order of its first record, then every
// other ".dbf" file of the folder that no definition names, by file name.
// Reading `indexdef` goes through the opening service (read-only when the
// folder may not be written); the folder listing is the only look at the
// directory itself.
#pragma once

#include <string>
#include <vector>

#include "DataContext.h"

namespace mx::ds {

struct FolderTable {
    std::string alias;  // upper case: the alias `indexdef` gives, or the file's base name
    bool defined = false;  // named by `indexdef`: opened through OPNALIAS with its index files
    std::string file;      // not defined: the ".dbf" file name in the data folder, as on disk
};

struct FolderTables {
    std::vector<FolderTable> tables;
    // Why `indexdef` could not be read (then only the folder's files are
    // listed, `indexdef.dbf` among them); empty when it was read.
    std::string problem;
};

// Lists the tables. `indexdef` is closed again unless the caller had it open.
FolderTables dataFolderTables(DataContext& ctx);

}  // namespace mx::ds
