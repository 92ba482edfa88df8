// A DBT memo file in the dBASE III layout: 512-byte blocks, block 0 the
// header (next free block at offset 0), each memo stored from the start of a
// block up to a 0x1A terminator. Rewrites always go to new blocks at the end;
// old blocks stay as dead data until the table is packed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "File.h"

namespace mx::rt {

class MemoFile {
public:
    static constexpr std::uint32_t kBlockSize = 512;

    // Creates an empty memo file (header only, next free block 1).
    static void create(const std::string& path);
    static std::unique_ptr<MemoFile> open(const std::string& path, OpenMode mode, bool readOnly);
    // Wraps a file already opened (or created) by the caller.
    explicit MemoFile(std::unique_ptr<File> file);

    const std::string& path() const { return file_->path(); }
    File& file() { return *file_; }

    // The memo text starting at `block`: bytes up to the first 0x1A or the end
    // of the file. Throws Corrupt when the block lies beyond the file.
    std::string read(std::uint32_t block) const;
    // Stores a non-empty text at the next free block and returns that block
    // number. In shared mode the memo lock (byte 0) is held around the
    // header read, the text write and the header rewrite.
    std::uint32_t write(std::string_view text);
    // Back to a bare header (next free block 1).
    void zap();

    // The block number a record's memo field holds: 0 for no memo (blanks,
    // or a field starting with 0x00). Throws Corrupt naming `tableFile` when
    // the field holds anything but blanks and digits, or a number too large.
    static std::uint32_t blockOfField(std::string_view field, const std::string& tableFile);

private:
    std::unique_ptr<File> file_;
};

}  // namespace mx::rt
