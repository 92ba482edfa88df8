// mxbench: the table runtime's workload benchmark. Creates a table of N
// records, builds two indexes, soft-seeks and skips through one, and prints
// one line per step with the milliseconds taken (wall clock, and in brackets
// the processor time of this process, which other work on a busy machine
// disturbs less). A step skips again and reads a field of every record,
// the work a browse or report does on top of moving; the last does the same
// on the table opened shared.
//
//   mxbench [N] [--dir DIR]
//
// With --dir the files (big.dbf, big_code.ntx, big_amt.ntx) stay in DIR;
// otherwise a temporary folder is used and removed.
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "DbfTable.h"
#include "Error.h"
#include "NumberFormat.h"
#include "Session.h"

using namespace mx::rt;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Processor time (user + system) of this process, in ms.
double cpuMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// A step's start: wall clock and processor time.
struct Mark {
    Clock::time_point wall = Clock::now();
    double cpu = cpuMs();
};

// "123 ms (cpu 120 ms)"
std::string took(const Mark& m) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f ms (cpu %.0f ms)", msSince(m.wall), cpuMs() - m.cpu);
    return buf;
}

// Resident memory now, in KB.
long residentKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

int usage() {
    std::fprintf(stderr, "usage: mxbench [N] [--dir DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long n = 1000000;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc) {
            dir = argv[++i];
        } else if (!a.empty() && a.find_first_not_of("0123456789") == std::string::npos) {
            n = std::atol(a.c_str());
        } else {
            return usage();
        }
    }
    if (n < 1 || n > 100000000) return usage();
    bool temporary = dir.empty();
    if (temporary) {
        char tmpl[] = "/tmp/mxbench-XXXXXX";
        if (!::mkdtemp(tmpl)) {
            std::perror("mxbench: temporary folder");
            return 1;
        }
        dir = tmpl;
    } else {
        std::filesystem::create_directories(dir);
    }
    int status = 0;
    try {
        std::string dbf = dir + "/big.dbf";
        std::mt19937_64 rng(20261208);
        std::uniform_int_distribution<long> codeDist(0, 99999999);
        std::uniform_real_distribution<double> amountDist(-5000.0, 5000.0);
        const DayNumber base = dayFromYmd(2020, 1, 1);

        Mark t0;
        DbfTable::create(dbf, {charField("CODE", 10), charField("DESC", 30), numField("AMOUNT", 10, 2), dateField("BORN")});
        Session s;
        WorkArea& a = s.open(dbf, "BIG", OpenMode::Exclusive);
        char code[11];
        for (long r = 1; r <= n; ++r) {
            a.append();
            std::snprintf(code, sizeof code, "%010ld", codeDist(rng));
            a.setField(0, Value::character(std::string_view(code, 10)));
            a.setField(1, Value::character("ITEM " + std::to_string(r)));
            a.setField(2, Value::numeric(amountDist(rng), 10, 2));
            a.setField(3, Value::date(base + static_cast<DayNumber>(r % 1000)));
        }
        a.commit();
        a.table().flushHeader();
        std::printf("append %ld %s\n", n, took(t0).c_str());

        t0 = Mark();
        a.createOrder(dir + "/big_code.ntx", "CODE");
        std::printf("index C10 %s\n", took(t0).c_str());

        t0 = Mark();
        a.createOrder(dir + "/big_amt.ntx", "STR(AMOUNT,10,2)");
        std::printf("index str(N) %s\n", took(t0).c_str());

        s.closeAll();
        long rssBefore = residentKb();
        WorkArea& b = s.open(dbf, "BIG", OpenMode::Exclusive);
        b.addOrder(dir + "/big_code.ntx");
        b.setOrder(1);
        std::mt19937_64 seekRng(7);
        t0 = Mark();
        long found = 0;
        for (int i = 0; i < 100000; ++i) {
            std::snprintf(code, sizeof code, "%010ld", codeDist(seekRng));
            if (b.seek(Value::character(std::string_view(code, 6)), true)) ++found;
        }
        std::printf("seek 100000 %s %ld found\n", took(t0).c_str(), found);

        s.settings().deletedHidden = true;
        t0 = Mark();
        long count = 0;
        for (b.goTop(); !b.eof(); b.skip()) ++count;
        std::printf("skip %ld %s\n", count, took(t0).c_str());
        long rssAfterSkip = residentKb();

        t0 = Mark();
        long count2 = 0, sum = 0;
        for (b.goTop(); !b.eof(); b.skip()) {
            ++count2;
            sum += b.fieldBytes(0)[9];
        }
        std::printf("skip reading CODE %ld %s\n", count2, took(t0).c_str());
        long table = static_cast<long>(std::filesystem::file_size(dbf) / 1024);
        std::printf("memory: resident %ld KB before seek, %ld KB after skip, %ld KB after skip reading CODE; table %ld KB\n",
                    rssBefore, rssAfterSkip, residentKb(), table);
        // The same walk on the table opened shared: every record is read
        // from the file as the move lands on it (no lock is held, so other
        // stations may be writing).
        s.closeAll();
        WorkArea& c = s.open(dbf, "BIG", OpenMode::Shared);
        c.addOrder(dir + "/big_code.ntx");
        c.setOrder(1);
        t0 = Mark();
        long count3 = 0;
        for (c.goTop(); !c.eof(); c.skip()) {
            ++count3;
            sum += c.fieldBytes(0)[9];
        }
        std::printf("shared skip reading CODE %ld %s\n", count3, took(t0).c_str());
        if (sum == 42) std::printf("\n");  // keeps the reads
    } catch (const DbError& e) {
        std::fprintf(stderr, "mxbench: %s\n", e.what());
        status = 1;
    }
    if (temporary) std::filesystem::remove_all(dir);
    return status;
}
