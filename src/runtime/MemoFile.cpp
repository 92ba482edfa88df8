#include "MemoFile.h"

#include <cstring>
#include <vector>

#include "Error.h"

// DBT header (block 0):
//   offset size  meaning
//   0      4     next free block, uint32 LE (new file: 1)
//   4      4     512 (block size; written, never read back)
//   8      8     writer's tag, 0x00-terminated; not read back
//   16     496   zero
// A memo of L bytes at block b occupies bytes 512*b .. 512*b+L-1, followed by
// 0x1A 0x1A; the next free block advances by (L + 512) / 512.

namespace mx::rt {

namespace {

constexpr std::uint32_t kMaxMemoBytes = 64u * 1024u * 1024u;  // refuse to read more from a damaged file

std::uint32_t getU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void putU32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

void writeFreshHeader(File& f) {
    unsigned char h[MemoFile::kBlockSize] = {};
    putU32(h, 1);
    putU32(h + 4, MemoFile::kBlockSize);
    std::memcpy(h + 8, "mxdev", 5);
    f.writeAt(0, h, sizeof h);
    f.truncate(sizeof h);
}

}  // namespace

void MemoFile::create(const std::string& path) {
    auto f = File::create(path);
    writeFreshHeader(*f);
}

std::unique_ptr<MemoFile> MemoFile::open(const std::string& path, OpenMode mode, bool readOnly) {
    auto f = File::open(path, mode, readOnly);
    if (f->size() < 4) throwCorrupt(path, "memo file is shorter than its header", 0);
    return std::make_unique<MemoFile>(std::move(f));
}

MemoFile::MemoFile(std::unique_ptr<File> file) : file_(std::move(file)) {}

std::string MemoFile::read(std::uint32_t block) const {
    std::uint64_t start = static_cast<std::uint64_t>(block) * kBlockSize;
    std::uint64_t size = file_->size();
    if (block == 0 || start >= size)
        throwCorrupt(path(), "memo block " + std::to_string(block) + " lies outside the file",
                     static_cast<std::int64_t>(start));
    std::string out;
    char buf[4096];
    std::uint64_t pos = start;
    while (pos < size) {
        std::size_t n = file_->readAt(pos, buf, sizeof buf);
        if (n == 0) break;
        const void* term = std::memchr(buf, 0x1A, n);
        if (term) {
            out.append(buf, static_cast<const char*>(term) - buf);
            return out;
        }
        out.append(buf, n);
        if (out.size() > kMaxMemoBytes)
            throwCorrupt(path(), "memo at block " + std::to_string(block) + " has no terminator",
                         static_cast<std::int64_t>(start));
        pos += n;
    }
    return out;
}

std::uint32_t MemoFile::write(std::string_view text) {
    if (text.empty()) throwUsage(path(), "an empty memo is stored as no block");
    if (text.size() > kMaxMemoBytes) throwUsage(path(), "memo text too long");
    if (std::memchr(text.data(), 0x1A, text.size()))
        throwUsage(path(), "a memo text cannot contain the byte 0x1A");
    bool shared = file_->mode() == OpenMode::Shared;
    if (shared && !file_->lock(0, 1, true, true)) throw DbError(ErrorKind::Busy, path(), "memo lock refused");
    ByteLockGuard guard;
    if (shared) guard = ByteLockGuard(file_.get(), 0, 1);
    unsigned char header[kBlockSize] = {};
    std::size_t got = file_->readAt(0, header, sizeof header);
    if (got < 4) throwCorrupt(path(), "memo file is shorter than its header", 0);
    std::uint32_t block = getU32(header);
    std::uint64_t size = file_->size();
    // A damaged next-free pointer must never make us overwrite live memos:
    // never write below the end of the file's last whole block.
    // Only the spilled second terminator of the last memo may lie at or past
    // the next free block.
    if (block == 0 || static_cast<std::uint64_t>(block) * kBlockSize + 1 < size) {
        std::uint64_t endBlock = (size + kBlockSize - 1) / kBlockSize;
        block = static_cast<std::uint32_t>(endBlock < 1 ? 1 : endBlock);
    }
    std::vector<char> data(text.begin(), text.end());
    data.push_back(0x1A);
    data.push_back(0x1A);
    file_->writeAt(static_cast<std::uint64_t>(block) * kBlockSize, data.data(), data.size());
    std::uint32_t next = block + static_cast<std::uint32_t>((text.size() + kBlockSize) / kBlockSize);
    putU32(header, next);
    file_->writeAt(0, header, got < sizeof header ? got : sizeof header);
    return block;
}

void MemoFile::zap() { writeFreshHeader(*file_); }

std::uint32_t MemoFile::blockOfField(std::string_view field, const std::string& tableFile) {
    size_t k = 0;
    while (k < field.size() && field[k] == ' ') ++k;
    if (k == field.size() || field[0] == '\0') return 0;
    std::uint64_t block = 0;
    for (size_t j = k; j < field.size(); ++j) {
        if (field[j] < '0' || field[j] > '9' || block > 0xFFFFFFFFULL / 10)
            throwCorrupt(tableFile, "memo field \"" + std::string(field) + "\" is not a block number");
        block = block * 10 + static_cast<unsigned>(field[j] - '0');
    }
    if (block > 0xFFFFFFFFULL) throwCorrupt(tableFile, "memo block number " + std::to_string(block) + " is too large");
    return static_cast<std::uint32_t>(block);
}

}  // namespace mx::rt
