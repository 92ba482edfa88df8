// The inside of an NTX index, shared by its parts: the header layout, the
// index class's state, and the operations each part defines (the header, the
// lock and the public class's calls in NtxHeader.cpp, page reading in
// NtxPages.cpp, navigation and counts in NtxNavigation.cpp, tree updates in
// NtxTreeUpdate.cpp, the bulk build in NtxBuild.cpp). Only those files
// include it.
//
// Every page is read through Page::check(), and every child pointer is checked
// for alignment and range before it is followed, so a damaged file gives a
// DbError(Corrupt) naming the file and the page, never an access out of bounds.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Error.h"
#include "NtxIndex.h"
#include "NtxPage.h"
#include "NtxPageCache.h"

namespace mx::rt {

namespace ntx {

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

// The state of a tree walk (NtxNavigation.cpp).
struct WalkState;

// An item moved between pages while balancing, splitting or joining.
struct Item {
    std::uint32_t child = 0;
    std::uint32_t recno = 0;
    std::string key;
};

}  // namespace ntx

// The layout constants and helper types above, unqualified in the parts.
using namespace ntx;

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
    std::uint32_t recnoAhead(int ahead) const;
    std::optional<NtxEntry> find(std::string_view key, std::uint32_t recno);
    std::uint32_t keyCount();
    std::uint32_t keyPosition(const NtxEntry& at);
    std::optional<NtxEntry> entryAt(std::uint32_t position);
    std::uint32_t approxKeyCount();
    std::uint32_t approxKeyPosition(const NtxEntry& at);
    void walk(const std::function<bool(const NtxEntry&)>& fn);
    void holdRead() { acquire(false); }
    void releaseRead() { release(); }
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
    // The page at addr, from the cache or read and checked; `from` is the
    // page holding the pointer (0: the header), named in an error.
    PagePtr page(std::uint32_t addr, std::uint32_t from) {
        if (inChange_) touched_.push_back(addr);
        if (PagePtr p = cache_.find(addr)) return p;
        return readPage(addr, from);
    }
    PagePtr readPage(std::uint32_t addr, std::uint32_t from);
    void markDirty(Page& p);
    void checkDepth(std::size_t depth, std::uint32_t addr) const {
        if (depth >= kMaxDepth) throwCorrupt(path(), "tree deeper than 64 levels (loop of child pointers)", addr);
    }
    void checkScan(std::uint64_t steps) const;

    int cmp(const char* a, const char* b, std::size_t n) const {
        int c = std::memcmp(a, b, n);
        return descending_ ? -c : c;
    }
    // First entry i in p whose first `len` key bytes compare >= k (strict: > k).
    int search(const Page& p, const char* k, std::size_t len, bool strict) const {
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

    // A page's entries plus what `child` gives for each of its subtrees.
    using SubtreeCount = std::uint64_t (Impl::*)(std::uint32_t addr, std::uint32_t from, std::size_t depth);
    std::uint64_t pageTotal(std::uint32_t addr, std::uint32_t from, std::size_t depth, SubtreeCount child);
    std::uint64_t subtreeCount(std::uint32_t addr, std::uint32_t from, std::size_t depth);
    std::uint64_t approxSubtreeCount(std::uint32_t addr, std::uint32_t from, std::size_t depth);
    std::uint64_t approxTotal();
    void keepCountsAsEstimates();
    void forgetEstimates();
    void stepRecount();

    // --- changes ---
    template <class F>
    void change(F&& f);
    void checkKeySize(std::string_view key) const;
    bool doInsert(const char* k, std::uint32_t recno);
    bool doRemove(const char* k, std::uint32_t recno);
    void insertAtLevel(std::size_t level, std::uint32_t child, std::uint32_t recno, std::string key);
    int redistribute(Page& parent, int sepIdx, Page& left, Page& right);
    void join(Page& parent, int sepIdx, Page& left, Page& right);
    // The keys of two neighbours with their separator between them, in order.
    std::vector<Item> neighbours(const Page& parent, int sepIdx, const Page& left, const Page& right);
    // advance() (forward) or retreat() from the entry `at`.
    bool step(NtxEntry& at, bool forward);
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

    // Counts for scroll bars while other processes write (approx*): the
    // counts from before their changes, and a recount of the tree walked a
    // few pages per call (frames of its depth-first walk, the subtree counts
    // it finished). recountWanted_: another process changed the index since
    // the last finished recount began.
    struct RecountFrame {
        std::uint32_t addr;
        int next;  // next child to visit, 0 .. count
        std::uint64_t sum;
    };
    std::unordered_map<std::uint32_t, std::uint64_t> staleCounts_;
    std::optional<std::uint64_t> staleTotal_;
    std::vector<RecountFrame> recount_;
    std::unordered_map<std::uint32_t, std::uint64_t> recounted_;
    bool recountWanted_ = false;
    bool changedDuringRecount_ = false;

    // State of the change in progress.
    bool inChange_ = false;
    std::uint64_t fileEnd_ = 0;  // next page address at the end of the file
    std::vector<PagePtr> dirty_;
    std::vector<std::uint32_t> touched_;
    std::vector<std::uint32_t> allocated_;  // pages taken from the free list
    int countDelta_ = 0;
};

}  // namespace mx::rt
