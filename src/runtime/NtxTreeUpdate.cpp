// Changes to an NTX index: insertion and removal with page balancing,
// splitting and joining, the free-page list, and the frame of a change (lock,
// write dirty pages, then the header with the version + 1).
#include "NtxIndexImpl.h"

#include <algorithm>

namespace mx::rt {

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
    if (staleTotal_) {
        for (std::uint32_t a : touched_) staleCounts_.erase(a);
        staleTotal_ = static_cast<std::uint64_t>(std::max<std::int64_t>(0, static_cast<std::int64_t>(*staleTotal_) + countDelta_));
        // A recount under way has counted pages from before this change: start it again.
        recount_.clear();
        recounted_.clear();
    }
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
    forgetEstimates();
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

std::vector<Item> NtxIndex::Impl::neighbours(const Page& parent, int sepIdx, const Page& left,
                                             const Page& right) {
    std::vector<Item> seq;
    seq.reserve(static_cast<std::size_t>(left.count() + right.count()) + 1);
    gather(left, seq);
    seq.push_back(Item{left.child(left.count()), parent.recno(sepIdx), std::string(parent.key(sepIdx), ks())});
    gather(right, seq);
    return seq;
}

// Spreads the keys of two neighbours and their separator (entry sepIdx of
// the parent) evenly: with T keys in both pages the left one gets
// floor((T + 1) / 2). Returns that count.
int NtxIndex::Impl::redistribute(Page& parent, int sepIdx, Page& left, Page& right) {
    std::vector<Item> seq = neighbours(parent, sepIdx, left, right);
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
    std::vector<Item> seq = neighbours(parent, sepIdx, left, right);
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

}  // namespace mx::rt
