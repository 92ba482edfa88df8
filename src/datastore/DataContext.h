// What the data store services need of the running program: the session
// with its work areas, the folder of the data set, the program-wide login
// values, where messages go and how retries wait.
//
// The program-wide values `_SECURITY` and `_USER` are held here as
// `security` and `user`: identifiers that begin with an underscore and a
// capital letter are reserved in C++. The shell sets them after reading
// `sysinfo` and after the login; the opening service reads them for tables
// flagged `UNIQUE`.
//
// The services keep references: the session, the sink and the sleeper must
// outlive the context, and the context must outlive every application
// function registered with it (ItemLists.h).
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "MessageSink.h"
#include "Session.h"
#include "Sleeper.h"

namespace mx::ds {

struct DataContext {
    DataContext(rt::Session& s, MessageSink& m, Sleeper& w, std::string dir = {})
        : session(s), sink(m), sleeper(w), dataDir(std::move(dir)) {}

    rt::Session& session;
    MessageSink& sink;
    Sleeper& sleeper;
    // The working directory of the data set: `PATH` values of `indexdef`
    // and every file name the services are given are relative to it. Empty
    // means the process's current directory.
    std::string dataDir;
    bool security = false;  // `_SECURITY`: a login is in force
    std::string user;       // `_USER`: the login name (trimmed when used)
    // Tables are opened for reading only (commands that only look, on a
    // share the user may not write to).
    bool readOnly = false;
    // The files the user has been told are damaged: told once a run. With
    // `tellDamaged` false nothing is told (the integrity check lists it).
    std::set<std::string> toldDamaged;
    bool tellDamaged = true;
};

// The data set's folder as a user would type it for mxadmin: absolute.
std::string dataSetFolder(const DataContext& ctx);

// The file `name` (which may hold a "\"-separated directory prefix relative
// to the data directory) as it exists on disk, matched case-insensitively;
// when nothing matches, the joined path as given.
std::string dataFile(const DataContext& ctx, std::string_view name);
// The path to create the file `name` at: its folder matched
// case-insensitively, the name itself as given unless a file of that name
// exists in another case.
std::string newDataFile(const DataContext& ctx, std::string_view name);
// Whether that file exists.
bool dataFileExists(const DataContext& ctx, std::string_view name);

}  // namespace mx::ds
