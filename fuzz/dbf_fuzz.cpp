// Fuzzes the table and memo readers: the input is split into a DBF image and
// a DBT image (at the first "\n--DBT--\n" marker, else all DBF), opened
// through a session and read field by field in natural order; then opened
// exclusively (read-only), where records are read only when looked at and
// deleted ones are hidden through the table's flag cache, and walked again.
// Only typed runtime errors may come out.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "Error.h"
#include "Session.h"

namespace {

std::string scratchDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/dbffuzz-XXXXXX";
        return std::string(::mkdtemp(tmpl));
    }();
    return dir;
}

void writeFile(const std::string& path, std::string_view bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string_view dbf = in, dbt;
    size_t cut = in.find("\n--DBT--\n");
    if (cut != std::string_view::npos) {
        dbf = in.substr(0, cut);
        dbt = in.substr(cut + 9);
    }
    const std::string dir = scratchDir();
    writeFile(dir + "/t.dbf", dbf);
    writeFile(dir + "/t.dbt", dbt);
    try {
        mx::rt::Session s;
        mx::rt::WorkArea& a = s.open(dir + "/t.dbf", "T", mx::rt::OpenMode::Shared, true);
        std::uint32_t n = a.recordCount();
        for (std::uint32_t r = 1; r <= n && r <= 200; ++r) {
            a.goTo(r);
            for (int f = 0; f < a.fieldCount(); ++f) {
                try {
                    a.fieldValue(f);
                } catch (const mx::rt::DbError&) {
                }
            }
        }
        s.settings().deletedHidden = true;
        a.goBottom();
        a.skip(-3);
        a.goTop();
        a.skip(2);
    } catch (const mx::rt::DbError&) {
    }
    try {
        mx::rt::Session s;
        mx::rt::WorkArea& a = s.open(dir + "/t.dbf", "T", mx::rt::OpenMode::Exclusive, true);
        s.settings().deletedHidden = true;
        int steps = 0;
        for (a.goTop(); !a.eof() && steps < 5000; a.skip()) {
            if (++steps % 7 == 0 && a.fieldCount() > 0) {
                try {
                    a.fieldValue(steps % a.fieldCount());
                } catch (const mx::rt::DbError&) {
                }
            }
        }
        for (a.goBottom(); !a.bof() && !a.eof() && steps < 10000; a.skip(-1)) ++steps;
        a.goTo(a.recordCount() / 2 + 1);
        (void)a.deleted();
    } catch (const mx::rt::DbError&) {
    }
    return 0;
}
