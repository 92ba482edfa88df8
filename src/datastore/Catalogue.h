// The table catalogue: every table the system works on, with its fields,
// types and widths, and the default index definitions (the records of a
// fresh `indexdef`). This is the one place where table structure is written
// down; a data set is created from it (DataSet.h) and screens check their
// field names against it.
//
// Widths that the data model leaves open are chosen so that every value an
// edit screen accepts fits: a field edited with a picture is at least as
// wide as the picture, codes are as wide as the fields that refer to them
// (a `lib` CODE fits `assembly` LIB, `stock` LIB and the 10-character code
// entry of the library checker), and descriptions hold what their edit
// boxes show.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "FieldDef.h"
#include "IndexDefEntry.h"

namespace mx::ds {

struct TableDef {
    std::string name;  // file name without extension, lower case; the alias is its upper case
    std::vector<rt::FieldDef> fields;
};

// Every table, in the order a data set is created and checked.
const std::vector<TableDef>& tableCatalogue();
// The table called `name` (any case), or nullptr.
const TableDef* findTableDef(std::string_view name);

// The records of a fresh `indexdef`, in record order. Per table, record
// order is index order: order 1 of a table is its first record. Tables the
// key of another table's index reads come first (`stockcat` before `stock`,
// whose item-list order looks categories up).
const std::vector<IndexDefEntry>& defaultIndexDefinitions();

// The customer register's key: the field that identifies a customer in
// `mitrex`, orders the register first and ties a `mxnote` record to it,
// with the index files the register builds on it.
inline constexpr const char* kCustomerKeyField = "CUSTNO";
inline constexpr const char* kCustomerKeyIndex = "mxnum";   // `mitrex`, key CUSTNO
inline constexpr const char* kCustomerNoteIndex = "mxnote"; // `mxnote`, key CUSTNO

}  // namespace mx::ds
