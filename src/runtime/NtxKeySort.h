// Sorting of fixed-size keys for the one-pass index build. Private to
// NtxBuild.cpp: it orders a batch, it does not know about pages.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mx::rt::ntx {

// The batch positions of a set of keys in index order: key bytes compared
// unsigned, equal keys by record number (then by batch position).
class KeyOrder {
public:
    KeyOrder(const char* keys, const std::uint32_t* recnos, std::size_t count, int keySize);
    ~KeyOrder();
    KeyOrder(const KeyOrder&) = delete;
    KeyOrder& operator=(const KeyOrder&) = delete;

    std::size_t size() const { return count_; }
    // Batch position of the i-th key in index order.
    std::uint32_t operator[](std::size_t i) const;

private:
    struct Buffer;
    std::size_t count_;
    Buffer* items_;
};

}  // namespace mx::rt::ntx
