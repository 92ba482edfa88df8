// The bounded page cache of an NTX index (NtxIndex's internals; no other
// folder includes this).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "NtxPage.h"

namespace mx::rt::ntx {

using PagePtr = std::shared_ptr<Page>;

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

}  // namespace mx::rt::ntx
