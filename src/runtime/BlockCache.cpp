#include "BlockCache.h"

#include <algorithm>
#include <cstring>

#include "File.h"

namespace mx::rt {

namespace {
std::size_t hashOf(std::uint64_t block) { return static_cast<std::size_t>((block * 0x9E3779B97F4A7C15ull) >> 20); }
}  // namespace

BlockCache::BlockCache(std::size_t maxBlocks) : maxBlocks_(std::clamp<std::size_t>(maxBlocks, 1, 1u << 30)) {}

BlockCache::~BlockCache() = default;

BlockCache::Entry* BlockCache::find(std::uint64_t block) {
    if (table_.empty()) return nullptr;
    const std::size_t mask = table_.size() - 1;
    for (std::size_t i = hashOf(block) & mask;; i = (i + 1) & mask) {
        Entry& e = table_[i];
        if (e.block == block) return &e;
        if (e.block == kNone) return nullptr;
    }
}

void BlockCache::insert(const Entry& in) {
    if ((live_ + 1) * 2 > table_.size()) grow();
    const std::size_t mask = table_.size() - 1;
    for (std::size_t i = hashOf(in.block) & mask;; i = (i + 1) & mask) {
        if (table_[i].block == kNone) {
            table_[i] = in;
            ++live_;
            return;
        }
    }
}

// Removal by backward shift, so that no probe sequence is broken.
void BlockCache::erase(std::uint64_t block) {
    if (table_.empty()) return;
    const std::size_t mask = table_.size() - 1;
    std::size_t i = hashOf(block) & mask;
    while (table_[i].block != block) {
        if (table_[i].block == kNone) return;
        i = (i + 1) & mask;
    }
    for (std::size_t j = (i + 1) & mask;; j = (j + 1) & mask) {
        if (table_[j].block == kNone) break;
        const std::size_t home = hashOf(table_[j].block) & mask;
        // Entry j may move to i when i lies cyclically in [home, j).
        if (((j - home) & mask) >= ((j - i) & mask)) {
            table_[i] = table_[j];
            i = j;
        }
    }
    table_[i] = Entry{};
    --live_;
}

void BlockCache::grow() {
    std::vector<Entry> old(std::max<std::size_t>(256, table_.size() * 2));
    old.swap(table_);
    live_ = 0;
    for (const Entry& e : old)
        if (e.block != kNone) insert(e);
}

// A slot for a new block: a free one, a new one below the bound, else the
// one the CLOCK hand stops at (its block dropped).
std::uint32_t BlockCache::takeSlot() {
    if (!free_.empty()) {
        const std::uint32_t at = free_.back();
        free_.pop_back();
        return at;
    }
    if (slotBlock_.size() < maxBlocks_) {
        const auto at = static_cast<std::uint32_t>(slotBlock_.size());
        if (at % kChunkBlocks == 0) chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkBlocks * kBlockSize));
        slotBlock_.push_back(kNone);
        slotUsed_.push_back(0);
        return at;
    }
    for (;;) {
        const std::size_t at = hand_;
        hand_ = (hand_ + 1) % slotBlock_.size();
        if (slotUsed_[at]) {
            slotUsed_[at] = 0;
            continue;
        }
        erase(slotBlock_[at]);
        slotBlock_[at] = kNone;
        return static_cast<std::uint32_t>(at);
    }
}

void BlockCache::prefetch(std::uint64_t offset) const {
    const Entry* e = find(offset / kBlockSize);
    const auto inBlock = static_cast<std::size_t>(offset % kBlockSize);
    if (e && inBlock < e->valid) __builtin_prefetch(data(e->slot) + inBlock);
}

BlockCache::Entry* BlockCache::load(const File& file, std::uint64_t block) {
    if (free_.empty() && slotBlock_.size() + kGroupBlocks <= maxBlocks_) return loadGroup(file, block);
    const std::uint32_t slot = takeSlot();
    ++fileReads_;
    std::size_t got = 0;
    try {
        got = file.readAt(block * kBlockSize, data(slot), kBlockSize);
    } catch (...) {
        free_.push_back(slot);
        throw;
    }
    slotBlock_[slot] = block;
    slotUsed_[slot] = 1;
    insert(Entry{block, slot, static_cast<std::uint32_t>(got)});
    return find(block);
}

// The group's blocks that the file holds and the cache does not, the one
// asked for always (with what the file held of it, maybe nothing); only
// that one counts as used.
BlockCache::Entry* BlockCache::loadGroup(const File& file, std::uint64_t block) {
    const std::uint64_t first = block / kGroupBlocks * kGroupBlocks;
    if (!group_) group_ = std::make_unique_for_overwrite<char[]>(kGroupBlocks * kBlockSize);
    ++fileReads_;
    const std::size_t got = file.readAt(first * kBlockSize, group_.get(), kGroupBlocks * kBlockSize);
    for (std::uint64_t b = first; b < first + kGroupBlocks; ++b) {
        const auto start = static_cast<std::size_t>(b - first) * kBlockSize;
        if (b != block && (start >= got || find(b))) continue;
        const std::size_t valid = got > start ? std::min(got - start, kBlockSize) : 0;
        const std::uint32_t slot = takeSlot();
        std::memcpy(data(slot), group_.get() + start, valid);
        slotBlock_[slot] = b;
        slotUsed_[slot] = b == block ? 1 : 0;
        insert(Entry{b, slot, static_cast<std::uint32_t>(valid)});
    }
    return find(block);
}

void BlockCache::endWindow() {
    if (bypassWindows_ > 0)
        --bypassWindows_;
    else if (slotBlock_.size() >= maxBlocks_ && windowHits_ * 4 < windowLookups_)
        bypassWindows_ = 7;
    windowLookups_ = 0;
    windowHits_ = 0;
}

std::size_t BlockCache::read(const File& file, std::uint64_t offset, void* buf, std::size_t n) {
    if (n > kBlockSize) {
        ++fileReads_;
        return file.readAt(offset, buf, n);
    }
    auto* out = static_cast<char*>(buf);
    std::size_t done = 0;
    while (done < n) {
        const std::uint64_t pos = offset + done;
        const std::uint64_t block = pos / kBlockSize;
        const auto inBlock = static_cast<std::size_t>(pos % kBlockSize);
        const std::size_t want = std::min(n - done, kBlockSize - inBlock);
        if (++windowLookups_ >= kWindow) endWindow();
        Entry* e = find(block);
        if (e) {
            ++windowHits_;
            slotUsed_[e->slot] = 1;
        } else if (bypassWindows_ > 0) {
            ++fileReads_;
            return done + file.readAt(pos, out + done, n - done);
        } else {
            e = load(file, block);
        }
        if (inBlock >= e->valid) return done;
        const std::size_t take = std::min<std::size_t>(want, e->valid - inBlock);
        std::memcpy(out + done, data(e->slot) + inBlock, take);
        done += take;
        if (take < want) return done;  // the file ended inside this block
    }
    return done;
}

void BlockCache::written(std::uint64_t offset, const void* buf, std::size_t n) {
    if (live_ == 0 || n == 0) return;
    const auto* in = static_cast<const char*>(buf);
    const std::uint64_t first = offset / kBlockSize;
    const std::uint64_t last = (offset + n - 1) / kBlockSize;
    const auto dropSlot = [this](std::uint64_t block, std::uint32_t slot) {
        erase(block);
        slotBlock_[slot] = kNone;
        slotUsed_[slot] = 0;
        free_.push_back(slot);
    };
    if (last - first + 1 > live_) {
        // A long write: visit the cached blocks instead of the written ones.
        for (std::size_t s = 0; s < slotBlock_.size(); ++s) {
            const std::uint64_t b = slotBlock_[s];
            if (b != kNone && b >= first && b <= last) dropSlot(b, static_cast<std::uint32_t>(s));
        }
        return;
    }
    for (std::uint64_t b = first; b <= last; ++b) {
        Entry* e = find(b);
        if (!e) continue;
        const std::uint64_t start = std::max<std::uint64_t>(offset, b * kBlockSize);
        const std::uint64_t end = std::min<std::uint64_t>(offset + n, (b + 1) * kBlockSize);
        const auto from = static_cast<std::size_t>(start - b * kBlockSize);
        const auto to = static_cast<std::size_t>(end - b * kBlockSize);
        if (to > e->valid) {
            // The file grew inside this block: its tail was never read.
            dropSlot(b, e->slot);
            continue;
        }
        std::memcpy(data(e->slot) + from, in + (start - offset), to - from);
    }
}

void BlockCache::clear() {
    table_.clear();
    live_ = 0;
    chunks_.clear();
    slotBlock_.clear();
    slotUsed_.clear();
    free_.clear();
    hand_ = 0;
}

}  // namespace mx::rt
