// Navigation in an NTX index: the path from the root to an entry, the moves
// along it, seeks, key counts and positions for scroll bars, and the checked
// walk over the whole tree.
#include "NtxIndexImpl.h"

#include <algorithm>
#include <unordered_set>

namespace mx::rt {

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

bool NtxIndex::Impl::step(NtxEntry& at, bool forward) {
    Lock lock(*this, false);
    std::string normalized;
    const std::string* k = &at.key;
    if (at.key.size() != ks()) k = &(normalized = normalizedKey(at.key));
    bool ok;
    if (locate(at, *k))
        ok = forward ? stepNext() : stepPrev();
    else
        ok = forward ? posAfterMissing(k->data(), at.recno) : posBeforeMissing(k->data(), at.recno);
    if (ok) fill(at);
    return ok;
}

bool NtxIndex::Impl::advance(NtxEntry& at) { return step(at, true); }

bool NtxIndex::Impl::retreat(NtxEntry& at) { return step(at, false); }

std::uint32_t NtxIndex::Impl::recnoAhead(int ahead) const {
    if (path_.empty()) return 0;
    const Level& cur = path_.back();
    if (cur.page->child(0) != 0) return 0;  // an inner page: the neighbours lie in other pages
    const int i = cur.idx + ahead;
    return i >= 0 && i < cur.page->count() ? cur.page->recno(i) : 0;
}

std::optional<NtxEntry> NtxIndex::Impl::find(std::string_view key, std::uint32_t recno) {
    Lock lock(*this, false);
    std::string k = normalizedKey(key);
    return result(posEntry(k.data(), recno));
}

std::uint64_t NtxIndex::Impl::pageTotal(std::uint32_t addr, std::uint32_t from, std::size_t depth, SubtreeCount child) {
    checkDepth(depth, from);
    PagePtr p = page(addr, from);
    const int n = p->count();
    std::uint64_t total = static_cast<std::uint64_t>(n);
    for (int i = 0; i <= n; ++i) {
        const std::uint32_t c = p->child(i);
        if (c != 0) total += (this->*child)(c, addr, depth + 1);
    }
    return std::min<std::uint64_t>(total, 0xFFFFFFFFu);
}

std::uint64_t NtxIndex::Impl::subtreeCount(std::uint32_t addr, std::uint32_t from, std::size_t depth) {
    auto it = counts_.find(addr);
    if (it != counts_.end()) return it->second;
    const std::uint64_t total = pageTotal(addr, from, depth, &Impl::subtreeCount);
    counts_[addr] = total;
    return total;
}

std::uint32_t NtxIndex::Impl::keyCount() {
    Lock lock(*this, false);
    if (!totalCount_) totalCount_ = subtreeCount(root_, 0, 0);
    return static_cast<std::uint32_t>(*totalCount_);
}

namespace {

// The number of entries before the one the path stands on, `count` giving
// the entries of a subtree (child address, the page it hangs from, depth).
template <class Path, class Count>
std::uint64_t entriesBefore(const Path& path, const Count& count) {
    std::uint64_t pos = 0;
    for (std::size_t l = 0; l < path.size(); ++l) {
        const auto& p = *path[l].page;
        const int i = path[l].idx;
        // On the entry's own level, child i lies before the entry; above it,
        // the path is inside child i and only children 0 .. i-1 come before.
        const int lastChildBefore = l + 1 == path.size() ? i : i - 1;
        pos += static_cast<std::uint64_t>(i);
        for (int j = 0; j <= lastChildBefore; ++j) {
            const std::uint32_t c = p.child(j);
            if (c != 0) pos += count(c, p.address(), l + 1);
        }
    }
    return pos;
}

}  // namespace

std::uint32_t NtxIndex::Impl::keyPosition(const NtxEntry& at) {
    Lock lock(*this, false);
    std::string k = normalizedKey(at.key);
    if (!locate(at, k)) return 0;
    const std::uint64_t pos = entriesBefore(path_, [this](std::uint32_t c, std::uint32_t from, std::size_t depth) {
        return subtreeCount(c, from, depth);
    });
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

// ---- counts for scroll bars while other processes write ------------------------

// Another process changed the index: the counts we hold become estimates.
// The counts are moved, not copied, when they are the larger set (after a
// full count, every page of the index), since this happens on the move that
// first sees the change; the counts taken since the estimates replace them.
void NtxIndex::Impl::keepCountsAsEstimates() {
    if (counts_.size() > staleCounts_.size()) {
        counts_.swap(staleCounts_);
        for (const auto& [addr, n] : counts_) staleCounts_.emplace(addr, n);  // keeps the newer count
        counts_.clear();
    } else {
        for (const auto& [addr, n] : counts_) staleCounts_[addr] = n;
    }
    if (totalCount_) staleTotal_ = totalCount_;
    if (staleTotal_) {
        recountWanted_ = true;
        if (!recount_.empty()) changedDuringRecount_ = true;
    }
}

void NtxIndex::Impl::forgetEstimates() {
    staleCounts_.clear();
    staleTotal_.reset();
    recount_.clear();
    recounted_.clear();
    recountWanted_ = false;
    changedDuringRecount_ = false;
}

std::uint64_t NtxIndex::Impl::approxSubtreeCount(std::uint32_t addr, std::uint32_t from, std::size_t depth) {
    if (auto it = counts_.find(addr); it != counts_.end()) return it->second;
    if (auto it = staleCounts_.find(addr); it != staleCounts_.end()) return it->second;
    if (!staleTotal_) return subtreeCount(addr, from, depth);
    // A page another process made since our counts were taken (a split):
    // its entries and its children's figures, the estimates standing in for
    // those counted before, instead of counting its whole subtree again.
    const std::uint64_t total = pageTotal(addr, from, depth, &Impl::approxSubtreeCount);
    staleCounts_[addr] = total;
    return total;
}

std::uint64_t NtxIndex::Impl::approxTotal() {
    if (totalCount_) return *totalCount_;
    if (staleTotal_) return *staleTotal_;
    totalCount_ = subtreeCount(root_, 0, 0);
    return *totalCount_;
}

// Up to 32 pages more of the recount. The walk reads the tree as it is at
// each call, so a recount that other processes' changes overtook is an
// estimate again (and another one follows); a page that no longer fits the
// walk (it was freed or reused meanwhile) ends the attempt quietly.
void NtxIndex::Impl::stepRecount() {
    if (!recountWanted_) return;
    try {
        if (recount_.empty()) {
            recounted_.clear();
            changedDuringRecount_ = false;
            recount_.push_back({root_, 0, 0});
        }
        for (int budget = 32; budget > 0 && !recount_.empty(); --budget) {
            const std::size_t top = recount_.size() - 1;
            PagePtr p = page(recount_[top].addr, top == 0 ? 0 : recount_[top - 1].addr);
            const int n = p->count();
            if (recount_[top].next == 0) {
                recount_[top].sum += static_cast<std::uint64_t>(n);
                if (p->child(0) == 0) recount_[top].next = n + 1;  // a leaf: no children to visit
            }
            // Descend into the next child, or finish this page.
            bool descended = false;
            while (recount_[top].next <= n) {
                const std::uint32_t c = p->child(recount_[top].next++);
                if (c == 0) continue;
                checkDepth(recount_.size(), recount_[top].addr);
                recount_.push_back({c, 0, 0});
                descended = true;
                break;
            }
            if (descended) continue;
            const RecountFrame done = recount_.back();
            recount_.pop_back();
            recounted_[done.addr] = done.sum;
            if (!recount_.empty()) {
                recount_.back().sum += done.sum;
                ++budget;  // going back up reads no page
                continue;
            }
            staleCounts_ = std::move(recounted_);
            recounted_.clear();
            staleTotal_ = std::min<std::uint64_t>(done.sum, 0xFFFFFFFFu);
            recountWanted_ = changedDuringRecount_;
        }
    } catch (const DbError&) {
        recount_.clear();
        recounted_.clear();
    }
}

std::uint32_t NtxIndex::Impl::approxKeyCount() {
    Lock lock(*this, false);
    stepRecount();
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(approxTotal(), 0xFFFFFFFFu));
}

std::uint32_t NtxIndex::Impl::approxKeyPosition(const NtxEntry& at) {
    Lock lock(*this, false);
    stepRecount();
    std::string k = normalizedKey(at.key);
    if (!locate(at, k)) return 0;
    const std::uint64_t pos = entriesBefore(path_, [this](std::uint32_t c, std::uint32_t from, std::size_t depth) {
        return approxSubtreeCount(c, from, depth);
    });
    const std::uint64_t total = std::max<std::uint64_t>(1, approxTotal());
    return static_cast<std::uint32_t>(std::min<std::uint64_t>({pos + 1, total, 0xFFFFFFFFu}));
}

// ---- walk ----------------------------------------------------------------------

namespace ntx {
struct WalkState {
    std::unordered_set<std::uint32_t> seen;
    std::size_t leafDepth = SIZE_MAX;
    std::string prevKey;
    bool havePrev = false;
    bool stopped = false;
};
}  // namespace ntx

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

}  // namespace mx::rt
