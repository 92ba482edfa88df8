// Sorting a bulk-build batch. Keys are fixed-size byte strings compared
// unsigned; the result must list equal keys by record number.
//
// Keys of real tables waste most of their bits: a C10 code of digits uses 10
// of 256 values in each byte, a numeric key has blanks-turned-zeros and a
// fixed decimal point. So the sort first learns, for every byte position,
// which values occur, drops the positions where only one value occurs, and
// replaces each remaining byte by its rank among the values that occur there,
// in as many bits as that position needs. The ranks side by side give an
// integer whose order is the keys' byte order, over as many leading positions
// as fit in 64 bits (a million C10 codes: 32 bits). Those integers are sorted
// by a stable radix sort (the top 11 bits first, then each of the 2 048
// buckets on the rest while it is in cache); where keys need more than 64
// bits, runs of equal leading parts are sorted again on the next positions.
// Keys whose first 8 bytes are varied anyway (names: a sample of 4 096 keys
// shows ranks would need 40 bits or more) are sorted on their bytes as they
// are, 8 at a time, without counting every key's values first.
//
// Every pass is stable and the items start in record-number order, so equal
// keys come out by record number, then by batch position.
#include "NtxKeySort.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

namespace mx::rt::ntx {

namespace {

// Scratch memory for millions of items, on huge pages where the system
// offers them: faulting in 12 MB page by page costs more than sorting it.
class Scratch {
public:
    explicit Scratch(std::size_t bytes) {
        bytes = std::max<std::size_t>(bytes, 16);
        constexpr std::size_t kHuge = std::size_t(2) << 20;
        if (bytes >= kHuge) {
            mapped_ = (bytes + 2 * kHuge - 1) / kHuge * kHuge;
            void* p = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p != MAP_FAILED) {
                base_ = p;
                auto aligned = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) / kHuge * kHuge;
#ifdef MADV_HUGEPAGE
                ::madvise(reinterpret_cast<void*>(aligned), mapped_ - (aligned - reinterpret_cast<std::uintptr_t>(p)),
                          MADV_HUGEPAGE);
#endif
                data_ = reinterpret_cast<void*>(aligned);
                return;
            }
            mapped_ = 0;
        }
        base_ = ::operator new(bytes);
        data_ = base_;
    }
    ~Scratch() {
        if (mapped_ != 0)
            ::munmap(base_, mapped_);
        else
            ::operator delete(base_);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    template <class T>
    T* as() const {
        return static_cast<T*>(data_);
    }

private:
    void* base_ = nullptr;
    std::size_t mapped_ = 0;
    void* data_ = nullptr;
};

// An item while its key does not fit beside the index in one word.
#pragma pack(push, 4)
struct Wide {
    std::uint64_t value;  // packed ranks of one group of positions
    std::uint32_t idx;    // batch position
};
#pragma pack(pop)
static_assert(sizeof(Wide) == 12);

// Item types: the sort key and the batch position of each.
// Narrow: value in the high 32 bits, batch position in the low 32 bits.
struct NarrowTraits {
    using T = std::uint64_t;
    static std::uint64_t value(T x) { return x >> 32; }
    static std::uint32_t idx(T x) { return static_cast<std::uint32_t>(x); }
};
struct WideTraits {
    using T = Wide;
    static std::uint64_t value(const T& x) { return x.value; }
    static std::uint32_t idx(const T& x) { return x.idx; }
};

int bitsFor(std::uint64_t maxValue) {
    int b = 0;
    while (b < 64 && (maxValue >> b) != 0) ++b;
    return b;
}

// Stable LSD radix sort of a[0..n) on the low `bits` bits of the value, in
// as few passes of at most `maxDigit` bits as the width allows; a pass whose
// digit is the same for every item is skipped. `count` is scratch for the
// counters. Returns where the result is: a or tmp.
template <class Tr>
typename Tr::T* lsdSort(typename Tr::T* a, typename Tr::T* tmp, std::size_t n, int bits, int maxDigit,
                        std::vector<std::uint32_t>& count) {
    using T = typename Tr::T;
    if (bits == 0 || n < 2) return a;
    const int passes = (bits + maxDigit - 1) / maxDigit;
    const int digit = (bits + passes - 1) / passes;
    const std::size_t buckets = std::size_t(1) << digit;
    const std::uint64_t mask = buckets - 1;
    count.assign(buckets * static_cast<std::size_t>(passes), 0);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t v = Tr::value(a[i]);
        for (int p = 0; p < passes; ++p) ++count[static_cast<std::size_t>(p) * buckets + ((v >> (p * digit)) & mask)];
    }
    T* src = a;
    T* dst = tmp;
    for (int p = 0; p < passes; ++p) {
        std::uint32_t* c = count.data() + static_cast<std::size_t>(p) * buckets;
        if (std::find(c, c + buckets, static_cast<std::uint32_t>(n)) != c + buckets) continue;  // one digit value
        std::uint32_t sum = 0;
        for (std::size_t b = 0; b < buckets; ++b) {
            const std::uint32_t k = c[b];
            c[b] = sum;
            sum += k;
        }
        const int shift = p * digit;
        for (std::size_t i = 0; i < n; ++i) {
            const T x = src[i];
            dst[c[(Tr::value(x) >> shift) & mask]++] = x;
        }
        std::swap(src, dst);
    }
    return src;
}

// Stable insertion sort for short runs (values first, then stable).
template <class Tr>
void insertionSort(typename Tr::T* a, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i) {
        const typename Tr::T x = a[i];
        std::size_t j = i;
        for (; j > 0 && Tr::value(a[j - 1]) > Tr::value(x); --j) a[j] = a[j - 1];
        a[j] = x;
    }
}

// Sorts a[0..n) into a (tmp: scratch of n items) on the low `bits` bits.
// Large runs first go by their top 11 bits into 2 048 buckets, each small
// enough to be sorted on the remaining bits while it stays in cache.
template <class Tr>
void sortRun(typename Tr::T* a, typename Tr::T* tmp, std::size_t n, int bits) {
    using T = typename Tr::T;
    if (n <= 32) {
        insertionSort<Tr>(a, n);
        return;
    }
    std::vector<std::uint32_t> count;
    constexpr int kTop = 11;
    if (n <= 4096 || bits <= kTop) {
        T* r = lsdSort<Tr>(a, tmp, n, bits, n <= 4096 ? 8 : kTop, count);
        if (r != a) std::memcpy(static_cast<void*>(a), r, n * sizeof(T));
        return;
    }
    const int shift = bits - kTop;
    std::vector<std::uint32_t> start((std::size_t(1) << kTop) + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++start[(Tr::value(a[i]) >> shift) + 1];
    for (std::size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
    std::vector<std::uint32_t> pos(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const T x = a[i];
        tmp[pos[Tr::value(x) >> shift]++] = x;
    }
    for (std::size_t b = 0; b + 1 < start.size(); ++b) {
        const std::size_t s = start[b], len = start[b + 1] - s;
        if (len == 0) continue;
        if (len <= 32) {
            insertionSort<Tr>(tmp + s, len);
            std::memcpy(static_cast<void*>(a + s), tmp + s, len * sizeof(T));
            continue;
        }
        T* r = lsdSort<Tr>(tmp + s, a + s, len, shift, 8, count);
        if (r != a + s) std::memcpy(static_cast<void*>(a + s), r, len * sizeof(T));
    }
}

// The positions that vary, each value's rank at its position, and the
// positions cut into groups whose ranks fit side by side in 64 bits. Each
// position gets the bits its count of values needs, at a fixed shift, so the
// ranks of one key combine without a chain of dependent operations.
class Packing {
public:
    Packing(const char* keys, std::size_t n, int keySize) : keys_(keys), ks_(static_cast<std::size_t>(keySize)) {
        if (bytesAreDense(n)) {
            // Ranks would save little: every byte as it is, 8 a group.
            raw_ = true;
            for (std::size_t j = 0; j < ks_; ++j) {
                Position p;
                p.offset = static_cast<std::uint32_t>(j);
                p.bits = 8;
                for (int v = 0; v < 256; ++v) p.rank[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(v);
                positions_.push_back(p);
            }
        } else {
            std::vector<std::array<unsigned char, 256>> seen(ks_);
            for (auto& s : seen) s.fill(0);
            const auto* k = reinterpret_cast<const unsigned char*>(keys);
            for (std::size_t i = 0; i < n; ++i, k += ks_)
                for (std::size_t j = 0; j < ks_; ++j) seen[j][k[j]] = 1;
            for (std::size_t j = 0; j < ks_; ++j) {
                Position p;
                p.offset = static_cast<std::uint32_t>(j);
                std::uint32_t r = 0;
                for (int v = 0; v < 256; ++v) {
                    p.rank[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(r);
                    r += seen[j][static_cast<std::size_t>(v)];
                }
                if (r > 1) {
                    p.bits = bitsFor(r - 1);
                    positions_.push_back(p);
                }
            }
        }
        // Greedy groups: as many consecutive positions as fit in 64 bits,
        // the first of them in the highest bits.
        std::size_t g = 0;
        while (g < positions_.size()) {
            Group grp;
            grp.first = g;
            int bits = 0;
            while (g < positions_.size() && bits + positions_[g].bits <= 64) bits += positions_[g++].bits;
            grp.last = g;
            grp.bits = bits;
            for (std::size_t q = grp.first; q < grp.last; ++q) {
                bits -= positions_[q].bits;
                positions_[q].shift = bits;
            }
            groups_.push_back(grp);
        }
    }

    std::size_t groups() const { return groups_.size(); }
    int bits(std::size_t g) const { return groups_[g].bits; }

    // The ranks of key `idx` over group g, packed.
    std::uint64_t value(std::size_t g, std::uint32_t idx) const {
        const auto* k = reinterpret_cast<const unsigned char*>(keys_) + std::size_t(idx) * ks_;
        const Group& grp = groups_[g];
        if (raw_ && grp.last - grp.first == 8) {
            std::uint64_t v;
            std::memcpy(&v, k + positions_[grp.first].offset, 8);
            if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
            return v;
        }
        std::uint64_t v = 0;
        for (std::size_t p = groups_[g].first; p < groups_[g].last; ++p) {
            const Position& pos = positions_[p];
            v |= static_cast<std::uint64_t>(pos.rank[k[pos.offset]]) << pos.shift;
        }
        return v;
    }

private:
    struct Position {
        std::uint32_t offset = 0;
        int bits = 0;   // enough for the highest rank
        int shift = 0;  // where its rank goes in the group's value
        std::array<std::uint8_t, 256> rank{};
    };
    struct Group {
        std::size_t first = 0, last = 0;
        int bits = 0;
    };
    // Whether a sample of the keys shows their first 8 bytes so varied that
    // ranks of them would need at least 40 bits: then the byte values
    // themselves sort as well, and counting every key's values is not worth it.
    bool bytesAreDense(std::size_t n) const {
        if (ks_ < 8 || n < 4096) return false;
        constexpr std::size_t kSample = 4096;
        int bits = 0;
        for (std::size_t j = 0; j < 8; ++j) {
            std::array<unsigned char, 256> seen{};
            for (std::size_t i = 0; i < kSample; ++i) seen[static_cast<unsigned char>(keys_[(i * (n / kSample)) * ks_ + j])] = 1;
            int card = 0;
            for (unsigned char c : seen) card += c;
            if (card <= 1) return false;  // a constant byte: ranks drop it
            bits += bitsFor(static_cast<std::uint64_t>(card - 1));
        }
        return bits >= 40;
    }

    const char* keys_;
    std::size_t ks_;
    bool raw_ = false;
    std::vector<Position> positions_;
    std::vector<Group> groups_;
};

// Sorts a[0..n) (already ordered on groups before g) on groups g and after.
void sortGroups(Wide* a, Wide* tmp, std::size_t n, const Packing& pk, std::size_t g) {
    for (std::size_t i = 0; i < n; ++i) a[i].value = pk.value(g, a[i].idx);
    sortRun<WideTraits>(a, tmp, n, pk.bits(g));
    if (g + 1 >= pk.groups()) return;
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && a[j].value == a[i].value) ++j;
        if (j - i > 1) sortGroups(a + i, tmp, j - i, pk, g + 1);
        i = j;
    }
}

}  // namespace

struct KeyOrder::Buffer {
    explicit Buffer(std::size_t n) : order(n * sizeof(std::uint32_t)) {}
    Scratch order;
};

KeyOrder::KeyOrder(const char* keys, const std::uint32_t* recnos, std::size_t count, int keySize)
    : count_(count), items_(new Buffer(count)) {
    std::uint32_t* out = items_->order.as<std::uint32_t>();
    std::iota(out, out + count, 0u);
    if (!std::is_sorted(recnos, recnos + count))
        std::stable_sort(out, out + count, [&](std::uint32_t x, std::uint32_t y) { return recnos[x] < recnos[y]; });
    if (count < 2) return;
    const Packing pk(keys, count, keySize);
    if (pk.groups() == 0) return;  // all keys equal
    if (pk.groups() == 1 && pk.bits(0) <= 32) {
        Scratch a(count * sizeof(std::uint64_t)), tmp(count * sizeof(std::uint64_t));
        auto* items = a.as<std::uint64_t>();
        for (std::size_t i = 0; i < count; ++i) items[i] = pk.value(0, out[i]) << 32 | out[i];
        sortRun<NarrowTraits>(items, tmp.as<std::uint64_t>(), count, pk.bits(0));
        for (std::size_t i = 0; i < count; ++i) out[i] = NarrowTraits::idx(items[i]);
        return;
    }
    Scratch a(count * sizeof(Wide)), tmp(count * sizeof(Wide));
    Wide* items = a.as<Wide>();
    for (std::size_t i = 0; i < count; ++i) items[i].idx = out[i];
    sortGroups(items, tmp.as<Wide>(), count, pk, 0);
    for (std::size_t i = 0; i < count; ++i) out[i] = items[i].idx;
}

KeyOrder::~KeyOrder() { delete items_; }

std::uint32_t KeyOrder::operator[](std::size_t i) const { return items_->order.as<std::uint32_t>()[i]; }

}  // namespace mx::rt::ntx
