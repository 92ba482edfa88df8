// One NTX index file: a B-tree of fixed-size keys with record numbers, in
// 1024-byte pages (layout in NtxIndexImpl.h). This class knows key bytes only;
// computing a key from a record is the work area's job (KeyEncoding.h).
//
// Sharing: in shared mode every read takes the index read lock and every
// change the write lock (byte 1 000 000 000 of the file, waiting), re-reads the
// header under the lock and drops cached pages when the header's version,
// root or free-list head changed since the last look. A finished change
// writes its pages, then the header with the version counter incremented.
// In exclusive mode no locks are taken and the cache is kept.
//
// Positions are entries (key bytes, record number). Navigation calls are
// stateless for the caller: next(e) is the entry after e in index order, so a
// position survives other processes' changes; internally the last path is
// kept and reused while the file has not changed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "File.h"

namespace mx::rt {

struct NtxEntry {
    std::string key;  // exactly keySize() bytes
    std::uint32_t recno = 0;
};

struct NtxCreateInfo {
    std::string expression;     // key expression text, stored as given (max 255 bytes)
    int keySize = 0;            // 1..256
    int keyDecimals = 0;
    bool unique = false;
    std::string forExpression;  // empty: none
};

// Entries for a bulk build, in any order: keys are keySize bytes each.
struct NtxKeyBatch {
    std::vector<char> keys;
    std::vector<std::uint32_t> recnos;
};

class NtxIndex {
public:
    // Opens an existing index through an already opened file (same sharing mode
    // as its table). Throws DbError(Corrupt) naming the file when the header
    // is not a valid NTX header.
    static std::unique_ptr<NtxIndex> open(std::unique_ptr<File> file);

    // Writes a complete new index into `file` (created or truncated by the
    // caller) by sorting the batch (key bytes, ties by record number; unique:
    // first record of each key only) and writing the pages bottom-up, then
    // returns it opened. An empty batch gives one empty root page.
    static std::unique_ptr<NtxIndex> build(std::unique_ptr<File> file, const NtxCreateInfo& info, NtxKeyBatch batch);

    ~NtxIndex();

    const std::string& path() const;
    const std::string& expression() const;
    const std::string& forExpression() const;
    int keySize() const;
    int keyDecimals() const;
    bool unique() const;
    bool descending() const;
    std::uint16_t version() const;  // as last read from the header

    // --- changes (take the write lock themselves in shared mode) ---
    // Keys must be exactly keySize() bytes (else DbError(Usage)). In shared
    // mode every change that alters the tree saves header bytes 0..11 with
    // the version + 1; in exclusive mode the header is saved (version + 1)
    // only when the root, the free list or the file size changed. A change
    // that finds the file damaged halfway writes nothing.
    // Adds the entry after all equal keys (unique: does nothing when the key exists).
    void insert(std::string_view key, std::uint32_t recno);
    // Removes exactly this entry; returns false when it is not there.
    bool remove(std::string_view key, std::uint32_t recno);
    // Replaces the entry of recno: remove(oldKey) + insert(newKey) as one locked update.
    // Equal keys with the entry present: nothing changes (the entry keeps its
    // place); oldKey's entry missing: newKey is only added.
    void replace(std::string_view oldKey, std::string_view newKey, std::uint32_t recno);
    // Empties the index (one empty root page), as ZAP does.
    void clear();

    // --- navigation (take the read lock themselves in shared mode) ---
    std::optional<NtxEntry> first();
    std::optional<NtxEntry> last();
    // First entry whose key, compared over prefix.size() bytes, is >= prefix
    // (in index order: <= for a descending file). A prefix longer than the
    // key is cut; an empty prefix gives the first entry.
    std::optional<NtxEntry> seekFirst(std::string_view prefix);
    // Last entry whose key begins with prefix, or nullopt.
    std::optional<NtxEntry> seekLast(std::string_view prefix);
    // The entry after / before `at` in index order; `at` need not exist any
    // more (then the neighbour of where it would be: among equal keys, by
    // record number). O(1) amortised when `at` is the entry last returned
    // and the index has not changed since.
    std::optional<NtxEntry> next(const NtxEntry& at);
    std::optional<NtxEntry> prev(const NtxEntry& at);
    // The same moves in place: `at` becomes the next / previous entry, its
    // key reusing its storage (no allocation once it holds a key). Returns
    // false, leaving `at` as it was, when there is none.
    bool advance(NtxEntry& at);
    bool retreat(NtxEntry& at);
    // The record number `ahead` entries after (ahead < 0: before) the entry
    // the last move stood on, when it lies on the same leaf page; 0 when it
    // does not. A hint for reading ahead: no lock is taken and nothing read,
    // so another process's change since may make it wrong.
    std::uint32_t recnoAhead(int ahead) const;
    // Finds the entry of a record given its current key; nullopt when absent.
    std::optional<NtxEntry> find(std::string_view key, std::uint32_t recno);

    // Number of entries, and the 1-based position of an entry in index order
    // (for scroll bars; the entry must exist, else 0). Subtree counts are
    // kept until the index changes, so only the first call reads every page.
    std::uint32_t keyCount();
    std::uint32_t keyPosition(const NtxEntry& at);
    // The entry at a 1-based position, or nullopt beyond the end.
    std::optional<NtxEntry> entryAt(std::uint32_t position);
    // The same two figures for a scroll bar, cheap whatever other processes
    // do. After another process changed the index, the subtree counts taken
    // before stand in for the pages they counted (a page not counted yet is
    // counted now), and each call recounts up to 32 pages of the tree as it
    // is, so the stand-ins are brought up to date within a few calls per
    // thousand pages; our own changes adjust them at once. The figures may
    // therefore lag behind other processes' recent changes; the position is
    // kept within 1 .. the count (0 when the entry is absent). In exclusive
    // mode they are keyCount() and keyPosition().
    std::uint32_t approxKeyCount();
    std::uint32_t approxKeyPosition(const NtxEntry& at);

    // Visits every entry in index order; stops when fn returns false.
    // Also checks the tree: page addresses inside the file, counts within the
    // page capacity, leaf/interior consistency, keys in order; a violation
    // throws DbError(Corrupt) naming the page offset. The free list is checked
    // too when the walk is not stopped. Runs under the read lock: fn may
    // navigate this index but not change it (DbError(Usage)).
    void walk(const std::function<bool(const NtxEntry&)>& fn);

    // Holds the read lock (shared mode) from holdRead() to the matching
    // releaseRead(), so that a run of navigation calls takes it and reads the
    // header once: the calls in between take it again without a system call.
    // Holds nest; a change while one is held is refused (DbError(Usage)), as
    // inside walk(). Another process's change waits until the last hold is
    // released, so a hold is kept to one move of a cursor.
    void holdRead();
    void releaseRead();

    // Drops cached pages (after PACK/ZAP rebuilt the file behind our back).
    void invalidate();

    class Impl;

private:
    explicit NtxIndex(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Keys per page for a key size: floor(1022 / (keySize + 10)) - 1, made even when > 2.
int ntxMaxKeys(int keySize);

}  // namespace mx::rt
