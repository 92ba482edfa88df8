// Fuzzes the NTX index reader and writer: the input is written to a file and
// opened as a shared index, then walked, navigated in both directions,
// sought, counted and positioned; then keys are added, replaced and removed
// (always when the walk found a sound tree, else half of the time) and the
// tree is walked again. Only DbError may
// come out; crashes, sanitizer reports, other exceptions and runaway time
// are findings.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Error.h"
#include "File.h"
#include "NtxIndex.h"

namespace {

using mx::rt::DbError;
using mx::rt::File;
using mx::rt::NtxEntry;
using mx::rt::NtxIndex;
using mx::rt::OpenMode;

const std::string& scratchPath() {
    static const std::string p = [] {
        const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/ntx_fuzz_" + std::to_string(::getpid()) + ".ntx";
    }();
    return p;
}

// Bytes from the end of the input drive the choices, so that the header and
// pages at the front stay intact under most mutations.
class Choices {
public:
    Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return size_ == 0 ? 0 : data_[size_ - 1 - (pos_++ % size_)]; }
    std::string bytes(std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(byte());
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool walkAll(NtxIndex& ix, std::vector<NtxEntry>* out) {
    std::size_t n = 0;
    ix.walk([&](const NtxEntry& e) {
        if (out && out->size() < 64) out->push_back(e);
        return ++n < 200000;
    });
    return n < 200000;
}

void navigate(NtxIndex& ix, Choices& c) {
    int steps = 0;
    for (auto e = ix.first(); e && steps < 3000; e = ix.next(*e)) ++steps;
    steps = 0;
    for (auto e = ix.last(); e && steps < 3000; e = ix.prev(*e)) ++steps;
    for (int i = 0; i < 4; ++i) {
        std::string prefix = c.bytes(c.byte() % 4);
        if (auto e = ix.seekFirst(prefix)) {
            ix.next(*e);
            ix.prev(*e);
            ix.keyPosition(*e);
        }
        ix.seekLast(prefix);
    }
    const std::uint32_t count = ix.keyCount();
    if (count > 0) {
        if (auto e = ix.entryAt(1 + c.byte() % count)) ix.find(e->key, e->recno);
        ix.entryAt(count);
    }
    ix.entryAt(count + 1);
}

void change(NtxIndex& ix, Choices& c, const std::vector<NtxEntry>& existing) {
    const auto ks = static_cast<std::size_t>(ix.keySize());
    for (int i = 0; i < 40; ++i) {
        std::string k = c.bytes(ks);
        std::uint32_t recno = c.byte();
        switch (c.byte() % 4) {
            case 0:
            case 1: ix.insert(k, recno); break;
            case 2:
                if (!existing.empty()) {
                    const NtxEntry& e = existing[c.byte() % existing.size()];
                    ix.replace(e.key, k, e.recno);
                }
                break;
            case 3:
                if (!existing.empty()) {
                    const NtxEntry& e = existing[c.byte() % existing.size()];
                    ix.remove(e.key, e.recno);
                }
                break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 128 * 1024) return 0;
    const std::string& path = scratchPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    Choices c(data, size);
    try {
        auto ix = NtxIndex::open(File::open(path, OpenMode::Shared, false));
        bool sound = false;
        std::vector<NtxEntry> sample;
        try {
            sound = walkAll(*ix, &sample);
        } catch (const DbError&) {
        }
        try {
            navigate(*ix, c);
        } catch (const DbError&) {
        }
        // Changes run on damaged trees too, half of the time: they must fail
        // cleanly there.
        if (sound || c.byte() % 2 == 0) {
            change(*ix, c, sample);
            walkAll(*ix, nullptr);
            navigate(*ix, c);
        }
    } catch (const DbError&) {
    }
    return 0;
}
