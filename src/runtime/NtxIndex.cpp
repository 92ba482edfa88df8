// NTX index files: header parsing, a bounded page cache, the B-tree search
// and in-order navigation, key insertion and removal with page balancing,
// splitting and joining, the free-page list, the shared-mode index lock with
// the version counter, and the one-pass bulk build. Keys are opaque bytes
// here; KeyEncoding.h turns values into them.
//
// Every page is read through Page::check(), and every child pointer is checked
// for alignment and range before it is followed, so a damaged file gives a
// DbError(Corrupt) naming the file and the page, never an access out of bounds.
#include "NtxIndex.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "Error.h"
#include "NtxKeySort.h"
#include "NtxPage.h"

namespace mx::rt {

using ntx::getU16;
using ntx::getU32;
using ntx::kPageSize;
using ntx::Page;
using ntx::PageGeometry;
using ntx::putU16;
using ntx::putU32;

namespace {

// Header (the page at offset 0):
//
//   OFFSET  SIZE  DESCRIPTION
//   0       2     flags: 0x0006, +0x0001 with a FOR condition (older files: 0x0003)
//   2       2     version, +1 (mod 65536) every time the header is saved
//   4       4     root page address
//   8       4     first free page, 0 = none; a free page's item-0 child links to the next
//   12      2     item size = key size + 8
//   14      2     key size, 1 .. 256
//   16      2     key decimals (numeric keys)
//   18      2     M, max keys per page
//   20      2     M / 2 (informational)
//   22      256   key expression, 0-terminated when shorter
//   278     1     unique flag
//   279     1     0
//   280     1     descending flag
//   281     1     0
//   282     256   FOR condition, 0-terminated when shorter; empty when none
//   538     12    order name (we write zeros)
//   550     474   zeros
//
// Only bytes 0..11 change after creation.
constexpr int kHdrFlags = 0;
constexpr int kHdrVersion = 2;
constexpr int kHdrRoot = 4;
constexpr int kHdrFree = 8;
constexpr int kHdrItemSize = 12;
constexpr int kHdrKeySize = 14;
constexpr int kHdrKeyDecimals = 16;
constexpr int kHdrMaxKeys = 18;
constexpr int kHdrHalf = 20;
constexpr int kHdrExpression = 22;
constexpr int kHdrUnique = 278;
constexpr int kHdrDescending = 280;
constexpr int kHdrFor = 282;
constexpr int kHdrTextSize = 256;
constexpr int kHdrMutableSize = 12;

constexpr std::uint16_t kFlagFor = 0x0001;
constexpr std::uint16_t kFlagsPlain = 0x0006;
constexpr std::uint16_t kFlagPageNumbers = 0x0200;  // addresses are page numbers (> 4 GB files)
constexpr std::uint16_t kFlagCompound = 0x8000;     // multi-order file, another layout
constexpr std::uint16_t kKnownFlags = 0x07FF | kFlagCompound;

// Index lock byte: shared for reads, exclusive for changes.
constexpr std::uint64_t kLockOffset = 1000000000;

// Deeper than this is a loop of child pointers: 64 levels of even the
// smallest fan-out (3) hold far more keys than a 4 GB file.
constexpr std::size_t kMaxDepth = 64;

// 2048 pages (2 MB at most, filled only as pages are read) keep every interior
// page of a million-key index, so a seek reads at most its leaf from disk.
constexpr std::size_t kCachePages = 2048;

using PagePtr = std::shared_ptr<Page>;

struct WalkState;

// A bounded set of pages with CLOCK replacement: a page found since the hand
// last passed it gets another round. Pages still referenced elsewhere (a
// navigation path, a change in progress) or not yet written are never
// evicted, so a page address maps to at most one Page object; when all are
// held the set grows past its capacity. Page objects of evicted pages are
// handed out again (obtain), so a cache that is full allocates nothing.
class PageCache {
public:
    explicit PageCache(std::size_t capacity) : capacity_(capacity) {}

    PagePtr find(std::uint32_t addr) {
        const std::size_t* at = lookup(addr);
        if (!at) return nullptr;
        Slot& s = slots_[*at];
        s.used = true;
        return s.page;
    }
    // A Page object for a page that is not in the set: one evicted to make
    // room for it (its contents stale) or a new one.
    PagePtr obtain(std::uint32_t addr, const PageGeometry& g) {
        if (free_.empty() && slots_.size() >= capacity_) evictOne();
        if (spare_ && spare_.use_count() == 1) {
            PagePtr p = std::move(spare_);
            p->reassign(addr);
            return p;
        }
        spare_.reset();
        return std::make_shared<Page>(addr, g);
    }
    // Adds p (replacing another object for the same address).
    void add(const PagePtr& p) {
        if (const std::size_t* at = lookup(p->address())) {
            slots_[*at].page = p;
            slots_[*at].used = true;
            return;
        }
        if (free_.empty() && slots_.size() >= capacity_) evictOne();
        std::size_t slot;
        if (!free_.empty()) {
            slot = free_.back();
            free_.pop_back();
            slots_[slot] = Slot{p, true};
        } else {
            slot = slots_.size();
            slots_.push_back(Slot{p, true});
        }
        insert(p->address(), slot);
    }
    void clear() {
        slots_.clear();
        free_.clear();
        table_.clear();
        entries_ = 0;
        hand_ = 0;
        spare_.reset();
    }

private:
    struct Slot {
        PagePtr page;  // null: free
        bool used = false;
    };
    static constexpr std::uint32_t kEmpty = 0;  // page addresses are never 0 (the header)

    // Moves the hand to a page nobody holds and that is written, and drops it;
    // does nothing when every page is held (the set then grows).
    void evictOne() {
        const std::size_t n = slots_.size();
        for (std::size_t step = 0; step < 2 * n; ++step) {
            Slot& s = slots_[hand_];
            const std::size_t at = hand_;
            hand_ = (hand_ + 1) % n;
            if (!s.page || s.page.use_count() > 1 || s.page->dirty()) continue;
            if (s.used) {
                s.used = false;
                continue;
            }
            erase(s.page->address());
            spare_ = std::move(s.page);
            s.page.reset();
            free_.push_back(at);
            return;
        }
    }

    // Open addressing with linear probing: table_ holds (address, slot) pairs.
    std::size_t mask() const { return table_.size() - 1; }
    static std::size_t hash(std::uint32_t addr) { return (addr >> 10) * 0x9E3779B1u; }
    const std::size_t* lookup(std::uint32_t addr) const {
        if (table_.empty()) return nullptr;
        for (std::size_t i = hash(addr) & mask();; i = (i + 1) & mask()) {
            const auto& e = table_[i];
            if (e.first == addr) return &e.second;
            if (e.first == kEmpty) return nullptr;
        }
    }
    void insert(std::uint32_t addr, std::size_t slot) {
        if ((entries_ + 1) * 2 > table_.size()) grow();
        for (std::size_t i = hash(addr) & mask();; i = (i + 1) & mask()) {
            if (table_[i].first == kEmpty) {
                table_[i] = {addr, slot};
                ++entries_;
                return;
            }
        }
    }
    // Removal by backward shift, so that no probe sequence is broken.
    void erase(std::uint32_t addr) {
        std::size_t i = hash(addr) & mask();
        while (table_[i].first != addr) {
            if (table_[i].first == kEmpty) return;
            i = (i + 1) & mask();
        }
        for (std::size_t j = (i + 1) & mask();; j = (j + 1) & mask()) {
            if (table_[j].first == kEmpty) break;
            const std::size_t home = hash(table_[j].first) & mask();
            // Entry j may move to i when i lies cyclically in [home, j).
            if (((j - home) & mask()) >= ((j - i) & mask())) {
                table_[i] = table_[j];
                i = j;
            }
        }
        table_[i] = {kEmpty, 0};
        --entries_;
    }
    void grow() {
        std::vector<std::pair<std::uint32_t, std::size_t>> old(std::max<std::size_t>(64, table_.size() * 2), {kEmpty, 0});
        old.swap(table_);
        entries_ = 0;
        for (const auto& e : old)
            if (e.first != kEmpty) insert(e.first, e.second);
    }

    std::size_t capacity_;
    std::vector<Slot> slots_;
    std::vector<std::size_t> free_;
    std::vector<std::pair<std::uint32_t, std::size_t>> table_;
    std::size_t entries_ = 0;
    std::size_t hand_ = 0;
    PagePtr spare_;  // the last evicted page, for obtain()
};

// An item moved between pages while balancing, splitting or joining.
struct Item {
    std::uint32_t child = 0;
    std::uint32_t recno = 0;
    std::string key;
};

std::string hexFlags(std::uint16_t f) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", f);
    return buf;
}

std::string cText(const unsigned char* p, std::size_t max) {
    std::size_t n = 0;
    while (n < max && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace

int ntxMaxKeys(int keySize) {
    int m = 1022 / (keySize + 10) - 1;
    if (m > 2 && (m % 2) != 0) --m;
    return m;
}

// ---------------------------------------------------------------------------

class NtxIndex::Impl {
public:
    explicit Impl(std::unique_ptr<File> file)
        : file_(std::move(file)), shared_(file_->mode() == OpenMode::Shared), cache_(kCachePages) {}

    void readHeader();
    void buildFrom(const NtxCreateInfo& info, NtxKeyBatch& batch);

    // --- public operations ---
    void insert(std::string_view key, std::uint32_t recno);
    bool remove(std::string_view key, std::uint32_t recno);
    void replace(std::string_view oldKey, std::string_view newKey, std::uint32_t recno);
    void clear();

    std::optional<NtxEntry> first();
    std::optional<NtxEntry> last();
    std::optional<NtxEntry> seekFirst(std::string_view prefix);
    std::optional<NtxEntry> seekLast(std::string_view prefix);
    bool advance(NtxEntry& at);
    bool retreat(NtxEntry& at);
    std::optional<NtxEntry> find(std::string_view key, std::uint32_t recno);
    std::uint32_t keyCount();
    std::uint32_t keyPosition(const NtxEntry& at);
    std::optional<NtxEntry> entryAt(std::uint32_t position);
    void walk(const std::function<bool(const NtxEntry&)>& fn);
    void invalidate();

    std::unique_ptr<File> file_;
    bool shared_;
    std::string expression_;
    std::string forExpression_;
    int keyDecimals_ = 0;
    bool unique_ = false;
    bool descending_ = false;
    std::uint16_t flags_ = kFlagsPlain;
    std::uint16_t version_ = 0;
    std::uint32_t root_ = 0;
    std::uint32_t freeHead_ = 0;
    PageGeometry geo_;
    int half_ = 0;

private:
    // Index lock, re-entrant so that walk() callbacks may navigate.
    class Lock {
    public:
        Lock(Impl& ix, bool exclusive) : ix_(ix) { ix_.acquire(exclusive); }
        ~Lock() { ix_.release(); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        Impl& ix_;
    };

    // One step of a path from the root. For every level but the last, `idx`
    // is the child the path descends into (0 .. n); for the last level it is
    // the entry the path stands on (0 .. n-1).
    struct Level {
        PagePtr page;
        int idx;
    };

    const std::string& path() const { return file_->path(); }
    std::size_t ks() const { return static_cast<std::size_t>(geo_.keySize); }
    int maxKeys() const { return geo_.maxKeys; }

    void acquire(bool exclusive);
    void release();
    void refreshHeader();
    void dropCaches();

    void checkAddress(std::uint32_t addr, std::uint32_t from);
    PagePtr page(std::uint32_t addr, std::uint32_t from);
    void markDirty(Page& p);
    void checkDepth(std::size_t depth, std::uint32_t addr) const;
    void checkScan(std::uint64_t steps) const;

    int cmp(const char* a, const char* b, std::size_t n) const {
        int c = std::memcmp(a, b, n);
        return descending_ ? -c : c;
    }
    int search(const Page& p, const char* k, std::size_t len, bool strict) const;

    // --- positioning (all leave path_ empty when there is no entry) ---
    bool posFirst();
    bool posLast();
    bool posLowerBound(const char* k, std::size_t len, bool strict);
    bool posEntry(const char* k, std::uint32_t recno);
    bool posAfterMissing(const char* k, std::uint32_t recno);
    bool posBeforeMissing(const char* k, std::uint32_t recno);
    bool locate(const NtxEntry& at, const std::string& k);
    void descendLeft(std::uint32_t addr, std::uint32_t from);
    void descendRight(std::uint32_t addr, std::uint32_t from);
    void normalizeForward();
    void normalizeBackward();
    bool stepNext();
    bool stepPrev();
    bool onEntry(const char* k, std::uint32_t recno) const;
    std::optional<NtxEntry> current() const;
    void fill(NtxEntry& e) const;
    std::optional<NtxEntry> result(bool positioned) const { return positioned ? current() : std::nullopt; }
    std::string normalizedKey(std::string_view key) const;

    std::uint64_t subtreeCount(std::uint32_t addr, std::uint32_t from, std::size_t depth);

    // --- changes ---
    template <class F>
    void change(F&& f);
    void checkKeySize(std::string_view key) const;
    bool doInsert(const char* k, std::uint32_t recno);
    bool doRemove(const char* k, std::uint32_t recno);
    void insertAtLevel(std::size_t level, std::uint32_t child, std::uint32_t recno, std::string key);
    int redistribute(Page& parent, int sepIdx, Page& left, Page& right);
    void join(Page& parent, int sepIdx, Page& left, Page& right);
    void openGap(Page& p, int pos);
    void closeGap(Page& p, int pos);
    void gather(const Page& p, std::vector<Item>& out) const;
    void scatter(Page& p, const std::vector<Item>& seq, std::size_t from, std::size_t to, std::uint32_t rightmost);
    PagePtr allocPage();
    void freePage(Page& p);
    void writeDirtyPages();
    void writeMutableHeader();
    void fixRightEdge();

    void walkPage(std::uint32_t addr, std::uint32_t from, std::size_t depth, WalkState& st,
                  const std::function<bool(const NtxEntry&)>& fn);

    PageCache cache_;
    std::uint64_t fileSize_ = 0;

    int lockDepth_ = 0;
    bool lockExclusive_ = false;

    std::vector<Level> path_;

    // Subtree entry counts by page address, valid while the tree is unchanged.
    std::unordered_map<std::uint32_t, std::uint64_t> counts_;
    std::optional<std::uint64_t> totalCount_;

    // State of the change in progress.
    bool inChange_ = false;
    std::uint64_t fileEnd_ = 0;  // next page address at the end of the file
    std::vector<PagePtr> dirty_;
    std::vector<std::uint32_t> touched_;
    std::vector<std::uint32_t> allocated_;  // pages taken from the free list
    int countDelta_ = 0;
};

// ---- header ----------------------------------------------------------------

void NtxIndex::Impl::readHeader() {
    unsigned char h[kPageSize];
    file_->readExact(0, h, kPageSize, "index header");
    flags_ = getU16(h + kHdrFlags);
    bool plain = flags_ == 3 || (flags_ & kFlagsPlain) == kFlagsPlain;
    if (!plain || (flags_ & ~kKnownFlags) != 0) throwCorrupt(path(), "not an NTX index (flags " + hexFlags(flags_) + ")", 0);
    if (flags_ & kFlagCompound) throwCorrupt(path(), "multi-order (compound) index files are not supported", 0);
    if (flags_ & kFlagPageNumbers) throwCorrupt(path(), "indexes addressed by page numbers are not supported", 0);
    version_ = getU16(h + kHdrVersion);
    root_ = getU32(h + kHdrRoot);
    freeHead_ = getU32(h + kHdrFree);
    geo_.itemSize = getU16(h + kHdrItemSize);
    geo_.keySize = getU16(h + kHdrKeySize);
    keyDecimals_ = getU16(h + kHdrKeyDecimals);
    geo_.maxKeys = getU16(h + kHdrMaxKeys);
    if (geo_.keySize < 1 || geo_.keySize > 256)
        throwCorrupt(path(), "key size " + std::to_string(geo_.keySize) + " outside 1..256", kHdrKeySize);
    if (geo_.itemSize != geo_.keySize + 8)
        throwCorrupt(path(), "item size " + std::to_string(geo_.itemSize) + " is not key size + 8", kHdrItemSize);
    if (!geo_.fits())
        throwCorrupt(path(), "max keys per page " + std::to_string(geo_.maxKeys) + " does not fit a page", kHdrMaxKeys);
    half_ = geo_.maxKeys / 2;
    unsigned char c0 = h[kHdrExpression];
    if (c0 < 0x20 || c0 > 0x7E) throwCorrupt(path(), "key expression does not start with a printable character", kHdrExpression);
    if (root_ == 0 || root_ % kPageSize != 0) throwCorrupt(path(), "root address " + std::to_string(root_) + " is not a page", kHdrRoot);
    if (freeHead_ % kPageSize != 0)
        throwCorrupt(path(), "free list head " + std::to_string(freeHead_) + " is not a page", kHdrFree);
    expression_ = cText(h + kHdrExpression, kHdrTextSize);
    forExpression_ = cText(h + kHdrFor, kHdrTextSize);
    unique_ = h[kHdrUnique] != 0;
    descending_ = h[kHdrDescending] != 0;
    fileSize_ = file_->size();
}

// Re-reads bytes 0..11 under the index lock; another process changed the
// index when version, root or free-list head differ from what we last saw.
void NtxIndex::Impl::refreshHeader() {
    unsigned char h[kHdrMutableSize];
    file_->readExact(0, h, sizeof h, "index header");
    std::uint16_t v = getU16(h + kHdrVersion);
    std::uint32_t r = getU32(h + kHdrRoot);
    std::uint32_t f = getU32(h + kHdrFree);
    if (v != version_ || r != root_ || f != freeHead_) {
        dropCaches();
        version_ = v;
        root_ = r;
        freeHead_ = f;
        fileSize_ = file_->size();
    }
    if (root_ == 0 || root_ % kPageSize != 0) throwCorrupt(path(), "root address " + std::to_string(root_) + " is not a page", kHdrRoot);
    if (freeHead_ % kPageSize != 0)
        throwCorrupt(path(), "free list head " + std::to_string(freeHead_) + " is not a page", kHdrFree);
}

void NtxIndex::Impl::writeMutableHeader() {
    unsigned char h[kHdrMutableSize];
    putU16(h + kHdrFlags, flags_);
    putU16(h + kHdrVersion, version_);
    putU32(h + kHdrRoot, root_);
    putU32(h + kHdrFree, freeHead_);
    file_->writeAt(0, h, sizeof h);
}

void NtxIndex::Impl::dropCaches() {
    path_.clear();
    cache_.clear();
    counts_.clear();
    totalCount_.reset();
}

void NtxIndex::Impl::invalidate() {
    dropCaches();
    if (lockDepth_ == 0 && !shared_) {
        // Nobody else can change the file now, so bytes 0..11 can be read without a lock.
        unsigned char h[kHdrMutableSize];
        file_->readExact(0, h, sizeof h, "index header");
        version_ = getU16(h + kHdrVersion);
        root_ = getU32(h + kHdrRoot);
        freeHead_ = getU32(h + kHdrFree);
        fileSize_ = file_->size();
    }
}

// ---- locking -----------------------------------------------------------------
//
// Invariants:
//  1. In shared mode pages are read or written only while lockDepth_ > 0,
//     i.e. while this opener holds the index byte lock (shared for reads,
//     exclusive for changes).
//  2. Taking the lock at depth 0 re-reads header bytes 0..11 and drops all
//     cached pages, counts and the navigation path if another process changed
//     the index since we last held the lock.
//  3. A change writes its pages, then the header with version + 1, before the
//     lock is released; a change never starts inside a read (walk callback).

void NtxIndex::Impl::acquire(bool exclusive) {
    if (lockDepth_ > 0) {
        if (exclusive && !lockExclusive_) throwUsage(path(), "index changed from inside a walk over it");
        ++lockDepth_;
        return;
    }
    if (shared_) {
        if (!file_->lock(kLockOffset, 1, exclusive, true))
            throw DbError(ErrorKind::Busy, path(), "index lock is held by another opener in this process");
        try {
            refreshHeader();
        } catch (...) {
            file_->unlock(kLockOffset, 1);
            throw;
        }
    }
    lockDepth_ = 1;
    lockExclusive_ = exclusive;
}

void NtxIndex::Impl::release() {
    if (--lockDepth_ == 0 && shared_) file_->unlock(kLockOffset, 1);
}

// ---- pages -------------------------------------------------------------------

// `from` is the page holding the pointer (0: the header), named in the error.
void NtxIndex::Impl::checkAddress(std::uint32_t addr, std::uint32_t from) {
    if (addr == 0 || addr % kPageSize != 0)
        throwCorrupt(path(), "page pointer " + std::to_string(addr) + " is not a page boundary", from);
    if (std::uint64_t(addr) + kPageSize > fileSize_) {
        fileSize_ = file_->size();
        if (std::uint64_t(addr) + kPageSize > fileSize_)
            throwCorrupt(path(), "page pointer " + std::to_string(addr) + " lies beyond the end of the file", from);
    }
}

PagePtr NtxIndex::Impl::page(std::uint32_t addr, std::uint32_t from) {
    if (inChange_) touched_.push_back(addr);
    if (PagePtr p = cache_.find(addr)) return p;
    checkAddress(addr, from);
    PagePtr p = cache_.obtain(addr, geo_);
    file_->readExact(addr, p->bytes(), kPageSize, "index page");
    if (const char* bad = p->check()) throwCorrupt(path(), bad, addr);
    cache_.add(p);
    return p;
}

void NtxIndex::Impl::markDirty(Page& p) {
    if (p.dirty()) return;
    p.setDirty(true);
    dirty_.push_back(p.shared_from_this());
}

void NtxIndex::Impl::checkDepth(std::size_t depth, std::uint32_t addr) const {
    if (depth >= kMaxDepth) throwCorrupt(path(), "tree deeper than 64 levels (loop of child pointers)", addr);
}

// A scan over equal keys cannot meet more entries than the file's pages can
// hold, unless pages are shared between parents.
void NtxIndex::Impl::checkScan(std::uint64_t steps) const {
    if (steps > fileSize_ / kPageSize * std::uint64_t(maxKeys() + 1))
        throwCorrupt(path(), "more entries than the file can hold (pages shared between parents)",
                     path_.empty() ? -1 : std::int64_t(path_.back().page->address()));
}

// First entry i in p whose first `len` key bytes compare >= k (strict: > k).
int NtxIndex::Impl::search(const Page& p, const char* k, std::size_t len, bool strict) const {
    int lo = 0;
    int hi = p.count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        int c = cmp(p.key(mid), k, len);
        if (c < 0 || (strict && c == 0))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// ---- positioning -------------------------------------------------------------

void NtxIndex::Impl::descendLeft(std::uint32_t addr, std::uint32_t from) {
    for (;;) {
        checkDepth(path_.size(), from);
        PagePtr p = page(addr, from);
        std::uint32_t c = p->child(0);
        path_.push_back({p, 0});
        if (c == 0) break;
        from = addr;
        addr = c;
    }
    normalizeForward();
}

void NtxIndex::Impl::descendRight(std::uint32_t addr, std::uint32_t from) {
    for (;;) {
        checkDepth(path_.size(), from);
        PagePtr p = page(addr, from);
        int n = p->count();
        std::uint32_t c = p->child(n);
        if (c == 0) {
            path_.push_back({p, n - 1});
            break;
        }
        path_.push_back({p, n});
        from = addr;
        addr = c;
    }
    normalizeBackward();
}

// Leaving child j forwards lands on entry j of the parent (if there is one).
void NtxIndex::Impl::normalizeForward() {
    while (!path_.empty() && path_.back().idx >= path_.back().page->count()) path_.pop_back();
}

// Leaving child j backwards lands on entry j - 1 of the parent.
void NtxIndex::Impl::normalizeBackward() {
    while (!path_.empty() && path_.back().idx < 0) {
        path_.pop_back();
        if (!path_.empty()) path_.back().idx -= 1;
    }
}

bool NtxIndex::Impl::stepNext() {
    Level& cur = path_.back();
    std::uint32_t c = cur.page->child(cur.idx + 1);
    std::uint32_t from = cur.page->address();
    cur.idx += 1;
    if (c != 0)
        descendLeft(c, from);
    else
        normalizeForward();
    return !path_.empty();
}

bool NtxIndex::Impl::stepPrev() {
    Level& cur = path_.back();
    std::uint32_t c = cur.page->child(cur.idx);
    std::uint32_t from = cur.page->address();
    if (c != 0) {
        descendRight(c, from);
    } else {
        cur.idx -= 1;
        normalizeBackward();
    }
    return !path_.empty();
}

bool NtxIndex::Impl::posFirst() {
    path_.clear();
    descendLeft(root_, 0);
    return !path_.empty();
}

bool NtxIndex::Impl::posLast() {
    path_.clear();
    descendRight(root_, 0);
    return !path_.empty();
}

// First entry whose first `len` key bytes are >= k (strict: > k).
bool NtxIndex::Impl::posLowerBound(const char* k, std::size_t len, bool strict) {
    path_.clear();
    std::uint32_t addr = root_;
    std::uint32_t from = 0;
    std::size_t best = 0;
    for (;;) {
        checkDepth(path_.size(), from);
        PagePtr p = page(addr, from);
        int i = search(*p, k, len, strict);
        path_.push_back({p, i});
        if (i < p->count()) best = path_.size();
        std::uint32_t c = p->child(i);
        if (c == 0) break;
        from = addr;
        addr = c;
    }
    path_.resize(best);
    return best != 0;
}

// The entry (k, recno): equal keys are searched from the first one forwards.
bool NtxIndex::Impl::posEntry(const char* k, std::uint32_t recno) {
    if (!posLowerBound(k, ks(), false)) return false;
    for (std::uint64_t steps = 0;; ++steps) {
        checkScan(steps);
        const Level& cur = path_.back();
        if (std::memcmp(cur.page->key(cur.idx), k, ks()) != 0) break;
        if (cur.page->recno(cur.idx) == recno) return true;
        if (!stepNext()) return false;
    }
    path_.clear();
    return false;
}

// Where an entry that is not in the index would lie: among equal keys by
// record number (the order of a fresh build), otherwise by key.
// First entry with a greater key, or an equal key and a greater record number.
bool NtxIndex::Impl::posAfterMissing(const char* k, std::uint32_t recno) {
    if (!posLowerBound(k, ks(), false)) return false;
    for (std::uint64_t steps = 0;; ++steps) {
        checkScan(steps);
        const Level& cur = path_.back();
        if (std::memcmp(cur.page->key(cur.idx), k, ks()) != 0) return true;
        if (cur.page->recno(cur.idx) > recno) return true;
        if (!stepNext()) return false;
    }
}

// Last entry with a smaller key, or an equal key and a smaller record number.
bool NtxIndex::Impl::posBeforeMissing(const char* k, std::uint32_t recno) {
    if (!posLowerBound(k, ks(), false)) return posLast();
    std::vector<Level> start = path_;
    std::vector<Level> best;
    for (std::uint64_t steps = 0;; ++steps) {
        checkScan(steps);
        const Level& cur = path_.back();
        if (std::memcmp(cur.page->key(cur.idx), k, ks()) != 0) break;
        if (cur.page->recno(cur.idx) < recno) best = path_;
        if (!stepNext()) break;
    }
    if (!best.empty()) {
        path_ = std::move(best);
        return true;
    }
    path_ = std::move(start);
    return stepPrev();
}

bool NtxIndex::Impl::onEntry(const char* k, std::uint32_t recno) const {
    if (path_.empty()) return false;
    const Level& cur = path_.back();
    return cur.page->recno(cur.idx) == recno && std::memcmp(cur.page->key(cur.idx), k, ks()) == 0;
}

// Puts the path on `at`; false when the entry is not in the index.
bool NtxIndex::Impl::locate(const NtxEntry& at, const std::string& k) {
    return onEntry(k.data(), at.recno) || posEntry(k.data(), at.recno);
}

std::optional<NtxEntry> NtxIndex::Impl::current() const {
    if (path_.empty()) return std::nullopt;
    NtxEntry e;
    fill(e);
    return e;
}

void NtxIndex::Impl::fill(NtxEntry& e) const {
    const Level& cur = path_.back();
    if (e.key.size() == ks())
        std::memcpy(e.key.data(), cur.page->key(cur.idx), ks());
    else
        e.key.assign(cur.page->key(cur.idx), ks());
    e.recno = cur.page->recno(cur.idx);
}

std::string NtxIndex::Impl::normalizedKey(std::string_view key) const {
    std::string k(key.substr(0, ks()));
    k.resize(ks(), ' ');
    return k;
}

// ---- navigation ----------------------------------------------------------------

std::optional<NtxEntry> NtxIndex::Impl::first() {
    Lock lock(*this, false);
    return result(posFirst());
}

std::optional<NtxEntry> NtxIndex::Impl::last() {
    Lock lock(*this, false);
    return result(posLast());
}

std::optional<NtxEntry> NtxIndex::Impl::seekFirst(std::string_view prefix) {
    Lock lock(*this, false);
    std::size_t len = std::min(prefix.size(), ks());
    if (len == 0) return result(posFirst());
    return result(posLowerBound(prefix.data(), len, false));
}

std::optional<NtxEntry> NtxIndex::Impl::seekLast(std::string_view prefix) {
    Lock lock(*this, false);
    std::size_t len = std::min(prefix.size(), ks());
    if (len == 0) return result(posLast());
    bool ok = posLowerBound(prefix.data(), len, true) ? stepPrev() : posLast();
    if (ok && cmp(path_.back().page->key(path_.back().idx), prefix.data(), len) != 0) {
        path_.clear();
        ok = false;
    }
    return result(ok);
}

bool NtxIndex::Impl::advance(NtxEntry& at) {
    Lock lock(*this, false);
    std::string normalized;
    const std::string* k = &at.key;
    if (at.key.size() != ks()) k = &(normalized = normalizedKey(at.key));
    const bool ok = locate(at, *k) ? stepNext() : posAfterMissing(k->data(), at.recno);
    if (ok) fill(at);
    return ok;
}

bool NtxIndex::Impl::retreat(NtxEntry& at) {
    Lock lock(*this, false);
    std::string normalized;
    const std::string* k = &at.key;
    if (at.key.size() != ks()) k = &(normalized = normalizedKey(at.key));
    const bool ok = locate(at, *k) ? stepPrev() : posBeforeMissing(k->data(), at.recno);
    if (ok) fill(at);
    return ok;
}

std::optional<NtxEntry> NtxIndex::Impl::find(std::string_view key, std::uint32_t recno) {
    Lock lock(*this, false);
    std::string k = normalizedKey(key);
    return result(posEntry(k.data(), recno));
}

std::uint64_t NtxIndex::Impl::subtreeCount(std::uint32_t addr, std::uint32_t from, std::size_t depth) {
    auto it = counts_.find(addr);
    if (it != counts_.end()) return it->second;
    checkDepth(depth, from);
    PagePtr p = page(addr, from);
    int n = p->count();
    std::uint64_t total = static_cast<std::uint64_t>(n);
    for (int i = 0; i <= n; ++i) {
        std::uint32_t c = p->child(i);
        if (c != 0) total += subtreeCount(c, addr, depth + 1);
    }
    total = std::min<std::uint64_t>(total, 0xFFFFFFFFu);
    counts_[addr] = total;
    return total;
}

std::uint32_t NtxIndex::Impl::keyCount() {
    Lock lock(*this, false);
    if (!totalCount_) totalCount_ = subtreeCount(root_, 0, 0);
    return static_cast<std::uint32_t>(*totalCount_);
}

std::uint32_t NtxIndex::Impl::keyPosition(const NtxEntry& at) {
    Lock lock(*this, false);
    std::string k = normalizedKey(at.key);
    if (!locate(at, k)) return 0;
    std::uint64_t pos = 0;
    for (std::size_t l = 0; l < path_.size(); ++l) {
        const Page& p = *path_[l].page;
        int i = path_[l].idx;
        // On the entry's own level, child i lies before the entry; above it,
        // the path is inside child i and only children 0 .. i-1 come before.
        int lastChildBefore = l + 1 == path_.size() ? i : i - 1;
        pos += static_cast<std::uint64_t>(i);
        for (int j = 0; j <= lastChildBefore; ++j) {
            std::uint32_t c = p.child(j);
            if (c != 0) pos += subtreeCount(c, p.address(), l + 1);
        }
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(pos + 1, 0xFFFFFFFFu));
}

std::optional<NtxEntry> NtxIndex::Impl::entryAt(std::uint32_t position) {
    Lock lock(*this, false);
    path_.clear();
    if (position == 0) return std::nullopt;
    std::uint64_t r = position - 1;
    std::uint32_t addr = root_;
    std::uint32_t from = 0;
    for (;;) {
        checkDepth(path_.size(), from);
        PagePtr p = page(addr, from);
        int n = p->count();
        path_.push_back({p, 0});
        bool descended = false;
        for (int j = 0; j <= n && !descended; ++j) {
            std::uint32_t c = p->child(j);
            std::uint64_t below = c != 0 ? subtreeCount(c, addr, path_.size()) : 0;
            if (r < below) {
                path_.back().idx = j;
                from = addr;
                addr = c;
                descended = true;
            } else {
                r -= below;
                if (j < n) {
                    if (r == 0) {
                        path_.back().idx = j;
                        return current();
                    }
                    r -= 1;
                }
            }
        }
        if (!descended) {
            path_.clear();
            return std::nullopt;
        }
    }
}

// ---- walk ----------------------------------------------------------------------

namespace {
struct WalkState {
    std::unordered_set<std::uint32_t> seen;
    std::size_t leafDepth = SIZE_MAX;
    std::string prevKey;
    bool havePrev = false;
    bool stopped = false;
};
}  // namespace

void NtxIndex::Impl::walkPage(std::uint32_t addr, std::uint32_t from, std::size_t depth, WalkState& st,
                              const std::function<bool(const NtxEntry&)>& fn) {
    checkDepth(depth, from);
    if (!st.seen.insert(addr).second)
        throwCorrupt(path(), "page " + std::to_string(addr) + " is reached twice in the tree", from);
    PagePtr p = page(addr, from);
    const int n = p->count();
    const bool interior = p->child(0) != 0;
    for (int i = 1; i <= n; ++i) {
        if ((p->child(i) != 0) != interior) throwCorrupt(path(), "page mixes leaf and interior child pointers", addr);
    }
    if (!interior) {
        if (st.leafDepth == SIZE_MAX)
            st.leafDepth = depth;
        else if (st.leafDepth != depth)
            throwCorrupt(path(), "leaf pages at different depths", addr);
    }
    NtxEntry e;
    for (int i = 0; i <= n; ++i) {
        if (interior) {
            walkPage(p->child(i), addr, depth + 1, st, fn);
            if (st.stopped) return;
        }
        if (i == n) break;
        const char* k = p->key(i);
        if (st.havePrev && cmp(st.prevKey.data(), k, ks()) > 0) throwCorrupt(path(), "keys out of order", addr);
        st.prevKey.assign(k, ks());
        st.havePrev = true;
        e.key.assign(k, ks());
        e.recno = p->recno(i);
        if (!fn(e)) {
            st.stopped = true;
            return;
        }
    }
}

void NtxIndex::Impl::walk(const std::function<bool(const NtxEntry&)>& fn) {
    Lock lock(*this, false);
    WalkState st;
    walkPage(root_, 0, 0, st, fn);
    if (st.stopped) return;
    // The free list must not loop or share pages with the tree.
    std::uint32_t from = 0;
    for (std::uint32_t f = freeHead_; f != 0;) {
        checkAddress(f, from);
        if (!st.seen.insert(f).second)
            throwCorrupt(path(), "free page " + std::to_string(f) + " is also in use or listed twice", from);
        unsigned char buf[kPageSize];
        file_->readExact(f, buf, kPageSize, "free index page");
        int off = getU16(buf + 2);
        if (off < geo_.tableEnd() || off + geo_.itemSize > int(kPageSize))
            throwCorrupt(path(), "offset table entry points outside the item area", f);
        from = f;
        f = getU32(buf + off);
    }
}

// ---- changes ---------------------------------------------------------------------

template <class F>
void NtxIndex::Impl::change(F&& f) {
    if (file_->readOnly()) throwUsage(path(), "index opened read-only");
    Lock lock(*this, true);
    fileSize_ = file_->size();
    const std::uint32_t savedRoot = root_;
    const std::uint32_t savedFree = freeHead_;
    const std::uint64_t savedEnd = (fileSize_ + kPageSize - 1) / kPageSize * kPageSize;
    fileEnd_ = savedEnd;
    inChange_ = true;
    touched_.clear();
    allocated_.clear();
    countDelta_ = 0;
    path_.clear();
    try {
        bool changed = f();
        if (changed) {
            writeDirtyPages();
            bool headerMoved = root_ != savedRoot || freeHead_ != savedFree || fileEnd_ != savedEnd;
            if (shared_ || headerMoved) {
                version_ = static_cast<std::uint16_t>(version_ + 1);
                writeMutableHeader();
            }
        }
    } catch (...) {
        // Pages changed in memory but not (all) written: forget them.
        for (const PagePtr& p : dirty_) p->setDirty(false);
        dirty_.clear();
        inChange_ = false;
        root_ = savedRoot;
        freeHead_ = savedFree;
        dropCaches();
        throw;
    }
    inChange_ = false;
    fileSize_ = std::max<std::uint64_t>(fileSize_, fileEnd_);
    path_.clear();
    for (std::uint32_t a : touched_) counts_.erase(a);
    if (totalCount_) totalCount_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(*totalCount_) + countDelta_);
    touched_.clear();
}

void NtxIndex::Impl::writeDirtyPages() {
    std::sort(dirty_.begin(), dirty_.end(), [](const PagePtr& a, const PagePtr& b) { return a->address() < b->address(); });
    for (const PagePtr& p : dirty_) file_->writeAt(p->address(), p->bytes(), kPageSize);
    for (const PagePtr& p : dirty_) p->setDirty(false);
    dirty_.clear();
}

void NtxIndex::Impl::checkKeySize(std::string_view key) const {
    if (key.size() != ks())
        throwUsage(path(), "key of " + std::to_string(key.size()) + " bytes for an index of " + std::to_string(ks()) + "-byte keys");
}

void NtxIndex::Impl::insert(std::string_view key, std::uint32_t recno) {
    checkKeySize(key);
    change([&] { return doInsert(key.data(), recno); });
}

bool NtxIndex::Impl::remove(std::string_view key, std::uint32_t recno) {
    checkKeySize(key);
    bool removed = false;
    change([&] { return removed = doRemove(key.data(), recno); });
    return removed;
}

void NtxIndex::Impl::replace(std::string_view oldKey, std::string_view newKey, std::uint32_t recno) {
    checkKeySize(oldKey);
    checkKeySize(newKey);
    change([&] {
        if (oldKey == newKey && posEntry(oldKey.data(), recno)) return false;
        bool removed = doRemove(oldKey.data(), recno);
        bool inserted = doInsert(newKey.data(), recno);
        return removed || inserted;
    });
}

void NtxIndex::Impl::clear() {
    if (file_->readOnly()) throwUsage(path(), "index opened read-only");
    Lock lock(*this, true);
    dropCaches();
    Page p(kPageSize, geo_);
    p.initFresh();
    file_->writeAt(kPageSize, p.bytes(), kPageSize);
    file_->truncate(2 * kPageSize);
    fileSize_ = 2 * kPageSize;
    root_ = kPageSize;
    freeHead_ = 0;
    // A rebuilt index starts again at version 1; other openers of a shared
    // file must see a new version instead.
    version_ = shared_ ? static_cast<std::uint16_t>(version_ + 1) : 1;
    writeMutableHeader();
}

// Adding (key, recno): descend to the leaf position after all equal keys.
bool NtxIndex::Impl::doInsert(const char* k, std::uint32_t recno) {
    if (unique_ && posLowerBound(k, ks(), false) && std::memcmp(path_.back().page->key(path_.back().idx), k, ks()) == 0) {
        path_.clear();
        return false;
    }
    path_.clear();
    std::uint32_t addr = root_;
    std::uint32_t from = 0;
    for (;;) {
        checkDepth(path_.size(), from);
        PagePtr p = page(addr, from);
        int i = search(*p, k, ks(), true);
        path_.push_back({p, i});
        std::uint32_t c = p->child(i);
        if (c == 0) break;
        from = addr;
        addr = c;
    }
    insertAtLevel(path_.size() - 1, 0, recno, std::string(k, ks()));
    path_.clear();
    countDelta_ += 1;
    return true;
}

// Inserts the item before entry path_[level].idx of that level's page; on
// overflow balances with a sibling or splits and carries the separator up.
void NtxIndex::Impl::insertAtLevel(std::size_t level, std::uint32_t child, std::uint32_t recno, std::string key) {
    const int m = maxKeys();
    for (;;) {
        PagePtr pp = path_[level].page;
        Page& p = *pp;
        const int pos = path_[level].idx;
        const int n = p.count();
        // The descent recorded pos <= n; a page met twice on the way (shared
        // between parents in a damaged file) may have changed since.
        if (pos > n) throwCorrupt(path(), "page changed under a change (page shared between parents?)", p.address());
        if (n < m) {
            openGap(p, pos);
            p.setItem(pos, child, recno, key.data());
            markDirty(p);
            return;
        }
        if (level > 0) {
            Page& parent = *path_[level - 1].page;
            const int pi = path_[level - 1].idx;
            if (parent.count() > 0) {
                const bool hasRight = pi < parent.count();
                const int sepIdx = hasRight ? pi : pi - 1;
                PagePtr sib = page(parent.child(hasRight ? pi + 1 : pi - 1), parent.address());
                if (n + sib->count() <= 2 * (m - 1)) {
                    Page& left = hasRight ? p : *sib;
                    Page& right = hasRight ? *sib : p;
                    // Position of the new item in left items + separator + right items.
                    const int c = hasRight ? pos : left.count() + 1 + pos;
                    const int leftKeys = redistribute(parent, sepIdx, left, right);
                    Page& target = c <= leftKeys ? left : right;
                    const int at = c <= leftKeys ? c : c - leftKeys - 1;
                    openGap(target, at);
                    target.setItem(at, child, recno, key.data());
                    return;
                }
            }
        }
        // Split: the new page takes the first half, the old page keeps the rest.
        PagePtr fresh = allocPage();
        std::vector<Item> seq;
        seq.reserve(static_cast<std::size_t>(n) + 1);
        gather(p, seq);
        seq.insert(seq.begin() + pos, Item{child, recno, std::move(key)});
        const std::uint32_t rightmost = p.child(n);
        const std::size_t h = seq.size() / 2;
        scatter(*fresh, seq, 0, h, seq[h].child);
        scatter(p, seq, h + 1, seq.size(), rightmost);
        child = fresh->address();
        recno = seq[h].recno;
        key = std::move(seq[h].key);
        if (level == 0) {
            PagePtr newRoot = allocPage();
            newRoot->setCount(1);
            newRoot->setItem(0, child, recno, key.data());
            newRoot->setChild(1, p.address());
            root_ = newRoot->address();
            return;
        }
        --level;
    }
}

// The tree logic keeps counts within the page capacity; only pages shared
// between parents in a damaged file can break that, and then nothing is moved.
void NtxIndex::Impl::openGap(Page& p, int pos) {
    if (!p.openGap(pos)) throwCorrupt(path(), "page overflow (page shared between parents?)", p.address());
}

void NtxIndex::Impl::closeGap(Page& p, int pos) {
    if (!p.closeGap(pos)) throwCorrupt(path(), "page underflow (page shared between parents?)", p.address());
}

void NtxIndex::Impl::gather(const Page& p, std::vector<Item>& out) const {
    for (int i = 0; i < p.count(); ++i) out.push_back(Item{p.child(i), p.recno(i), std::string(p.key(i), ks())});
}

void NtxIndex::Impl::scatter(Page& p, const std::vector<Item>& seq, std::size_t from, std::size_t to, std::uint32_t rightmost) {
    const int n = static_cast<int>(to - from);
    if (n > maxKeys()) throwCorrupt(path(), "page overflow (page shared between parents?)", p.address());
    p.setCount(n);
    for (int i = 0; i < n; ++i) {
        const Item& it = seq[from + static_cast<std::size_t>(i)];
        p.setItem(i, it.child, it.recno, it.key.data());
    }
    p.setChild(n, rightmost);
    markDirty(p);
}

// Spreads the keys of two neighbours and their separator (entry sepIdx of
// the parent) evenly: with T keys in both pages the left one gets
// floor((T + 1) / 2). Returns that count.
int NtxIndex::Impl::redistribute(Page& parent, int sepIdx, Page& left, Page& right) {
    std::vector<Item> seq;
    seq.reserve(static_cast<std::size_t>(left.count() + right.count()) + 1);
    gather(left, seq);
    seq.push_back(Item{left.child(left.count()), parent.recno(sepIdx), std::string(parent.key(sepIdx), ks())});
    gather(right, seq);
    const std::uint32_t rightmost = right.child(right.count());
    const std::size_t total = seq.size() - 1;
    const std::size_t leftKeys = (total + 1) / 2;
    scatter(left, seq, 0, leftKeys, seq[leftKeys].child);
    scatter(right, seq, leftKeys + 1, seq.size(), rightmost);
    parent.setRecno(sepIdx, seq[leftKeys].recno);
    parent.setKey(sepIdx, seq[leftKeys].key.data());
    markDirty(parent);
    return static_cast<int>(leftKeys);
}

// The left page takes the separator and all keys of the right page; the
// separator leaves the parent and the right page goes to the free list.
void NtxIndex::Impl::join(Page& parent, int sepIdx, Page& left, Page& right) {
    std::vector<Item> seq;
    seq.reserve(static_cast<std::size_t>(left.count() + right.count()) + 1);
    gather(left, seq);
    seq.push_back(Item{left.child(left.count()), parent.recno(sepIdx), std::string(parent.key(sepIdx), ks())});
    gather(right, seq);
    scatter(left, seq, 0, seq.size(), right.child(right.count()));
    parent.setChild(sepIdx + 1, left.address());
    closeGap(parent, sepIdx);
    markDirty(parent);
    freePage(right);
}

// Removing (k, recno): an interior entry is replaced by its in-order
// predecessor, whose leaf then loses it; pages below half full are joined
// with or balanced against a sibling on the way up.
bool NtxIndex::Impl::doRemove(const char* k, std::uint32_t recno) {
    if (!posEntry(k, recno)) return false;
    {
        PagePtr holder = path_.back().page;
        const int i = path_.back().idx;
        std::uint32_t addr = holder->child(i);
        if (addr != 0) {
            std::uint32_t from = holder->address();
            for (;;) {
                checkDepth(path_.size(), from);
                PagePtr q = page(addr, from);
                const int n = q->count();
                const std::uint32_t c = q->child(n);
                if (c == 0) {
                    if (n == 0) throwCorrupt(path(), "empty leaf below an interior key", addr);
                    path_.push_back({q, n - 1});
                    break;
                }
                path_.push_back({q, n});
                from = addr;
                addr = c;
            }
            const Level& leaf = path_.back();
            holder->setRecno(i, leaf.page->recno(leaf.idx));
            holder->setKey(i, leaf.page->key(leaf.idx));
            markDirty(*holder);
        }
    }
    Page& leaf = *path_.back().page;
    closeGap(leaf, path_.back().idx);
    markDirty(leaf);

    const int m = maxKeys();
    for (std::size_t lv = path_.size() - 1; lv > 0; --lv) {
        Page& pg = *path_[lv].page;
        if (pg.count() >= half_) break;
        Page& parent = *path_[lv - 1].page;
        const int pi = path_[lv - 1].idx;
        if (parent.count() == 0) throwCorrupt(path(), "interior page without keys", parent.address());
        const bool hasRight = pi < parent.count();
        const int sepIdx = hasRight ? pi : pi - 1;
        PagePtr sib = page(parent.child(hasRight ? pi + 1 : pi - 1), parent.address());
        Page& left = hasRight ? pg : *sib;
        Page& right = hasRight ? *sib : pg;
        if (pg.count() + sib->count() < m)
            join(parent, sepIdx, left, right);
        else
            redistribute(parent, sepIdx, left, right);
    }
    PagePtr r = page(root_, 0);
    if (r->count() == 0 && r->child(0) != 0) {
        root_ = r->child(0);
        freePage(*r);
    }
    path_.clear();
    countDelta_ -= 1;
    return true;
}

// A page for a split or a new root: the head of the free list, else a new
// page at the end of the file.
PagePtr NtxIndex::Impl::allocPage() {
    PagePtr p;
    if (freeHead_ != 0) {
        const std::uint32_t addr = freeHead_;
        touched_.push_back(addr);
        p = cache_.find(addr);
        if (!p) {
            checkAddress(addr, 0);
            p = cache_.obtain(addr, geo_);
            file_->readExact(addr, p->bytes(), kPageSize, "free index page");
            const int off = p->slot(0);
            if (off < geo_.tableEnd() || off + geo_.itemSize > int(kPageSize))
                throwCorrupt(path(), "offset table entry points outside the item area", addr);
            cache_.add(p);
        }
        // A damaged list may name a page of the tree; reusing one this change
        // is working on (or has just taken) would overwrite what it moves.
        bool inUse = std::find(allocated_.begin(), allocated_.end(), addr) != allocated_.end();
        for (const Level& l : path_) inUse = inUse || l.page == p;
        if (inUse) throwCorrupt(path(), "free page list names a page in use", addr);
        allocated_.push_back(addr);
        const std::uint32_t next = p->child(0);
        if (next == addr || next % kPageSize != 0) throwCorrupt(path(), "bad link in the free page list", addr);
        freeHead_ = next;
    } else {
        const auto addr = static_cast<std::uint32_t>(fileEnd_);
        if (fileEnd_ + kPageSize > 0xFFFFFFFFull) throw DbError(ErrorKind::Io, path(), "index file would exceed 4 GB");
        fileEnd_ += kPageSize;
        touched_.push_back(addr);
        p = cache_.obtain(addr, geo_);
        cache_.add(p);
    }
    p->initFresh();
    markDirty(*p);
    return p;
}

// A freed page keeps its content except the count (0) and item 0's child,
// which links to the previous head of the list.
void NtxIndex::Impl::freePage(Page& p) {
    p.setCount(0);
    p.setChild(0, freeHead_);
    freeHead_ = p.address();
    markDirty(p);
}

// ---- bulk build ------------------------------------------------------------------

// After a one-pass build the pages on the right edge may be short: walking
// down from the root, a right-most child with fewer than M/2 keys is
// balanced with its left neighbour.
void NtxIndex::Impl::fixRightEdge() {
    PagePtr p = page(root_, 0);
    for (std::size_t depth = 0;; ++depth) {
        checkDepth(depth, p->address());
        const int n = p->count();
        const std::uint32_t c = p->child(n);
        if (c == 0) break;
        PagePtr r = page(c, p->address());
        if (r->count() < half_ && n > 0) {
            PagePtr l = page(p->child(n - 1), p->address());
            redistribute(*p, n - 1, *l, *r);
        }
        p = r;
    }
}

void NtxIndex::Impl::buildFrom(const NtxCreateInfo& info, NtxKeyBatch& batch) {
    if (info.keySize < 1 || info.keySize > 256) throwUsage(path(), "key size must be 1..256");
    if (info.expression.empty() || info.expression.size() >= kHdrTextSize) throwUsage(path(), "key expression must be 1..255 bytes");
    if (info.forExpression.size() >= kHdrTextSize) throwUsage(path(), "FOR condition longer than 255 bytes");
    if (batch.keys.size() != batch.recnos.size() * static_cast<std::size_t>(info.keySize))
        throwUsage(path(), "key batch size does not match the record count");
    if (batch.recnos.size() > 0xFFFFFFFFull) throwUsage(path(), "too many keys");

    geo_.keySize = info.keySize;
    geo_.itemSize = info.keySize + 8;
    geo_.maxKeys = ntxMaxKeys(info.keySize);
    half_ = geo_.maxKeys / 2;
    expression_ = info.expression;
    forExpression_ = info.forExpression;
    keyDecimals_ = info.keyDecimals;
    unique_ = info.unique;
    descending_ = false;
    flags_ = static_cast<std::uint16_t>(kFlagsPlain | (info.forExpression.empty() ? 0 : kFlagFor));

    const int m = geo_.maxKeys;
    const std::size_t keySize = ks();
    const char* keys = batch.keys.data();
    ntx::KeyOrder order(keys, batch.recnos.data(), batch.recnos.size(), info.keySize);

    // One page open per level; a full page is written when the next entry
    // arrives, and that entry goes up as separator with the page as its left child.
    struct OpenPage {
        std::unique_ptr<Page> page;
        int n = 0;
    };
    std::vector<OpenPage> levels;
    std::vector<unsigned char> out;
    const std::size_t flushSize = 256 * kPageSize;
    out.reserve(flushSize);
    std::uint64_t nextAddr = kPageSize;
    std::uint64_t outStart = kPageSize;
    auto flush = [&] {
        if (!out.empty()) file_->writeAt(outStart, out.data(), out.size());
        outStart += out.size();
        out.clear();
    };
    auto writePage = [&](OpenPage& op, std::uint32_t rightmost) {
        op.page->setCount(op.n);
        op.page->setChild(op.n, rightmost);
        if (nextAddr + kPageSize > 0xFFFFFFFFull) throw DbError(ErrorKind::Io, path(), "index file would exceed 4 GB");
        const auto addr = static_cast<std::uint32_t>(nextAddr);
        nextAddr += kPageSize;
        out.insert(out.end(), op.page->bytes(), op.page->bytes() + kPageSize);
        if (out.size() >= flushSize) flush();
        op.page->initFresh();
        op.n = 0;
        return addr;
    };
    auto openLevel = [&] {
        OpenPage op;
        op.page = std::make_unique<Page>(0, geo_);
        op.page->initFresh();
        levels.push_back(std::move(op));
    };
    openLevel();

    const std::uint32_t* recnos = batch.recnos.data();
    const char* prevKey = nullptr;
    constexpr std::size_t kAhead = 16;  // the keys are read in random order: fetch them early
    for (std::size_t pos = 0; pos < order.size(); ++pos) {
#if defined(__GNUC__)
        if (pos + kAhead < order.size()) {
            const std::uint32_t ahead = order[pos + kAhead];
            __builtin_prefetch(keys + std::size_t(ahead) * keySize);
            __builtin_prefetch(recnos + ahead);
        }
#endif
        const std::uint32_t idx = order[pos];
        const char* k = keys + std::size_t(idx) * keySize;
        if (unique_) {
            if (prevKey && std::memcmp(prevKey, k, keySize) == 0) continue;
            prevKey = k;
        }
        std::uint32_t child = 0;
        for (std::size_t level = 0;; ++level) {
            if (level == levels.size()) openLevel();
            OpenPage& op = levels[level];
            if (op.n == m) {
                child = writePage(op, child);
                continue;
            }
            op.page->setItem(op.n, child, recnos[idx], k);
            ++op.n;
            break;
        }
    }
    std::uint32_t below = 0;
    for (OpenPage& op : levels) below = writePage(op, below);
    flush();

    version_ = 1;
    root_ = below;
    freeHead_ = 0;
    fileSize_ = nextAddr;
    fileEnd_ = nextAddr;
    if (file_->size() > nextAddr) file_->truncate(nextAddr);

    inChange_ = true;
    try {
        fixRightEdge();
        writeDirtyPages();
    } catch (...) {
        for (const PagePtr& p : dirty_) p->setDirty(false);
        dirty_.clear();
        inChange_ = false;
        dropCaches();
        throw;
    }
    inChange_ = false;
    touched_.clear();
    dropCaches();

    unsigned char h[kPageSize] = {};
    putU16(h + kHdrFlags, flags_);
    putU16(h + kHdrVersion, version_);
    putU32(h + kHdrRoot, root_);
    putU32(h + kHdrFree, 0);
    putU16(h + kHdrItemSize, static_cast<std::uint32_t>(geo_.itemSize));
    putU16(h + kHdrKeySize, static_cast<std::uint32_t>(geo_.keySize));
    putU16(h + kHdrKeyDecimals, static_cast<std::uint32_t>(keyDecimals_));
    putU16(h + kHdrMaxKeys, static_cast<std::uint32_t>(m));
    putU16(h + kHdrHalf, static_cast<std::uint32_t>(half_));
    std::memcpy(h + kHdrExpression, expression_.data(), expression_.size());
    h[kHdrUnique] = unique_ ? 1 : 0;
    std::memcpy(h + kHdrFor, forExpression_.data(), forExpression_.size());
    file_->writeAt(0, h, kPageSize);
}

// ---- the public class ------------------------------------------------------------

NtxIndex::NtxIndex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
NtxIndex::~NtxIndex() = default;

std::unique_ptr<NtxIndex> NtxIndex::open(std::unique_ptr<File> file) {
    auto impl = std::make_unique<Impl>(std::move(file));
    impl->readHeader();
    return std::unique_ptr<NtxIndex>(new NtxIndex(std::move(impl)));
}

std::unique_ptr<NtxIndex> NtxIndex::build(std::unique_ptr<File> file, const NtxCreateInfo& info, NtxKeyBatch batch) {
    auto impl = std::make_unique<Impl>(std::move(file));
    impl->buildFrom(info, batch);
    return std::unique_ptr<NtxIndex>(new NtxIndex(std::move(impl)));
}

const std::string& NtxIndex::path() const { return impl_->file_->path(); }
const std::string& NtxIndex::expression() const { return impl_->expression_; }
const std::string& NtxIndex::forExpression() const { return impl_->forExpression_; }
int NtxIndex::keySize() const { return impl_->geo_.keySize; }
int NtxIndex::keyDecimals() const { return impl_->keyDecimals_; }
bool NtxIndex::unique() const { return impl_->unique_; }
bool NtxIndex::descending() const { return impl_->descending_; }
std::uint16_t NtxIndex::version() const { return impl_->version_; }

void NtxIndex::insert(std::string_view key, std::uint32_t recno) { impl_->insert(key, recno); }
bool NtxIndex::remove(std::string_view key, std::uint32_t recno) { return impl_->remove(key, recno); }
void NtxIndex::replace(std::string_view oldKey, std::string_view newKey, std::uint32_t recno) {
    impl_->replace(oldKey, newKey, recno);
}
void NtxIndex::clear() { impl_->clear(); }

std::optional<NtxEntry> NtxIndex::first() { return impl_->first(); }
std::optional<NtxEntry> NtxIndex::last() { return impl_->last(); }
std::optional<NtxEntry> NtxIndex::seekFirst(std::string_view prefix) { return impl_->seekFirst(prefix); }
std::optional<NtxEntry> NtxIndex::seekLast(std::string_view prefix) { return impl_->seekLast(prefix); }
std::optional<NtxEntry> NtxIndex::next(const NtxEntry& at) {
    std::optional<NtxEntry> e(at);
    if (!impl_->advance(*e)) e.reset();
    return e;
}
std::optional<NtxEntry> NtxIndex::prev(const NtxEntry& at) {
    std::optional<NtxEntry> e(at);
    if (!impl_->retreat(*e)) e.reset();
    return e;
}
bool NtxIndex::advance(NtxEntry& at) { return impl_->advance(at); }
bool NtxIndex::retreat(NtxEntry& at) { return impl_->retreat(at); }
std::optional<NtxEntry> NtxIndex::find(std::string_view key, std::uint32_t recno) { return impl_->find(key, recno); }
std::uint32_t NtxIndex::keyCount() { return impl_->keyCount(); }
std::uint32_t NtxIndex::keyPosition(const NtxEntry& at) { return impl_->keyPosition(at); }
std::optional<NtxEntry> NtxIndex::entryAt(std::uint32_t position) { return impl_->entryAt(position); }
void NtxIndex::walk(const std::function<bool(const NtxEntry&)>& fn) { impl_->walk(fn); }
void NtxIndex::invalidate() { impl_->invalidate(); }

}  // namespace mx::rt
