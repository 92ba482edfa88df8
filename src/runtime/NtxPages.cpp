// Reading an NTX index's pages: the address checks and the read through the
// bounded page cache (NtxPageCache.h), and the dirty-page list of a change.
#include "NtxIndexImpl.h"

namespace mx::rt {

// ---- pages -------------------------------------------------------------------

// `from` is the page holding the pointer (0: the header), named in the error.
void NtxIndex::Impl::checkAddress(std::uint32_t addr, std::uint32_t from) {
    if (addr == 0 || addr % kPageSize != 0)
        throwCorrupt(path(), "page pointer " + std::to_string(addr) + " is not a page boundary", from);
    if (std::uint64_t(addr) + kPageSize > fileSize_) {
        fileSize_ = file_->size();
        if (std::uint64_t(addr) + kPageSize > fileSize_)
            throwCorrupt(path(), "page pointer " + std::to_string(addr) + " lies beyond the end of the file", from);
    }
}

// A page not in the cache: read from the file, checked, then cached.
PagePtr NtxIndex::Impl::readPage(std::uint32_t addr, std::uint32_t from) {
    checkAddress(addr, from);
    PagePtr p = cache_.obtain(addr, geo_);
    file_->readExact(addr, p->bytes(), kPageSize, "index page");
    if (const char* bad = p->check()) throwCorrupt(path(), bad, addr);
    cache_.add(p);
    return p;
}

void NtxIndex::Impl::markDirty(Page& p) {
    if (p.dirty()) return;
    p.setDirty(true);
    dirty_.push_back(p.shared_from_this());
}

// A scan over equal keys cannot meet more entries than the file's pages can
// hold, unless pages are shared between parents.
void NtxIndex::Impl::checkScan(std::uint64_t steps) const {
    if (steps > fileSize_ / kPageSize * std::uint64_t(maxKeys() + 1))
        throwCorrupt(path(), "more entries than the file can hold (pages shared between parents)",
                     path_.empty() ? -1 : std::int64_t(path_.back().page->address()));
}

}  // namespace mx::rt
