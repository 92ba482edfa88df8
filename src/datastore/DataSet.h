// Making a data set: every table of the catalogue, `indexdef` filled with
// the default definitions, `sysinfo` with its one record, optionally the
// demo records read from one CSV file per table, and the whole index set.
// Also the loading of CSV records into a table, shared with mxadmin.
#pragma once

#include <string>

#include "CsvReader.h"
#include "IndexDefEntry.h"
#include "WorkArea.h"

namespace mx::ds {

// Creates the data set in the existing folder `dir`. With `demoDir`, each
// table whose file `demoDir`/<table>.csv exists gets its records from it
// (`indexdef` and `sysinfo` too, replacing the defaults). Throws DbError on
// the first failure; what was written by then stays, so callers build into
// a fresh folder and remove it on failure.
void createDataSet(const std::string& dir, const std::string& demoDir = {});

// Appends one record per row of `doc` to the open table `area`. Columns name
// fields (any case); fields without a column stay blank. Values are checked,
// never cut: a character value longer than its field, a number that does
// not fit its width or has more decimals than the field, a logical other
// than T/F/Y/N/.T./.F./TRUE/FALSE or blank, a date other than YYYY-MM-DD or
// blank, or an unknown column throw DbError(Usage) naming `source`, the line
// and the field.
// Appends one `indexdef` record; a table without the optional NOINDEX
// field simply does not get it.
void appendIndexDefinition(rt::WorkArea& indexdef, const IndexDefEntry& e);

void appendCsvRecords(rt::WorkArea& area, const CsvDocument& doc, const std::string& source);

}  // namespace mx::ds
