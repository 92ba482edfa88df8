// The commands of mxadmin. Each returns the process exit status: 0 when all
// went well, 1 on failure (after a message on standard error), 2 for a
// command line it cannot read.
#pragma once

#include <optional>
#include <string>

#include "LargeDataSet.h"

namespace mx::admin {

inline constexpr int kOk = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsage = 2;

// Creates a data set in `dir` (a new folder, or an existing one without
// tables), with the demo records of `demoDir` when it is not empty. Builds in
// a temporary folder beside `dir` and moves the result in place at the end,
// so a failure leaves nothing behind.
int initDataSet(const std::string& dir, const std::string& demoDir);

// Creates the large data set of `size` (LargeDataSet.h) in `dir`, the same
// way: a new or empty folder, built beside it and moved in place, with the
// demo's bitmaps.
int initLargeDataSet(const std::string& dir, const ds::LargeDataSetSize& size);

// Prints the records of `table`, one line each, fields separated by " | ",
// in record order (order 0) or index order `order`. Deleted records are
// printed too, with a last field "(deleted)". With `header`, a first line
// names the fields.
int dumpTable(const std::string& dir, const std::string& table, int order, bool header);

// Writes the bitmaps a data set reads into the folder `dir` where they are
// missing: "lupa.bmp" (the search prompts' magnifier), with `demo` also the
// demo's "tws.bmp" (splash) and "logo.bmp" (background). Files already there
// are kept.
int writeBitmaps(const std::string& dir, bool demo);

// Rebuilds every index file of the data set.
int reindexDataSet(const std::string& dir);

// Checks every table and index file of the data set; prints each problem.
int checkDataSet(const std::string& dir);

// The data check across tables (CrossCheck.h): one line per finding, then
// the count. Exit status 0 nothing found, 1 findings, 2 when the data set or
// one of its tables cannot be read (each named on standard error).
int crossCheckDataSet(const std::string& dir);

// User accounts of the `users` table. Login names are 1 to 10 characters,
// kept upper case; passwords up to 6 characters, stored only scrambled as the
// login scrambles what is typed into its upper-case field (empty = none).

// Adds an account; fails when one of that name exists. Level: 1 character.
int addUser(const std::string& dir, const std::string& name, const std::string& level,
            const std::string& password, const std::string& description);
// Prints the accounts in login-name order: name, level, whether a password
// is set, description. Never the passwords.
int listUsers(const std::string& dir);
// Sets the password of an existing account (empty = none).
int setUserPassword(const std::string& dir, const std::string& name, const std::string& password);
// Removes an account (marks its record deleted; the login no longer finds it).
int removeUser(const std::string& dir, const std::string& name);

// Switches the login requirement of `sysinfo` on or off.
int setSecurity(const std::string& dir, bool on);

}  // namespace mx::admin
