#include "CsvReader.h"

#include <fstream>
#include <iterator>

#include "Error.h"

namespace mx::ds {

namespace {

[[noreturn]] void fail(const std::string& source, int line, const std::string& what) {
    throw rt::DbError(rt::ErrorKind::Corrupt, source, "line " + std::to_string(line) + ": " + what);
}

}  // namespace

CsvDocument parseCsv(const std::string& text, const std::string& source) {
    std::vector<CsvRow> rows;
    CsvRow row;
    std::string value;
    int line = 1;
    size_t i = 0;
    const size_t n = text.size();
    bool rowStarted = false;

    auto endValue = [&] {
        row.values.push_back(std::move(value));
        value.clear();
    };
    auto endRow = [&] {
        endValue();
        rows.push_back(std::move(row));
        row = CsvRow{};
        rowStarted = false;
    };

    while (i < n) {
        if (!rowStarted) {
            // Skip blank lines between rows.
            if (text[i] == '\n') {
                ++line;
                ++i;
                continue;
            }
            if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') {
                i += 2;
                ++line;
                continue;
            }
            rowStarted = true;
            row.line = line;
        }
        char c = text[i];
        if (c == '"' && value.empty()) {
            // A quoted value: up to the closing quote, then a separator or the end of the row.
            const int openedAt = line;
            ++i;
            for (;;) {
                if (i >= n) fail(source, openedAt, "a quoted value is not closed");
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        value.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (text[i] == '\n') ++line;
                value.push_back(text[i++]);
            }
            if (i < n && text[i] != ',' && text[i] != '\n' && !(text[i] == '\r' && i + 1 < n && text[i + 1] == '\n'))
                fail(source, line, "text after a closing quote");
            if (i < n && text[i] == ',') {
                endValue();
                ++i;
            } else {
                if (i < n) i += text[i] == '\r' ? 2 : 1;
                ++line;
                endRow();
            }
            continue;
        }
        if (c == ',') {
            endValue();
            ++i;
        } else if (c == '\n' || (c == '\r' && i + 1 < n && text[i + 1] == '\n')) {
            i += c == '\r' ? 2 : 1;
            ++line;
            endRow();
        } else {
            if (c == '"') fail(source, line, "a quote inside an unquoted value");
            value.push_back(c);
            ++i;
        }
    }
    if (rowStarted) endRow();

    CsvDocument doc;
    if (rows.empty()) return doc;
    doc.header = std::move(rows.front().values);
    for (size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].values.size() > doc.header.size())
            fail(source, rows[r].line,
                 std::to_string(rows[r].values.size()) + " values, the header names " + std::to_string(doc.header.size()));
        rows[r].values.resize(doc.header.size());
        doc.rows.push_back(std::move(rows[r]));
    }
    return doc;
}

CsvDocument readCsvFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw rt::DbError(rt::ErrorKind::NotFound, path, "cannot be read");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw rt::DbError(rt::ErrorKind::Io, path, "read failed");
    return parseCsv(text, path);
}

}  // namespace mx::ds
