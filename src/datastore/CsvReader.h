// Comma-separated text as the demo data set is written: the first row names
// the columns; a value may be quoted with '"', and inside quotes '""' is a
// quote and line breaks belong to the value. Blank lines are skipped; lines
// may end in CR LF.
#pragma once

#include <string>
#include <vector>

namespace mx::ds {

struct CsvRow {
    int line = 0;  // line number of the row's first character, for messages
    std::vector<std::string> values;
};

struct CsvDocument {
    std::vector<std::string> header;
    std::vector<CsvRow> rows;
};

// Parses `text`; `source` names it in errors. Throws DbError(Corrupt) naming
// the source and the line for an unterminated quote, a quote inside an
// unquoted value, or a row with more values than the header.
CsvDocument parseCsv(const std::string& text, const std::string& source);

// Reads and parses a file. Throws DbError(NotFound/Io) when it cannot be read.
CsvDocument readCsvFile(const std::string& path);

}  // namespace mx::ds
