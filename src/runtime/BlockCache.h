// A bounded cache of a file's bytes in aligned blocks, for reads of small
// pieces (records) scattered over a file that no other process may write:
// a table held exclusively. One positioned read fills a whole block, so
// the next records read from it cost no system call.
//
// Bound: at most `maxBlocks` blocks of kBlockSize bytes (by default 16 384
// blocks of 4 KiB, 64 MiB) plus about 48 bytes of bookkeeping a block and
// one 64 KiB read buffer, whatever the file's size; blocks are allocated as
// they are read, 64 at a time. While the cache has room for them, a miss
// reads the aligned 64 KiB around the block asked for in one read (a walk
// over a table that fits makes a sixteenth of the system calls); the
// blocks it brought along are the first the CLOCK hand takes back.
// Replacement is CLOCK: a block used since the hand last passed it gets
// another round. When the cache is full and fewer than a quarter of the
// lookups of a window hit (a file much larger than the cache read in random
// order), misses read only the bytes asked for, as an uncached read would,
// for the next seven windows, then blocks are cached again for one window
// to see whether the pattern changed.
//
// Coherence: the owner reports every write of its own (written) and every
// truncation (clear); the file is written through, so a read that skips the
// cache still sees the latest bytes. Nothing is mapped: a file cut short
// behind our back gives short reads, never a signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace mx::rt {

class File;

class BlockCache {
public:
    static constexpr std::size_t kBlockSize = 4096;
    static constexpr std::size_t kDefaultMaxBlocks = 16384;  // 64 MiB
    static constexpr std::uint32_t kWindow = 4096;           // lookups per hit-rate window

    explicit BlockCache(std::size_t maxBlocks = kDefaultMaxBlocks);
    ~BlockCache();
    BlockCache(const BlockCache&) = delete;
    BlockCache& operator=(const BlockCache&) = delete;

    // Reads up to n bytes at offset, from cached blocks or the file; returns
    // the count read (short at the end of the file). A read longer than a
    // block goes to the file directly.
    std::size_t read(const File& file, std::uint64_t offset, void* buf, std::size_t n);
    // A hint that the byte at offset will be read soon: when its block is
    // cached, its memory is fetched towards the processor meanwhile. Reads
    // nothing from the file and changes nothing a read would see.
    void prefetch(std::uint64_t offset) const;
    // The owner wrote n bytes at offset: cached copies take them (a block
    // that would grow past what was read of it is dropped instead).
    void written(std::uint64_t offset, const void* buf, std::size_t n);
    // Drops every block (after a truncation, or when the file was replaced).
    void clear();

    std::size_t blocks() const { return live_; }
    std::size_t maxBlocks() const { return maxBlocks_; }
    std::uint64_t fileReads() const { return fileReads_; }  // positioned reads made

private:
    static constexpr std::uint64_t kNone = ~std::uint64_t(0);
    static constexpr std::size_t kChunkBlocks = 64;  // blocks allocated at a time (256 KiB)
    static constexpr std::size_t kGroupBlocks = 16;  // blocks a miss reads while there is room (64 KiB)

    // Open addressing with linear probing, block -> slot; an entry also
    // carries how many bytes of the block the file held, so a hit reads one
    // entry and the block's bytes.
    struct Entry {
        std::uint64_t block = kNone;
        std::uint32_t slot = 0;
        std::uint32_t valid = 0;
    };

    Entry* find(std::uint64_t block);
    const Entry* find(std::uint64_t block) const { return const_cast<BlockCache*>(this)->find(block); }
    Entry* load(const File& file, std::uint64_t block);
    Entry* loadGroup(const File& file, std::uint64_t block);
    std::uint32_t takeSlot();
    void erase(std::uint64_t block);
    void insert(const Entry& e);
    void grow();
    const char* data(std::uint32_t slot) const {
        return chunks_[slot / kChunkBlocks].get() + (slot % kChunkBlocks) * kBlockSize;
    }
    char* data(std::uint32_t slot) { return const_cast<char*>(std::as_const(*this).data(slot)); }
    void endWindow();

    std::size_t maxBlocks_;
    std::vector<Entry> table_;                // size a power of two, at least twice the entries
    std::size_t live_ = 0;                    // entries in table_
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::vector<std::uint64_t> slotBlock_;    // block held by each slot, kNone when free
    std::vector<std::uint8_t> slotUsed_;      // CLOCK reference bits
    std::vector<std::uint32_t> free_;         // slots whose block was dropped
    std::unique_ptr<char[]> group_;           // loadGroup's read buffer
    std::size_t hand_ = 0;
    std::uint64_t fileReads_ = 0;

    std::uint32_t windowLookups_ = 0;
    std::uint32_t windowHits_ = 0;
    int bypassWindows_ = 0;
};

}  // namespace mx::rt
