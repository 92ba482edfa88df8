#include "ChildHolder.h"

#include <sys/wait.h>
#include <unistd.h>

#include "Session.h"

namespace mx::test {

namespace {

char readByte(int fd) {
    char c = 0;
    return ::read(fd, &c, 1) == 1 ? c : 0;
}

void writeByte(int fd, char c) { (void)!::write(fd, &c, 1); }

}  // namespace

bool ChildHolder::start(const std::string& path, rt::OpenMode mode, long lock) {
    int down[2], up[2];
    if (::pipe(down) != 0 || ::pipe(up) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(down[1]);
        ::close(up[0]);
        char result = 'E';
        try {
            rt::Session s;
            rt::WorkArea& a = s.open(path, "HELD", mode);
            bool locked = true;
            if (lock == kFileLock) {
                locked = a.lockFile();
            } else if (lock > 0) {
                a.goTo(static_cast<std::uint32_t>(lock));
                locked = a.lock();
            }
            if (!locked) throw 0;
            writeByte(up[1], 'H');
            readByte(down[0]);  // wait for the release
            s.closeAll();
            result = 'R';
        } catch (...) {
        }
        writeByte(up[1], result);
        ::_exit(0);
    }
    ::close(down[0]);
    ::close(up[1]);
    toChild_ = down[1];
    fromChild_ = up[0];
    holding_ = readByte(fromChild_) == 'H';
    return holding_;
}

void ChildHolder::release() {
    if (!holding_) return;
    writeByte(toChild_, 'G');
    readByte(fromChild_);
    holding_ = false;
}

ChildHolder::~ChildHolder() {
    release();
    if (toChild_ >= 0) ::close(toChild_);
    if (fromChild_ >= 0) ::close(fromChild_);
    if (pid_ > 0) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

}  // namespace mx::test
