// NTX index files (NtxIndex.h): the header, the shared-mode index lock with
// the version counter, and the public class's calls into the parts
// (NtxIndexImpl.h). Keys are opaque bytes here; KeyEncoding.h turns values
// into them.
#include "NtxIndexImpl.h"

#include <cstdio>

namespace mx::rt {

namespace {

std::string hexFlags(std::uint16_t f) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", f);
    return buf;
}

std::string cText(const unsigned char* p, std::size_t max) {
    std::size_t n = 0;
    while (n < max && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace

int ntxMaxKeys(int keySize) {
    int m = 1022 / (keySize + 10) - 1;
    if (m > 2 && (m % 2) != 0) --m;
    return m;
}

// ---- header ----------------------------------------------------------------

void NtxIndex::Impl::readHeader() {
    unsigned char h[kPageSize];
    file_->readExact(0, h, kPageSize, "index header");
    flags_ = getU16(h + kHdrFlags);
    bool plain = flags_ == 3 || (flags_ & kFlagsPlain) == kFlagsPlain;
    if (!plain || (flags_ & ~kKnownFlags) != 0) throwCorrupt(path(), "not an NTX index (flags " + hexFlags(flags_) + ")", 0);
    if (flags_ & kFlagCompound) throwCorrupt(path(), "multi-order (compound) index files are not supported", 0);
    if (flags_ & kFlagPageNumbers) throwCorrupt(path(), "indexes addressed by page numbers are not supported", 0);
    version_ = getU16(h + kHdrVersion);
    root_ = getU32(h + kHdrRoot);
    freeHead_ = getU32(h + kHdrFree);
    geo_.itemSize = getU16(h + kHdrItemSize);
    geo_.keySize = getU16(h + kHdrKeySize);
    keyDecimals_ = getU16(h + kHdrKeyDecimals);
    geo_.maxKeys = getU16(h + kHdrMaxKeys);
    if (geo_.keySize < 1 || geo_.keySize > 256)
        throwCorrupt(path(), "key size " + std::to_string(geo_.keySize) + " outside 1..256", kHdrKeySize);
    if (geo_.itemSize != geo_.keySize + 8)
        throwCorrupt(path(), "item size " + std::to_string(geo_.itemSize) + " is not key size + 8", kHdrItemSize);
    if (!geo_.fits())
        throwCorrupt(path(), "max keys per page " + std::to_string(geo_.maxKeys) + " does not fit a page", kHdrMaxKeys);
    half_ = geo_.maxKeys / 2;
    unsigned char c0 = h[kHdrExpression];
    if (c0 < 0x20 || c0 > 0x7E) throwCorrupt(path(), "key expression does not start with a printable character", kHdrExpression);
    if (root_ == 0 || root_ % kPageSize != 0) throwCorrupt(path(), "root address " + std::to_string(root_) + " is not a page", kHdrRoot);
    if (freeHead_ % kPageSize != 0)
        throwCorrupt(path(), "free list head " + std::to_string(freeHead_) + " is not a page", kHdrFree);
    expression_ = cText(h + kHdrExpression, kHdrTextSize);
    forExpression_ = cText(h + kHdrFor, kHdrTextSize);
    unique_ = h[kHdrUnique] != 0;
    descending_ = h[kHdrDescending] != 0;
    fileSize_ = file_->size();
}

// Re-reads bytes 0..11 under the index lock; another process changed the
// index when version, root or free-list head differ from what we last saw.
void NtxIndex::Impl::refreshHeader() {
    unsigned char h[kHdrMutableSize];
    file_->readExact(0, h, sizeof h, "index header");
    std::uint16_t v = getU16(h + kHdrVersion);
    std::uint32_t r = getU32(h + kHdrRoot);
    std::uint32_t f = getU32(h + kHdrFree);
    if (v != version_ || r != root_ || f != freeHead_) {
        keepCountsAsEstimates();
        dropCaches();
        version_ = v;
        root_ = r;
        freeHead_ = f;
        fileSize_ = file_->size();
    }
    if (root_ == 0 || root_ % kPageSize != 0) throwCorrupt(path(), "root address " + std::to_string(root_) + " is not a page", kHdrRoot);
    if (freeHead_ % kPageSize != 0)
        throwCorrupt(path(), "free list head " + std::to_string(freeHead_) + " is not a page", kHdrFree);
}

void NtxIndex::Impl::writeMutableHeader() {
    unsigned char h[kHdrMutableSize];
    putU16(h + kHdrFlags, flags_);
    putU16(h + kHdrVersion, version_);
    putU32(h + kHdrRoot, root_);
    putU32(h + kHdrFree, freeHead_);
    file_->writeAt(0, h, sizeof h);
}

void NtxIndex::Impl::dropCaches() {
    path_.clear();
    cache_.clear();
    counts_.clear();
    totalCount_.reset();
}

void NtxIndex::Impl::invalidate() {
    dropCaches();
    forgetEstimates();
    if (lockDepth_ == 0 && !shared_) {
        // Nobody else can change the file now, so bytes 0..11 can be read without a lock.
        unsigned char h[kHdrMutableSize];
        file_->readExact(0, h, sizeof h, "index header");
        version_ = getU16(h + kHdrVersion);
        root_ = getU32(h + kHdrRoot);
        freeHead_ = getU32(h + kHdrFree);
        fileSize_ = file_->size();
    }
}

// ---- locking -----------------------------------------------------------------
//
// Invariants:
//  1. In shared mode pages are read or written only while lockDepth_ > 0,
//     i.e. while this opener holds the index byte lock (shared for reads,
//     exclusive for changes).
//  2. Taking the lock at depth 0 re-reads header bytes 0..11 and drops all
//     cached pages, counts and the navigation path if another process changed
//     the index since we last held the lock.
//  3. A change writes its pages, then the header with version + 1, before the
//     lock is released; a change never starts inside a read (a walk callback, a held read).

void NtxIndex::Impl::acquire(bool exclusive) {
    if (lockDepth_ > 0) {
        if (exclusive && !lockExclusive_) throwUsage(path(), "index changed inside a walk over it or a read held across moves");
        ++lockDepth_;
        return;
    }
    if (shared_) {
        if (!file_->lock(kLockOffset, 1, exclusive, true))
            throw DbError(ErrorKind::Busy, path(), "index lock is held by another opener in this process");
        try {
            refreshHeader();
        } catch (...) {
            file_->unlock(kLockOffset, 1);
            throw;
        }
    }
    lockDepth_ = 1;
    lockExclusive_ = exclusive;
}

void NtxIndex::Impl::release() {
    if (--lockDepth_ == 0 && shared_) file_->unlock(kLockOffset, 1);
}

// ---- the public class ------------------------------------------------------------

NtxIndex::NtxIndex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
NtxIndex::~NtxIndex() = default;

std::unique_ptr<NtxIndex> NtxIndex::open(std::unique_ptr<File> file) {
    auto impl = std::make_unique<Impl>(std::move(file));
    impl->readHeader();
    return std::unique_ptr<NtxIndex>(new NtxIndex(std::move(impl)));
}

std::unique_ptr<NtxIndex> NtxIndex::build(std::unique_ptr<File> file, const NtxCreateInfo& info, NtxKeyBatch batch) {
    auto impl = std::make_unique<Impl>(std::move(file));
    impl->buildFrom(info, batch);
    return std::unique_ptr<NtxIndex>(new NtxIndex(std::move(impl)));
}

const std::string& NtxIndex::path() const { return impl_->file_->path(); }
const std::string& NtxIndex::expression() const { return impl_->expression_; }
const std::string& NtxIndex::forExpression() const { return impl_->forExpression_; }
int NtxIndex::keySize() const { return impl_->geo_.keySize; }
int NtxIndex::keyDecimals() const { return impl_->keyDecimals_; }
bool NtxIndex::unique() const { return impl_->unique_; }
bool NtxIndex::descending() const { return impl_->descending_; }
std::uint16_t NtxIndex::version() const { return impl_->version_; }

void NtxIndex::insert(std::string_view key, std::uint32_t recno) { impl_->insert(key, recno); }
bool NtxIndex::remove(std::string_view key, std::uint32_t recno) { return impl_->remove(key, recno); }
void NtxIndex::replace(std::string_view oldKey, std::string_view newKey, std::uint32_t recno) {
    impl_->replace(oldKey, newKey, recno);
}
void NtxIndex::clear() { impl_->clear(); }

std::optional<NtxEntry> NtxIndex::first() { return impl_->first(); }
std::optional<NtxEntry> NtxIndex::last() { return impl_->last(); }
std::optional<NtxEntry> NtxIndex::seekFirst(std::string_view prefix) { return impl_->seekFirst(prefix); }
std::optional<NtxEntry> NtxIndex::seekLast(std::string_view prefix) { return impl_->seekLast(prefix); }
std::optional<NtxEntry> NtxIndex::next(const NtxEntry& at) {
    std::optional<NtxEntry> e(at);
    if (!impl_->advance(*e)) e.reset();
    return e;
}
std::optional<NtxEntry> NtxIndex::prev(const NtxEntry& at) {
    std::optional<NtxEntry> e(at);
    if (!impl_->retreat(*e)) e.reset();
    return e;
}
bool NtxIndex::advance(NtxEntry& at) { return impl_->advance(at); }
bool NtxIndex::retreat(NtxEntry& at) { return impl_->retreat(at); }
std::uint32_t NtxIndex::recnoAhead(int ahead) const { return impl_->recnoAhead(ahead); }
std::optional<NtxEntry> NtxIndex::find(std::string_view key, std::uint32_t recno) { return impl_->find(key, recno); }
std::uint32_t NtxIndex::keyCount() { return impl_->keyCount(); }
std::uint32_t NtxIndex::keyPosition(const NtxEntry& at) { return impl_->keyPosition(at); }
std::optional<NtxEntry> NtxIndex::entryAt(std::uint32_t position) { return impl_->entryAt(position); }
std::uint32_t NtxIndex::approxKeyCount() { return impl_->approxKeyCount(); }
std::uint32_t NtxIndex::approxKeyPosition(const NtxEntry& at) { return impl_->approxKeyPosition(at); }
void NtxIndex::walk(const std::function<bool(const NtxEntry&)>& fn) { impl_->walk(fn); }
void NtxIndex::holdRead() { impl_->holdRead(); }
void NtxIndex::releaseRead() { impl_->releaseRead(); }
void NtxIndex::invalidate() { impl_->invalidate(); }

}  // namespace mx::rt
