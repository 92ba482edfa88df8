#include "IndexDefEntry.h"

#include "Text.h"

namespace mx::ds {

namespace {

std::string textField(const rt::WorkArea& a, const char* name) {
    int i = a.fieldIndex(name);
    if (i < 0) return {};
    rt::Value v = a.fieldValue(i);
    return v.isCharacter() ? allTrim(v.str()) : std::string();
}

bool flagField(const rt::WorkArea& a, const char* name) {
    int i = a.fieldIndex(name);
    if (i < 0) return false;
    rt::Value v = a.fieldValue(i);
    return v.isTrue();
}

}  // namespace

IndexDefEntry readIndexDefEntry(const rt::WorkArea& a) {
    IndexDefEntry e;
    e.alias = textField(a, "DB_ALIAS");
    e.dbName = textField(a, "DB_NAME");
    e.path = textField(a, "PATH");
    e.inName = textField(a, "IN_NAME");
    e.inStr = textField(a, "IN_STR");
    e.unique = flagField(a, "UNIQUE");
    e.pack = flagField(a, "PACK");
    e.zapOnInit = flagField(a, "ZAPONINIT");
    e.noIndex = flagField(a, "NOINDEX");
    e.floppy = flagField(a, "FLOPPY");
    return e;
}

std::string entryDirectory(const IndexDefEntry& e, bool security, const std::string& user) {
    std::string dir = e.path;
    if (e.unique && security) dir += allTrim(user) + "\\";
    return dir;
}

}  // namespace mx::ds
