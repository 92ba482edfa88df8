// The arithmetic of the library codes, without tables or windows: the
// numeric library code (the sum of 2^`SERIAL` over the named entries; bit 0
// carries nothing, so an entry with `SERIAL` 0 cannot be named) and the
// suite code.
//
// The suite code takes the entries in `lib` index order 3 in consecutive
// groups of four; inside a group the entries have `NUMBER` 1, 2, 4 and 8 and
// the group's digit is the sum of the named entries' numbers as one
// upper-case hexadecimal digit. A "-" follows every fourth digit (also the
// last one), and the text is cut to 24 characters: at most 20 digits, so
// entries beyond the 80th cannot be named. A last group of fewer than four
// entries still gives a digit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mx::lib {


inline constexpr std::size_t kSuiteCodeLength = 24;

// ---- numeric library code
//
// A code can name entries up to `SERIAL` 99 and is stored as text (the
// register's `LIBCODE` holds 30 digits): past 2^53 a double no longer holds
// every whole number, so both directions use exact integer arithmetic.

// The sum of 2^serial over `serials` as decimal digits; serials below 1 add
// nothing (so no serials give "0").
std::string libraryCodeOf(const std::vector<int>& serials);
// The serials the code in `text` names when `lib` has `entries` records.
// `text` is read the way VAL() reads a number: leading blanks, a sign, digits,
// a decimal part that cannot reach bit 1 and so names nothing; anything else
// ends it and no digits read as 0. From `entries` down to 1, each 2^i that
// the rest of the value still reaches is named and taken off (so a value
// above the library's bits names its highest entries). Highest first.
std::vector<int> serialsOfLibraryCode(const std::string& text, long entries);

// ---- suite code

// One entry in order 3: its stored `NUMBER` and whether it is named.
struct SuiteEntry {
    double number = 0;
    bool tagged = false;
};

// The digit of a group whose named numbers add up to `sum`: "0" ... "F"
// (a sum above 15, possible only with stale numbers, is written in full).
std::string suiteDigit(double sum);
// The digits joined: "-" after every fourth, the whole cut to 24 characters.
std::string joinSuiteDigits(const std::vector<std::string>& digits);
// The code of entries in order 3, each group of four counted by position and
// summed from the entries' stored numbers.
std::string suiteCodeOf(const std::vector<SuiteEntry>& entries);
// The code of freshly numbered entries: `tagged` in order 3.
std::string suiteCodeOfTags(const std::vector<bool>& tagged);

// A position a suite code names: digit `group` (from 1), `number` 1, 2, 4 or 8.
struct SuitePosition {
    int group = 0;
    int number = 0;
    bool operator==(const SuitePosition&) const = default;
};
// The positions `code` names, in the order of its digits, each digit's
// numbers from the highest down. "-" is skipped; every other character is a
// digit position; one that is not a hexadecimal digit (a blank included)
// names nothing. Lower-case letters are read as upper case.
std::vector<SuitePosition> positionsOfSuiteCode(const std::string& code);

// Which library entry a suite code names, decided from the code itself: a
// decode tags, for each position the code names, the first entry holding
// that GROUP and NUMBER in the order it searches `lib`. Filled with the
// entries in that order (an entry whose GROUP and NUMBER an earlier one
// already holds is never reached), it answers for any number of codes
// without touching a tag field or a scratch table. Entries are named by a
// number of the caller's (the record number); 0 stands for none.
class SuiteEntryIndex {
public:
    // The next entry in search order, with its stored GROUP and NUMBER.
    void add(double group, double number, std::uint32_t entry);
    // The entry a decode tags for position `p`; 0 when no entry holds it.
    std::uint32_t entryAt(const SuitePosition& p) const;
    // Whether decoding `code` tags `entry` (never for entry 0).
    bool names(const std::string& code, std::uint32_t entry) const;

private:
    std::map<std::pair<double, double>, std::uint32_t> first_;
};

}  // namespace mx::lib
