// One record of `indexdef`, the table that says where every table lies,
// under which file name, and which index files with which keys belong to it.
// One record per index file; a table without indexes has one record with an
// empty `IN_NAME`. Record order is the order of a table's index files.
#pragma once

#include <string>
#include <vector>

#include "WorkArea.h"

namespace mx::ds {

inline constexpr const char* kIndexDefAlias = "INDEXDEF";
inline constexpr const char* kIndexDefTable = "indexdef";
inline constexpr const char* kIndexDefIndex = "indexdef";
inline constexpr const char* kIndexDefKey = "indexdef->db_alias";

struct IndexDefEntry {
    std::string alias;   // DB_ALIAS, trimmed, upper case as stored
    std::string dbName;  // DB_NAME, trimmed
    std::string path;    // PATH, trimmed: a directory prefix ending in "\" or empty
    std::string inName;  // IN_NAME, trimmed: index file without extension, empty = none
    std::string inStr;   // IN_STR, trimmed: the key expression
    bool unique = false;     // UNIQUE: one directory per user while a login is in force
    bool pack = false;       // PACK: the rebuild removes deleted records first
    bool zapOnInit = false;  // ZAPONINIT: an initialising rebuild empties the table
    bool noIndex = false;    // NOINDEX: the rebuild leaves the record out (field may be absent)
    bool floppy = false;     // FLOPPY: the table lies on a removable disk
};

// The current record of an open `indexdef` work area. Fields the table does
// not have read as empty or false.
IndexDefEntry readIndexDefEntry(const rt::WorkArea& area);

// The directory a table of this entry lives in: `PATH`, and for a table held
// per user while a login is in force, the trimmed user name and "\" after it.
std::string entryDirectory(const IndexDefEntry& e, bool security, const std::string& user);

}  // namespace mx::ds
