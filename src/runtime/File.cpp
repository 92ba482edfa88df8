#include "File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "Error.h"

namespace mx::rt {

struct ByteLock {
    std::uint64_t offset;
    std::uint64_t length;
    bool exclusive;
    const File* owner;
};

struct SharedHandle {
    int fd = -1;
    bool writable = false;
    dev_t dev = 0;
    ino_t ino = 0;
    pid_t pid = 0;  // the process that opened it: a forked child must not reuse it
    int sharedOpeners = 0;
    int exclusiveOpeners = 0;
    std::vector<ByteLock> locks;
    ~SharedHandle();
};

namespace {

std::mutex gRegistryMutex;
std::map<std::pair<dev_t, ino_t>, std::weak_ptr<SharedHandle>>& registry() {
    static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<SharedHandle>> r;
    return r;
}

bool overlaps(std::uint64_t a, std::uint64_t alen, std::uint64_t b, std::uint64_t blen) {
    return a < b + blen && b < a + alen;
}

int fcntlLock(int fd, short type, std::uint64_t offset, std::uint64_t length, bool wait) {
    struct flock fl{};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    for (;;) {
        int rc = ::fcntl(fd, wait ? F_SETLKW : F_SETLK, &fl);
        if (rc == 0) return 0;
        if (errno == EINTR) continue;
        return errno;
    }
}

}  // namespace

SharedHandle::~SharedHandle() {
    if (fd >= 0) ::close(fd);
    std::lock_guard<std::mutex> g(gRegistryMutex);
    auto it = registry().find({dev, ino});
    if (it != registry().end() && it->second.expired()) registry().erase(it);
}

File::File(std::string path, std::shared_ptr<SharedHandle> handle, OpenMode mode, bool readOnly)
    : path_(std::move(path)), handle_(std::move(handle)), mode_(mode), readOnly_(readOnly) {}

File::~File() {
    if (!handle_) return;
    unlockAll();
    std::lock_guard<std::mutex> g(gRegistryMutex);
    if (mode_ == OpenMode::Exclusive)
        --handle_->exclusiveOpeners;
    else
        --handle_->sharedOpeners;
    // When no exclusive opener remains but shared ones do, the whole-file lock
    // must become shared again so other processes may share the file.
    if (handle_->exclusiveOpeners == 0 && handle_->sharedOpeners > 0) ::flock(handle_->fd, LOCK_SH | LOCK_NB);
}

std::unique_ptr<File> File::open(const std::string& path, OpenMode mode, bool readOnly) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) throw DbError(ErrorKind::NotFound, path, "file does not exist");
        throwIo(path, "cannot open", errno);
    }
    if (!S_ISREG(st.st_mode)) throw DbError(ErrorKind::Usage, path, "not a regular file");

    std::lock_guard<std::mutex> g(gRegistryMutex);
    auto key = std::make_pair(st.st_dev, st.st_ino);
    std::shared_ptr<SharedHandle> h = registry()[key].lock();
    if (h && h->pid != ::getpid()) h.reset();  // inherited through fork: open anew
    if (h) {
        if (h->exclusiveOpeners > 0 || mode == OpenMode::Exclusive)
            throw DbError(ErrorKind::Busy, path, "file is in use");
        if (!readOnly && !h->writable) throw DbError(ErrorKind::Io, path, "file is read-only");
        ++h->sharedOpeners;
        return std::unique_ptr<File>(new File(path, h, mode, readOnly));
    }

    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    bool writable = fd >= 0;
    if (fd < 0 && readOnly && (errno == EACCES || errno == EROFS)) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throwIo(path, "cannot open", errno);
    int op = (mode == OpenMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::flock(fd, op) != 0) {
        int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) throw DbError(ErrorKind::Busy, path, "file is in use by another process");
        throwIo(path, "cannot take the sharing lock", err);
    }
    h = std::make_shared<SharedHandle>();
    h->fd = fd;
    h->writable = writable;
    h->dev = st.st_dev;
    h->ino = st.st_ino;
    h->pid = ::getpid();
    if (mode == OpenMode::Exclusive)
        h->exclusiveOpeners = 1;
    else
        h->sharedOpeners = 1;
    registry()[key] = h;
    return std::unique_ptr<File>(new File(path, h, mode, readOnly));
}

std::unique_ptr<File> File::create(const std::string& path) {
    // Refuse to truncate a file another opener of this process is using.
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) {
        std::lock_guard<std::mutex> g(gRegistryMutex);
        auto it = registry().find({st.st_dev, st.st_ino});
        auto live = it != registry().end() ? it->second.lock() : nullptr;
        if (live && live->pid == ::getpid()) throw DbError(ErrorKind::Busy, path, "file is in use");
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throwIo(path, "cannot create", errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) throw DbError(ErrorKind::Busy, path, "file is in use by another process");
        throwIo(path, "cannot take the sharing lock", err);
    }
    if (::ftruncate(fd, 0) != 0) {
        int err = errno;
        ::close(fd);
        throwIo(path, "cannot truncate", err);
    }
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        throwIo(path, "cannot stat", err);
    }
    auto h = std::make_shared<SharedHandle>();
    h->fd = fd;
    h->writable = true;
    h->dev = st.st_dev;
    h->ino = st.st_ino;
    h->pid = ::getpid();
    h->exclusiveOpeners = 1;
    std::lock_guard<std::mutex> g(gRegistryMutex);
    registry()[{st.st_dev, st.st_ino}] = h;
    return std::unique_ptr<File>(new File(path, h, OpenMode::Exclusive, false));
}

std::size_t File::readAt(std::uint64_t offset, void* buf, std::size_t n) const {
    std::size_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
        ssize_t r = ::pread(handle_->fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throwIo(path_, "read failed", errno);
        }
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return done;
}

void File::readExact(std::uint64_t offset, void* buf, std::size_t n, const char* what) const {
    if (readAt(offset, buf, n) != n)
        throwCorrupt(path_, std::string("file ends inside ") + what, static_cast<std::int64_t>(offset));
}

void File::writeAt(std::uint64_t offset, const void* buf, std::size_t n) {
    if (readOnly_) throw DbError(ErrorKind::Usage, path_, "write to a file opened read-only");
    std::size_t done = 0;
    const auto* p = static_cast<const char*>(buf);
    while (done < n) {
        ssize_t r = ::pwrite(handle_->fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throwIo(path_, "write failed", errno);
        }
        done += static_cast<std::size_t>(r);
    }
}

std::uint64_t File::size() const {
    struct stat st{};
    if (::fstat(handle_->fd, &st) != 0) throwIo(path_, "cannot stat", errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void File::truncate(std::uint64_t size) {
    if (readOnly_) throw DbError(ErrorKind::Usage, path_, "truncate of a file opened read-only");
    if (::ftruncate(handle_->fd, static_cast<off_t>(size)) != 0) throwIo(path_, "cannot truncate", errno);
}

void File::sync() {
    if (::fdatasync(handle_->fd) != 0 && errno != EINVAL) throwIo(path_, "cannot flush", errno);
}

void File::renameTo(const std::string& newPath) {
    if (::rename(path_.c_str(), newPath.c_str()) != 0) throwIo(path_, "cannot rename to " + newPath, errno);
    path_ = newPath;
}

bool File::lock(std::uint64_t offset, std::uint64_t length, bool exclusive, bool wait) {
    auto& locks = handle_->locks;
    for (const ByteLock& l : locks) {
        if (l.owner == this && l.offset == offset && l.length == length && (l.exclusive || !exclusive)) return true;
    }
    for (const ByteLock& l : locks) {
        if (l.owner != this && overlaps(l.offset, l.length, offset, length) && (l.exclusive || exclusive))
            return false;
    }
    int err = fcntlLock(handle_->fd, exclusive ? F_WRLCK : F_RDLCK, offset, length, wait);
    if (err != 0) {
        if (err == EAGAIN || err == EACCES || err == EDEADLK) return false;
        throwIo(path_, "lock failed", err);
    }
    for (ByteLock& l : locks) {
        if (l.owner == this && l.offset == offset && l.length == length) {
            l.exclusive = exclusive;
            return true;
        }
    }
    locks.push_back({offset, length, exclusive, this});
    return true;
}

void File::unlock(std::uint64_t offset, std::uint64_t length) {
    auto& locks = handle_->locks;
    bool held = false;
    for (auto it = locks.begin(); it != locks.end();) {
        if (it->owner == this && it->offset == offset && it->length == length) {
            it = locks.erase(it);
            held = true;
        } else {
            ++it;
        }
    }
    if (!held) return;
    fcntlLock(handle_->fd, F_UNLCK, offset, length, false);
    // The kernel knows one lock per process: give back what other openers of
    // this process still hold inside the released range.
    for (const ByteLock& l : locks) {
        if (overlaps(l.offset, l.length, offset, length))
            fcntlLock(handle_->fd, l.exclusive ? F_WRLCK : F_RDLCK, l.offset, l.length, false);
    }
}

void File::unlockAll() {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> mine;
    for (const ByteLock& l : handle_->locks)
        if (l.owner == this) mine.emplace_back(l.offset, l.length);
    for (auto& [o, n] : mine) unlock(o, n);
}

}  // namespace mx::rt
