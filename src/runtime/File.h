// The one seam through which the runtime touches files: positioned reads and
// writes, size and truncation, the whole-file sharing lock taken at open and
// the advisory byte-range locks of the record/file/append/index/memo scheme.
//
// Sharing (how other processes see us): a shared open takes flock(LOCK_SH),
// an exclusive open flock(LOCK_EX), both without waiting; a refusal is
// DbError(Busy). Byte-range locks are POSIX fcntl locks.
//
// Within one process every open of the same file (same device and inode)
// shares one descriptor, because closing any descriptor of a file drops all of
// the process's fcntl locks on it. Each File object is one "opener" (a work
// area's table, memo or index): byte locks are tracked per opener, so two
// openers in the same process conflict just as two processes would, and the
// kernel lock is released only when no opener holds that range any more.
//
// Reads are positioned reads (pread), never a memory mapping. A read-only
// mapping (used only on local file systems and only while the file is held
// exclusively, when no other process may write it) was measured and not kept:
// mxbench's skip that reads a field of each of a million records in index
// order took 207 ms instead of 728, its seeks 70 ms instead of 117, but every
// page read through a mapping stays resident in the process, so after the
// skip the process held 96 MB for a 57 MB table and its indexes; dropping the
// pages as it goes (madvise) did not bound that without giving the gain back,
// since each fault maps up to 16 neighbouring pages again.
// A mapping would also turn a file truncated behind our back into SIGBUS
// instead of a short read. The runtime instead skips the reads it does not
// need: deferred record reads and the deletion-flag cache of exclusively
// held tables (WorkArea, DbfTable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace mx::rt {

struct SharedHandle;  // process-wide descriptor, private to File.cpp

enum class OpenMode { Shared, Exclusive };

class File {
public:
    // Opens an existing file. Throws DbError: NotFound when missing, Busy when
    // the sharing lock is refused (in this or another process), Io otherwise.
    static std::unique_ptr<File> open(const std::string& path, OpenMode mode, bool readOnly);
    // Creates (or truncates) a file and opens it exclusively, read-write.
    static std::unique_ptr<File> create(const std::string& path);

    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const std::string& path() const noexcept { return path_; }
    bool readOnly() const noexcept { return readOnly_; }
    OpenMode mode() const noexcept { return mode_; }

    // Reads up to n bytes at offset; returns the count read (short at end of file).
    std::size_t readAt(std::uint64_t offset, void* buf, std::size_t n) const;
    // Reads exactly n bytes or throws DbError(Corrupt) naming the file and offset.
    void readExact(std::uint64_t offset, void* buf, std::size_t n, const char* what) const;
    // Writes all n bytes or throws DbError(Io).
    void writeAt(std::uint64_t offset, const void* buf, std::size_t n);
    std::uint64_t size() const;
    void truncate(std::uint64_t size);
    void sync();
    // Renames the file (on the same file system) and keeps using it.
    void renameTo(const std::string& newPath);

    // Byte-range lock. exclusive=false gives a shared (read) lock. With
    // wait=false the attempt is made once; returns false when refused. A lock
    // this opener already holds on exactly that range succeeds at once. With
    // wait=true a conflict with another opener of this process returns false
    // (waiting would never end in a single-threaded program).
    bool lock(std::uint64_t offset, std::uint64_t length, bool exclusive, bool wait);
    void unlock(std::uint64_t offset, std::uint64_t length);
    // Releases every byte lock of this opener.
    void unlockAll();

private:
    File(std::string path, std::shared_ptr<SharedHandle> handle, OpenMode mode, bool readOnly);

    std::string path_;
    std::shared_ptr<SharedHandle> handle_;
    OpenMode mode_;
    bool readOnly_;
};

// Scoped byte lock; released when the guard ends.
class ByteLockGuard {
public:
    ByteLockGuard() = default;
    ByteLockGuard(File* file, std::uint64_t offset, std::uint64_t length)
        : file_(file), offset_(offset), length_(length) {}
    ~ByteLockGuard() { release(); }
    ByteLockGuard(const ByteLockGuard&) = delete;
    ByteLockGuard& operator=(const ByteLockGuard&) = delete;
    ByteLockGuard(ByteLockGuard&& o) noexcept : file_(o.file_), offset_(o.offset_), length_(o.length_) { o.file_ = nullptr; }
    ByteLockGuard& operator=(ByteLockGuard&& o) noexcept {
        if (this != &o) {
            release();
            file_ = o.file_;
            offset_ = o.offset_;
            length_ = o.length_;
            o.file_ = nullptr;
        }
        return *this;
    }
    void release() {
        if (file_) file_->unlock(offset_, length_);
        file_ = nullptr;
    }

private:
    File* file_ = nullptr;
    std::uint64_t offset_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace mx::rt
