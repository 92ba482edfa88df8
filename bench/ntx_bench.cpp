// Timings of the NTX index on a million entries: one-pass build, a full skip
// forwards in shared mode, random seeks and random inserts.
// Usage: ntx_bench [entries] [folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "File.h"
#include "NtxIndex.h"

using namespace mx::rt;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t n = argc > 1 ? static_cast<std::uint32_t>(std::atol(argv[1])) : 1000000;
    const std::string dir = argc > 2 ? argv[2] : "/tmp";
    const std::string path = dir + "/ntx_bench.ntx";
    const int keySize = 10;

    std::mt19937_64 rng(42);
    NtxKeyBatch batch;
    batch.keys.resize(std::size_t(n) * keySize);
    batch.recnos.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        for (int b = 0; b < keySize; ++b) batch.keys[std::size_t(i) * keySize + b] = static_cast<char>('A' + rng() % 26);
        batch.recnos[i] = i + 1;
    }

    auto t = Clock::now();
    NtxIndex::build(File::create(path), NtxCreateInfo{"NAME", keySize, 0, false, ""}, std::move(batch)).reset();
    std::printf("build %u keys of %d bytes: %.1f ms\n", n, keySize, msSince(t));

    {
        auto excl = NtxIndex::open(File::open(path, OpenMode::Exclusive, false));
        t = Clock::now();
        std::uint32_t count = 0;
        for (auto e = excl->first(); e; e = excl->next(*e)) ++count;
        std::printf("skip through %u entries (exclusive mode): %.1f ms\n", count, msSince(t));
    }
    auto ix = NtxIndex::open(File::open(path, OpenMode::Shared, false));
    t = Clock::now();
    std::uint32_t count = 0;
    for (auto e = ix->first(); e; e = ix->next(*e)) ++count;
    std::printf("skip through %u entries (shared mode): %.1f ms\n", count, msSince(t));

    t = Clock::now();
    std::uint32_t found = 0;
    for (int i = 0; i < 100000; ++i) {
        std::string k(4, ' ');
        for (char& c : k) c = static_cast<char>('A' + rng() % 26);
        if (ix->seekFirst(k)) ++found;
    }
    std::printf("100000 seeks: %.1f ms (%u positioned)\n", msSince(t), found);

    t = Clock::now();
    for (std::uint32_t i = 0; i < 10000; ++i) {
        std::string k(keySize, ' ');
        for (char& c : k) c = static_cast<char>('A' + rng() % 26);
        ix->insert(k, n + i + 1);
    }
    std::printf("10000 inserts (shared mode): %.1f ms\n", msSince(t));
    t = Clock::now();
    std::printf("key count %u: %.1f ms\n", ix->keyCount(), msSince(t));
    ix.reset();
    std::remove(path.c_str());
    return 0;
}
