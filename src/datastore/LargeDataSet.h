// A data set of a large fabricator's size, for trying the screens at scale
// and for benchmarks: thousands of customers, configurations with their
// formula and labour lines, drawing elements, panels and punch holes, stock
// items and a full library. The records are made up but shaped like real
// ones (codes that sort the way real codes do, suite codes naming real
// library entries, conditions on some lines), and always the same for the
// same sizes, so figures taken on two machines compare.
#pragma once

#include <string>

namespace mx::ds {

struct LargeDataSetSize {
    int customers = 20000;
    int configurations = 2000;
    int linesPerConfiguration = 100;  // formula and labour lines together; one in ten is labour
    int stockItems = 20000;
    int libraryEntries = 100;
    int drawingElementsPerConfiguration = 6;
    int punchHolesPerConfiguration = 2;
};

// Creates the data set in the existing, empty folder `dir`: every table of
// the catalogue, the default index definitions, the records, the whole
// index set. Throws DbError on the first failure; callers build into a fresh
// folder and remove it on failure.
void createLargeDataSet(const std::string& dir, const LargeDataSetSize& size = {});

}  // namespace mx::ds
