// Sorting a bulk-build batch: radix sort on 8-byte big-endian key prefixes
// (one pass on the most significant varying byte, then each bucket on its own
// while it is in cache), recursing into longer keys only where prefixes tie.
// Radix passes are stable, so equal keys keep record-number order.
#include "NtxKeySort.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace mx::rt::ntx {

namespace {

#pragma pack(push, 4)
struct Item {
    std::uint64_t prefix;  // key bytes offset .. offset+7, big-endian: integer order = byte order
    std::uint32_t idx;     // batch position
};
#pragma pack(pop)
static_assert(sizeof(Item) == 12);

// Scratch memory for millions of items, on huge pages where the system
// offers them: faulting in 12 MB page by page costs more than sorting it.
class Scratch {
public:
    explicit Scratch(std::size_t n) {
        std::size_t bytes = std::max<std::size_t>(n, 1) * sizeof(Item);
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
                items_ = reinterpret_cast<Item*>(aligned);
                return;
            }
            mapped_ = 0;
        }
        base_ = ::operator new(bytes);
        items_ = static_cast<Item*>(base_);
    }
    ~Scratch() {
        if (mapped_ != 0)
            ::munmap(base_, mapped_);
        else
            ::operator delete(base_);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    Item* get() const { return items_; }

private:
    void* base_ = nullptr;
    std::size_t mapped_ = 0;
    Item* items_ = nullptr;
};

std::uint64_t loadPrefix(const char* key, int offset, int keySize) {
    if (offset + 8 <= keySize) {
        std::uint64_t v;
        std::memcpy(&v, key + offset, 8);
        if constexpr (std::endian::native == std::endian::little) {
#if defined(__GNUC__)
            v = __builtin_bswap64(v);
#else
            std::uint64_t r = 0;
            for (int b = 0; b < 8; ++b) r = (r << 8) | ((v >> (8 * b)) & 0xFF);
            v = r;
#endif
        }
        return v;
    }
    std::uint64_t v = 0;
    for (int b = 0; b < 8; ++b) {
        v <<= 8;
        if (offset + b < keySize) v |= static_cast<unsigned char>(key[offset + b]);
    }
    return v;
}

using Histograms = std::size_t[8][256];

void histogram(const Item* a, std::size_t n, int bytes, Histograms& h) {
    std::memset(h, 0, sizeof(Histograms));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = a[i].prefix;
        for (int b = 0; b < bytes; ++b) ++h[b][(p >> (8 * b)) & 0xFF];
    }
}

bool trivial(const std::size_t* h, std::size_t n) {
    for (int v = 0; v < 256; ++v)
        if (h[v] != 0) return h[v] == n;
    return true;
}

void insertionSort(Item* a, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i) {
        Item x = a[i];
        std::size_t j = i;
        for (; j > 0 && a[j - 1].prefix > x.prefix; --j) a[j] = a[j - 1];
        a[j] = x;
    }
}

// Stable LSD radix sort of data[0..n) by the low `bytes` bytes of the
// prefix. Returns where the result is: data or scratch.
Item* lsdSort(Item* data, Item* scratch, std::size_t n, int bytes) {
    if (n <= 48) {
        insertionSort(data, n);
        return data;
    }
    Histograms h;
    histogram(data, n, bytes, h);
    Item* src = data;
    Item* dst = scratch;
    for (int b = 0; b < bytes; ++b) {
        std::size_t* hb = h[b];
        if (trivial(hb, n)) continue;
        std::size_t sum = 0;
        for (int v = 0; v < 256; ++v) {
            std::size_t c = hb[v];
            hb[v] = sum;
            sum += c;
        }
        const int shift = 8 * b;
        for (std::size_t i = 0; i < n; ++i) {
            const Item it = src[i];
            dst[hb[(it.prefix >> shift) & 0xFF]++] = it;
        }
        std::swap(src, dst);
    }
    return src;
}

// Stable sort of a[0..n) by prefix; tmp has room for n items.
void sortByPrefix(Item* a, Item* tmp, std::size_t n) {
    Histograms h;
    histogram(a, n, 8, h);
    int top = 7;
    while (top >= 0 && trivial(h[top], n)) --top;
    if (top < 0) return;  // all prefixes equal
    if (n <= 4096) {
        Item* r = lsdSort(a, tmp, n, top + 1);
        if (r != a) std::memcpy(a, r, n * sizeof(Item));
        return;
    }
    std::size_t start[257];
    start[0] = 0;
    for (int v = 0; v < 256; ++v) start[v + 1] = start[v] + h[top][v];
    std::size_t pos[256];
    std::memcpy(pos, start, sizeof pos);
    const int shift = 8 * top;
    for (std::size_t i = 0; i < n; ++i) {
        const Item it = a[i];
        tmp[pos[(it.prefix >> shift) & 0xFF]++] = it;
    }
    for (int v = 0; v < 256; ++v) {
        const std::size_t s = start[v];
        const std::size_t len = start[v + 1] - s;
        if (len == 0) continue;
        Item* r = lsdSort(tmp + s, a + s, len, top);
        if (r != a + s) std::memcpy(a + s, r, len * sizeof(Item));
    }
}

// Sorts a[0..n) by key bytes from `offset` on, keeping the incoming order of
// equal keys beyond the tie-breaks below.
void sortFrom(Item* a, Item* tmp, std::size_t n, const char* keys, const std::uint32_t* recnos, int keySize, int offset) {
    const auto ks = static_cast<std::size_t>(keySize);
    for (std::size_t i = 0; i < n; ++i) a[i].prefix = loadPrefix(keys + a[i].idx * ks, offset, keySize);
    sortByPrefix(a, tmp, n);
    const int next = offset + 8;
    if (next >= keySize) return;
    const auto rest = static_cast<std::size_t>(keySize - next);
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && a[j].prefix == a[i].prefix) ++j;
        if (j - i > 4096) {
            sortFrom(a + i, tmp, j - i, keys, recnos, keySize, next);
        } else if (j - i > 1) {
            std::sort(a + i, a + j, [&](const Item& x, const Item& y) {
                int c = std::memcmp(keys + x.idx * ks + next, keys + y.idx * ks + next, rest);
                if (c != 0) return c < 0;
                return recnos[x.idx] != recnos[y.idx] ? recnos[x.idx] < recnos[y.idx] : x.idx < y.idx;
            });
        }
        i = j;
    }
}

}  // namespace

struct KeyOrder::Buffer {
    explicit Buffer(std::size_t n) : scratch(n) {}
    Scratch scratch;
};

KeyOrder::KeyOrder(const char* keys, const std::uint32_t* recnos, std::size_t count, int keySize)
    : count_(count), items_(new Buffer(count)) {
    Item* a = items_->scratch.get();
    for (std::size_t i = 0; i < count; ++i) a[i].idx = static_cast<std::uint32_t>(i);
    if (!std::is_sorted(recnos, recnos + count)) {
        std::stable_sort(a, a + count, [&](const Item& x, const Item& y) { return recnos[x.idx] < recnos[y.idx]; });
    }
    Scratch tmp(count);
    sortFrom(a, tmp.get(), count, keys, recnos, keySize, 0);
}

KeyOrder::~KeyOrder() { delete items_; }

std::uint32_t KeyOrder::operator[](std::size_t i) const { return items_->scratch.get()[i].idx; }

}  // namespace mx::rt::ntx
