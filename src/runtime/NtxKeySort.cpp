// Sorting a bulk-build batch. Keys are fixed-size byte strings compared
// unsigned; the result must list equal keys by record number.
//
// Keys of real tables waste most of their bits: a C10 code of digits uses 10
// of 256 values in each byte, a numeric key has blanks-turned-zeros and a
// fixed decimal point. So the sort first learns, for every byte position,
// which values occur, drops the positions where only one value occurs, and
// replaces each remaining byte by its rank among the values that occur there.
// Reading the ranks as the digits of one mixed-radix number gives an integer
// whose order is the keys' byte order, over as many leading positions as fit
// in 64 bits (a million C10 codes: 27 bits). Those integers are sorted by a
// stable LSD radix sort in a few passes; where keys need more than 64 bits,
// runs of equal leading parts are sorted again on the next positions.
//
// Every pass is stable and the items start in record-number order, so equal
// keys come out by record number, then by batch position.
#include "NtxKeySort.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
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
// as few passes of at most 11 bits as the width allows. Returns where the
// result is: a or tmp.
template <class Tr>
typename Tr::T* lsdSort(typename Tr::T* a, typename Tr::T* tmp, std::size_t n, int bits) {
    using T = typename Tr::T;
    if (bits == 0 || n < 2) return a;
    const int passes = (bits + 10) / 11;
    const int digit = (bits + passes - 1) / passes;
    const std::size_t buckets = std::size_t(1) << digit;
    const std::uint64_t mask = buckets - 1;
    std::vector<std::size_t> count(buckets * static_cast<std::size_t>(passes), 0);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t v = Tr::value(a[i]);
        for (int p = 0; p < passes; ++p) ++count[static_cast<std::size_t>(p) * buckets + ((v >> (p * digit)) & mask)];
    }
    T* src = a;
    T* dst = tmp;
    for (int p = 0; p < passes; ++p) {
        std::size_t* c = count.data() + static_cast<std::size_t>(p) * buckets;
        if (std::count(c, c + buckets, std::size_t(0)) == static_cast<std::ptrdiff_t>(buckets - 1)) continue;  // one digit value
        std::size_t sum = 0;
        for (std::size_t b = 0; b < buckets; ++b) {
            const std::size_t k = c[b];
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

template <class Tr>
void sortRun(typename Tr::T* a, typename Tr::T* tmp, std::size_t n, int bits) {
    if (n <= 32) {
        insertionSort<Tr>(a, n);
        return;
    }
    typename Tr::T* r = lsdSort<Tr>(a, tmp, n, bits);
    if (r != a) std::memcpy(static_cast<void*>(a), r, n * sizeof(typename Tr::T));
}

// The positions that vary, each value's rank at its position, and the
// positions cut into groups whose packed ranks fit in 64 bits.
class Packing {
public:
    Packing(const char* keys, std::size_t n, int keySize) : keys_(keys), ks_(static_cast<std::size_t>(keySize)) {
        std::vector<std::array<unsigned char, 256>> seen(ks_);
        for (auto& s : seen) s.fill(0);
        const auto* k = reinterpret_cast<const unsigned char*>(keys);
        for (std::size_t i = 0; i < n; ++i, k += ks_)
            for (std::size_t j = 0; j < ks_; ++j) seen[j][k[j]] = 1;
        for (std::size_t j = 0; j < ks_; ++j) {
            Position p;
            p.offset = j;
            std::uint32_t r = 0;
            for (int v = 0; v < 256; ++v) {
                p.rank[static_cast<std::size_t>(v)] = static_cast<std::uint16_t>(r);
                r += seen[j][static_cast<std::size_t>(v)];
            }
            p.card = r;
            if (p.card > 1) positions_.push_back(p);
        }
        // Greedy groups: as many consecutive positions as keep the product of
        // their cardinalities below 2^64.
        std::size_t g = 0;
        while (g < positions_.size()) {
            Group grp;
            grp.first = g;
            unsigned __int128 product = 1;
            while (g < positions_.size() && product * positions_[g].card <= ~std::uint64_t(0)) {
                product *= positions_[g].card;
                ++g;
            }
            grp.last = g;
            grp.bits = bitsFor(static_cast<std::uint64_t>(product - 1));
            groups_.push_back(grp);
        }
    }

    std::size_t groups() const { return groups_.size(); }
    int bits(std::size_t g) const { return groups_[g].bits; }

    // The packed ranks of key `idx` over group g.
    std::uint64_t value(std::size_t g, std::uint32_t idx) const {
        const auto* k = reinterpret_cast<const unsigned char*>(keys_) + std::size_t(idx) * ks_;
        std::uint64_t v = 0;
        for (std::size_t p = groups_[g].first; p < groups_[g].last; ++p) {
            const Position& pos = positions_[p];
            v = v * pos.card + pos.rank[k[pos.offset]];
        }
        return v;
    }

private:
    struct Position {
        std::size_t offset = 0;
        std::uint32_t card = 0;
        std::array<std::uint16_t, 256> rank{};
    };
    struct Group {
        std::size_t first = 0, last = 0;
        int bits = 0;
    };
    const char* keys_;
    std::size_t ks_;
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
