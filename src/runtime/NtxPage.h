// One 1024-byte page of an NTX file held in memory, with accessors that go
// through the page's offset table. Private to the NTX index's parts
// (NtxIndexImpl.h): it knows the byte layout of a page, not the tree.
//
// Page layout (M = max keys per page, S = item size = key size + 8):
//
//   OFFSET        SIZE          DESCRIPTION
//   0             2             n, the number of keys in the page
//   2             2 x (M + 1)   offset table: entry i = offset from the page start of the
//                               slot holding the i-th item in key order, i = 0 .. M
//   2 x (M + 2)   (M + 1) x S   item slots, in any physical order
//
// Item slot:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     child page address (0 in a leaf): the subtree before this key
//   4       4     record number
//   8       K     key bytes
//
// Entries 0 .. n-1 are keys; entry n holds only the right-most child. Keys are
// inserted and removed by moving offset-table entries, never the slots, so the
// M + 1 entries always name M + 1 distinct slots. Unused slots and the bytes
// past the item area may hold stale data and are never interpreted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace mx::rt::ntx {

constexpr std::size_t kPageSize = 1024;

inline std::uint16_t getU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t getU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void putU16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void putU32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// The per-file constants every page access needs.
struct PageGeometry {
    int keySize = 0;
    int itemSize = 0;  // keySize + 8
    int maxKeys = 0;   // M

    int tableEnd() const { return 2 * (maxKeys + 2); }  // first byte after the offset table
    bool fits() const { return maxKeys >= 2 && tableEnd() + (maxKeys + 1) * itemSize <= static_cast<int>(kPageSize); }
};

class Page : public std::enable_shared_from_this<Page> {
public:
    Page(std::uint32_t address, const PageGeometry& g) : addr_(address), g_(&g) {}

    std::uint32_t address() const { return addr_; }
    // Makes this object stand for another page (its bytes are to be read anew).
    void reassign(std::uint32_t address) {
        addr_ = address;
        dirty_ = false;
    }
    unsigned char* bytes() { return buf_; }
    const unsigned char* bytes() const { return buf_; }
    bool dirty() const { return dirty_; }
    void setDirty(bool d) { dirty_ = d; }

    int count() const { return getU16(buf_); }
    void setCount(int n) { putU16(buf_, static_cast<std::uint32_t>(n)); }

    // Offset of the slot of entry i (0 <= i <= M).
    int slot(int i) const { return getU16(buf_ + 2 + 2 * i); }
    void setSlot(int i, int off) { putU16(buf_ + 2 + 2 * i, static_cast<std::uint32_t>(off)); }

    std::uint32_t child(int i) const { return getU32(buf_ + slot(i)); }
    std::uint32_t recno(int i) const { return getU32(buf_ + slot(i) + 4); }
    const char* key(int i) const { return reinterpret_cast<const char*>(buf_ + slot(i) + 8); }
    void setChild(int i, std::uint32_t v) { putU32(buf_ + slot(i), v); }
    void setRecno(int i, std::uint32_t v) { putU32(buf_ + slot(i) + 4, v); }
    void setKey(int i, const char* k) { std::memcpy(buf_ + slot(i) + 8, k, static_cast<std::size_t>(g_->keySize)); }
    void setItem(int i, std::uint32_t child, std::uint32_t recno, const char* k) {
        unsigned char* p = buf_ + slot(i);
        putU32(p, child);
        putU32(p + 4, recno);
        std::memcpy(p + 8, k, static_cast<std::size_t>(g_->keySize));
    }

    // A zeroed page whose offset table names the slots in physical order.
    void initFresh() {
        std::memset(buf_, 0, sizeof buf_);
        for (int i = 0; i <= g_->maxKeys; ++i) setSlot(i, g_->tableEnd() + i * g_->itemSize);
    }

    // Opens entry `pos` for a new key: entries pos .. n move up by one and
    // entry pos takes the free slot of entry n+1. Returns false, changing
    // nothing, unless count() < M and pos <= count().
    bool openGap(int pos) {
        int n = count();
        if (n >= g_->maxKeys || pos < 0 || pos > n) return false;
        int freeSlot = slot(n + 1);
        std::memmove(buf_ + 2 + 2 * (pos + 1), buf_ + 2 + 2 * pos, static_cast<std::size_t>(2 * (n + 1 - pos)));
        setSlot(pos, freeSlot);
        setCount(n + 1);
        return true;
    }

    // Drops entry `pos`: entries pos+1 .. n move down and the freed slot goes
    // to entry n, now unused. Returns false, changing nothing, unless
    // pos < count() <= M.
    bool closeGap(int pos) {
        int n = count();
        if (n > g_->maxKeys || pos < 0 || pos >= n) return false;
        int freed = slot(pos);
        std::memmove(buf_ + 2 + 2 * pos, buf_ + 2 + 2 * (pos + 1), static_cast<std::size_t>(2 * (n - pos)));
        setSlot(n, freed);
        setCount(n - 1);
        return true;
    }

    // Checks what every access relies on: n <= M and every offset-table entry
    // names a slot inside the item area. Returns a description of the first
    // violation, nullptr when the page is sound.
    const char* check() const {
        if (count() > g_->maxKeys) return "key count exceeds the page capacity";
        for (int i = 0; i <= g_->maxKeys; ++i) {
            int off = slot(i);
            if (off < g_->tableEnd() || off + g_->itemSize > static_cast<int>(kPageSize))
                return "offset table entry points outside the item area";
        }
        return nullptr;
    }

private:
    std::uint32_t addr_;
    const PageGeometry* g_;
    bool dirty_ = false;
    unsigned char buf_[kPageSize];
};

}  // namespace mx::rt::ntx
