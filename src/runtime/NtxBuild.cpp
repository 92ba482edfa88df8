// The one-pass bulk build of an NTX index: keys sorted (NtxKeySort.h), then
// pages written bottom-up, the right edge balanced, the header last.
#include "NtxIndexImpl.h"

#include <algorithm>

#include "NtxKeySort.h"

namespace mx::rt {

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

}  // namespace mx::rt
