#include "DbfTable.h"
#include "Ascii.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <cstdio>

#include "Error.h"
#include "NumberFormat.h"
#include "Path.h"

// DBF header (32 bytes):
//   offset size  meaning
//   0      1     version: 0x03 no memo, 0x83 with DBT memo (0x07/0x87 read as these)
//   1      3     date of the last header write: year-1900, month, day
//   4      4     record count, uint32 LE (stale in exclusive mode until close)
//   8      2     header length = 32 + 32 * fields + 2
//   10     2     record length = 1 + sum of field lengths
//   12     16    reserved, kept as read
//   28     1     table flags: bit 0 kept as read, others cleared on rewrite
//   29     1     code-page byte, kept as read
//   30     2     reserved, kept as read
// Field descriptor (32 bytes each from offset 32, ended by 0x0D):
//   0      11    name, 0x00-padded
//   11     1     type C N L D M
//   16     1     length (C: low byte)
//   17     1     N: decimals; C: high byte of the length
// Then 0x0D, 0x00, record 1 at the header length. Record: deletion flag
// (' ' live, '*' deleted) then the fields in order.

namespace mx::rt {

namespace {

std::uint32_t getU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t getU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
void putU32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void putU16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void stampToday(unsigned char* h) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    h[1] = static_cast<unsigned char>(tm.tm_year);
    h[2] = static_cast<unsigned char>(tm.tm_mon + 1);
    h[3] = static_cast<unsigned char>(tm.tm_mday);
}

std::string memoPathFor(const std::string& dbfPath) {
    size_t slash = dbfPath.find_last_of('/');
    size_t dot = dbfPath.find_last_of('.');
    std::string base = (dot == std::string::npos || (slash != std::string::npos && dot < slash)) ? dbfPath
                                                                                                 : dbfPath.substr(0, dot);
    return resolvePath(base + ".dbt");
}

// Checks a field list and fills in offsets; throws Usage naming the file.
void validateFields(const std::string& path, std::vector<FieldDef>& fields) {
    if (fields.empty()) throwUsage(path, "a table needs at least one field");
    if (fields.size() > 2046) throwUsage(path, "too many fields");
    int offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        FieldDef& f = fields[i];
        const std::string name = upperCase(f.name);
        if (name.empty() || name.size() > 10) throwUsage(path, "field name '" + f.name + "' must have 1 to 10 characters");
        for (char c : name)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
                throwUsage(path, "field name '" + f.name + "' has a character other than letters, digits and _");
        for (size_t j = 0; j < i; ++j)
            if (fields[j].name == name) throwUsage(path, "field name '" + name + "' appears twice");
        f.name = name;
        switch (f.type) {
            case FieldType::Character:
                if (f.length < 1 || f.length > 65535) throwUsage(path, "field " + name + ": C length must be 1 to 65535");
                f.decimals = 0;
                break;
            case FieldType::Numeric:
                if (f.length < 1 || f.length > 255) throwUsage(path, "field " + name + ": N width must be 1 to 255");
                if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2))
                    throwUsage(path, "field " + name + ": decimals do not fit the width");
                break;
            case FieldType::Logical: f.length = 1; f.decimals = 0; break;
            case FieldType::Date: f.length = 8; f.decimals = 0; break;
            case FieldType::Memo: f.length = 10; f.decimals = 0; break;
            default: throwUsage(path, "field " + name + ": unknown type");
        }
        f.offset = offset;
        offset += f.length;
        if (offset > 65535) throwUsage(path, "record longer than 65535 bytes");
    }
}

}  // namespace

void DbfTable::create(const std::string& path, const std::vector<FieldDef>& fieldsIn) {
    std::vector<FieldDef> fields = fieldsIn;
    validateFields(path, fields);
    bool hasMemo = std::any_of(fields.begin(), fields.end(), [](const FieldDef& f) { return f.type == FieldType::Memo; });
    size_t headerLength = 32 + 32 * fields.size() + 2;
    std::vector<unsigned char> h(headerLength + 1, 0);
    h[0] = hasMemo ? 0x83 : 0x03;
    stampToday(h.data());
    putU16(&h[8], static_cast<std::uint16_t>(headerLength));
    putU16(&h[10], static_cast<std::uint16_t>(fields.back().offset + fields.back().length));
    for (size_t i = 0; i < fields.size(); ++i) {
        unsigned char* d = &h[32 + 32 * i];
        std::memcpy(d, fields[i].name.data(), fields[i].name.size());
        d[11] = static_cast<unsigned char>(fields[i].type);
        if (fields[i].type == FieldType::Character) {
            d[16] = static_cast<unsigned char>(fields[i].length & 0xFF);
            d[17] = static_cast<unsigned char>(fields[i].length >> 8);
        } else {
            d[16] = static_cast<unsigned char>(fields[i].length);
            d[17] = static_cast<unsigned char>(fields[i].decimals);
        }
    }
    h[headerLength - 2] = 0x0D;
    h[headerLength - 1] = 0x00;
    h[headerLength] = 0x1A;
    if (hasMemo) MemoFile::create(memoPathFor(path));
    auto f = File::create(path);
    f->writeAt(0, h.data(), h.size());
}

std::unique_ptr<DbfTable> DbfTable::open(const std::string& path, OpenMode mode, bool readOnly) {
    std::unique_ptr<DbfTable> t(new DbfTable());
    t->file_ = File::open(path, mode, readOnly);
    t->parseHeader();
    bool hasMemo = std::any_of(t->fields_.begin(), t->fields_.end(), [](const FieldDef& f) { return f.type == FieldType::Memo; });
    if (hasMemo) {
        std::string memoPath = memoPathFor(path);
        try {
            t->memo_ = MemoFile::open(memoPath, mode, readOnly);
        } catch (const DbError& e) {
            t->closed_ = true;  // nothing to flush
            if (e.kind() == ErrorKind::NotFound) throw DbError(ErrorKind::NotFound, memoPath, "memo file of " + path + " is missing");
            throw;
        }
    }
    return t;
}

void DbfTable::parseHeader() {
    const std::string& p = file_->path();
    std::uint64_t size = file_->size();
    if (size < 32) throwCorrupt(p, "file is shorter than a table header", 0);
    file_->readExact(0, headerBytes_, 32, "the table header");
    unsigned char v = headerBytes_[0];
    if (v != 0x03 && v != 0x83 && v != 0x07 && v != 0x87)
        throwCorrupt(p, "not a dBASE III table (version byte " + std::to_string(v) + ")", 0);
    headerCount_ = getU32(headerBytes_ + 4);
    headerLength_ = getU16(headerBytes_ + 8);
    recordLength_ = getU16(headerBytes_ + 10);
    if (headerLength_ < 32 + 32 + 1) throwCorrupt(p, "header length " + std::to_string(headerLength_) + " is too small", 8);
    if (static_cast<std::uint64_t>(headerLength_) > size)
        throwCorrupt(p, "header length " + std::to_string(headerLength_) + " exceeds the file", 8);
    if (recordLength_ < 2) throwCorrupt(p, "record length " + std::to_string(recordLength_) + " is too small", 10);
    std::vector<unsigned char> h(static_cast<size_t>(headerLength_));
    file_->readExact(0, h.data(), h.size(), "the field descriptors");
    int maxFields = (headerLength_ - 32) / 32;
    int offset = 1;
    for (int i = 0; i < maxFields; ++i) {
        const unsigned char* d = &h[32 + 32 * static_cast<size_t>(i)];
        if (d[0] == 0x0D) break;
        FieldDef f;
        size_t nameLen = 0;
        while (nameLen < 11 && d[nameLen] != 0) ++nameLen;
        f.name.assign(reinterpret_cast<const char*>(d), nameLen);
        f.name = upperCase(f.name);
        std::int64_t at = 32 + 32 * i;
        if (f.name.empty()) throwCorrupt(p, "field " + std::to_string(i + 1) + " has no name", at);
        switch (d[11]) {
            case 'C':
                f.type = FieldType::Character;
                f.length = d[16] + 256 * d[17];
                break;
            case 'N':
            case 'F':
                f.type = FieldType::Numeric;
                f.length = d[16];
                f.decimals = d[17];
                break;
            case 'L': f.type = FieldType::Logical; f.length = d[16]; break;
            case 'D': f.type = FieldType::Date; f.length = d[16]; break;
            case 'M': f.type = FieldType::Memo; f.length = d[16]; break;
            default:
                throwCorrupt(p, "field " + f.name + " has the unsupported type '" +
                                    std::string(1, static_cast<char>(d[11] >= 32 && d[11] < 127 ? d[11] : '?')) + "'", at + 11);
        }
        bool ok = f.length >= 1;
        if (f.type == FieldType::Logical) ok = f.length == 1;
        if (f.type == FieldType::Date) ok = f.length == 8;
        if (f.type == FieldType::Memo) ok = f.length == 10;
        if (f.type == FieldType::Numeric && f.decimals >= f.length && f.decimals > 0) ok = false;
        if (!ok) throwCorrupt(p, "field " + f.name + " has an impossible length " + std::to_string(f.length), at + 16);
        f.offset = offset;
        offset += f.length;
        fields_.push_back(std::move(f));
    }
    if (fields_.empty()) throwCorrupt(p, "table has no fields", 32);
    if (offset != recordLength_)
        throwCorrupt(p, "record length " + std::to_string(recordLength_) + " does not match the fields (" + std::to_string(offset) + ")", 10);
    if (headerLength_ < 32 + 32 * static_cast<int>(fields_.size()) + 1)
        throwCorrupt(p, "header length does not hold the field descriptors", 8);
    blank_.assign(static_cast<size_t>(recordLength_), ' ');
    count_ = static_cast<std::uint32_t>((size - static_cast<std::uint64_t>(headerLength_)) / static_cast<std::uint64_t>(recordLength_));
}

DbfTable::~DbfTable() {
    try {
        close();
    } catch (...) {
    }
}

void DbfTable::close() {
    if (closed_) return;
    closed_ = true;
    if (!file_) return;
    if (!readOnly()) flush();
    if (!shared() && !readOnly() && headerStale_) writeHeader(true);
    unlockAll();
    memo_.reset();
    file_.reset();
}

int DbfTable::fieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const std::string& f = fields_[i].name;
        if (f.size() != name.size()) continue;
        bool eq = true;
        for (size_t k = 0; k < f.size() && eq; ++k)
            eq = f[k] == std::toupper(static_cast<unsigned char>(name[k]));
        if (eq) return static_cast<int>(i);
    }
    return -1;
}

std::uint32_t DbfTable::recordCount() {
    if (shared()) {
        std::uint64_t size = file_->size();
        count_ = size < static_cast<std::uint64_t>(headerLength_)
                     ? 0
                     : static_cast<std::uint32_t>((size - static_cast<std::uint64_t>(headerLength_)) / static_cast<std::uint64_t>(recordLength_));
    }
    return count_;
}

bool DbfTable::inTail(std::uint32_t first, std::uint32_t n) const {
    if (tail_.empty()) return false;
    std::uint32_t tailCount = static_cast<std::uint32_t>(tail_.size() / static_cast<size_t>(recordLength_));
    return first < tailFirst_ + tailCount && first + n > tailFirst_;
}

void DbfTable::flush() {
    if (tail_.empty()) return;
    std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(tailFirst_ - 1) * static_cast<std::uint64_t>(recordLength_);
    file_->writeAt(off, tail_.data(), tail_.size());
    blocks_.written(off, tail_.data(), tail_.size());
    tail_.clear();
}

bool DbfTable::readRecord(std::uint32_t recno, char* buf) {
    if (recno == 0) return false;
    ++recordReads_;
    if (inTail(recno, 1)) {
        size_t at = static_cast<size_t>(recno - tailFirst_) * static_cast<size_t>(recordLength_);
        std::memcpy(buf, tail_.data() + at, static_cast<size_t>(recordLength_));
        return true;
    }
    std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(recno - 1) * static_cast<std::uint64_t>(recordLength_);
    const auto len = static_cast<size_t>(recordLength_);
    if (shared()) {
        if (runDepth_ > 0) return readInRun(recno, buf);
        ++sharedFileReads_;
        return file_->readAt(off, buf, len) == len;
    }
    return blocks_.read(*file_, off, buf, len) == len;
}

namespace {
constexpr std::size_t kRunAlongBytes = 65536;  // read when the move goes on along the records
}  // namespace

bool DbfTable::readInRun(std::uint32_t recno, char* buf) {
    const auto len = static_cast<std::size_t>(recordLength_);
    if (recno < runFirst_ || recno - runFirst_ >= runCount_) {
        // Near the last read: a little past its end or before its start.
        const auto near = static_cast<std::uint32_t>(std::max<std::size_t>(1, 4096 / len));
        const auto along = static_cast<std::uint32_t>(std::max<std::size_t>(1, kRunAlongBytes / len));
        const std::uint32_t end = runFirst_ + runCount_;
        std::uint32_t first = recno;
        std::uint32_t n = 1;
        if (runCount_ > 0 && recno >= end && recno - end < near) {
            n = along;
        } else if (runCount_ > 0 && recno < runFirst_ && runFirst_ - recno <= near) {
            first = recno > along ? recno - along + 1 : 1;
            n = recno - first + 1;
        }
        run_.resize(static_cast<std::size_t>(n) * len);
        runCount_ = 0;
        ++sharedFileReads_;
        const std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(first - 1) * len;
        const std::size_t got = file_->readAt(off, run_.data(), run_.size());
        runFirst_ = first;
        runCount_ = static_cast<std::uint32_t>(got / len);
        if (recno - runFirst_ >= runCount_) return false;  // beyond the end of the file
    }
    std::memcpy(buf, run_.data() + static_cast<std::size_t>(recno - runFirst_) * len, len);
    return true;
}

void DbfTable::endRun() {
    if (runDepth_ > 0 && --runDepth_ == 0) runCount_ = 0;
}

std::uint32_t DbfTable::readRecords(std::uint32_t first, std::uint32_t n, char* buf) {
    if (first == 0 || n == 0) return 0;
    recordReads_ += n;
    if (inTail(first, n)) flush();
    std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(first - 1) * static_cast<std::uint64_t>(recordLength_);
    size_t got = file_->readAt(off, buf, static_cast<size_t>(n) * static_cast<size_t>(recordLength_));
    return static_cast<std::uint32_t>(got / static_cast<size_t>(recordLength_));
}

// ---- deletion flags (exclusive mode) ----------------------------------------

namespace {
constexpr std::uint32_t kFlagBlock = 4096;          // records whose flags one fill reads
constexpr int kFlagBlockMaxRecordLength = 1024;     // longer records: read the one byte asked for
bool testBit(const std::vector<std::uint64_t>& v, std::uint32_t i) {
    return (i >> 6) < v.size() && ((v[i >> 6] >> (i & 63)) & 1) != 0;
}
void putBit(std::vector<std::uint64_t>& v, std::uint32_t i, bool on) {
    if ((i >> 6) >= v.size()) v.resize((i >> 6) + 1 + v.size() / 2, 0);
    if (on)
        v[i >> 6] |= std::uint64_t(1) << (i & 63);
    else
        v[i >> 6] &= ~(std::uint64_t(1) << (i & 63));
}
}  // namespace

void DbfTable::noteFlag(std::uint32_t recno, bool deleted) {
    if (shared()) return;
    putBit(flagsKnown_, recno, true);
    putBit(flagsDeleted_, recno, deleted);
}

void DbfTable::forgetFlags() {
    flagsKnown_.clear();
    flagsDeleted_.clear();
}

// Reads the flags of the block of records holding `recno` (only that one
// record's flag when records are long), in reads of about 1 MB.
void DbfTable::loadFlags(std::uint32_t recno) {
    const auto recLen = static_cast<std::size_t>(recordLength_);
    if (recordLength_ > kFlagBlockMaxRecordLength) {
        char flag = 0;
        std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(recno - 1) * recLen;
        if (inTail(recno, 1))
            noteFlag(recno, tail_[static_cast<std::size_t>(recno - tailFirst_) * recLen] == '*');
        else if (file_->readAt(off, &flag, 1) == 1)
            noteFlag(recno, flag == '*');
        return;
    }
    const std::uint32_t first = (recno - 1) / kFlagBlock * kFlagBlock + 1;
    const std::uint32_t last = std::min<std::uint32_t>(first + kFlagBlock - 1, count_);
    const std::uint32_t step = std::max<std::uint32_t>(1, static_cast<std::uint32_t>((1u << 20) / recLen));
    std::vector<char> buf(static_cast<std::size_t>(std::min(step, last - first + 1)) * recLen);
    putBit(flagsKnown_, last, testBit(flagsKnown_, last));  // room for every bit of the block
    putBit(flagsDeleted_, last, testBit(flagsDeleted_, last));
    for (std::uint32_t r = first; r <= last;) {
        std::uint32_t n = readRecords(r, std::min(step, last - r + 1), buf.data());
        if (n == 0) break;
        for (std::uint32_t i = 0; i < n; ++i, ++r) {
            const std::uint64_t bit = std::uint64_t(1) << (r & 63);
            flagsKnown_[r >> 6] |= bit;
            if (buf[static_cast<std::size_t>(i) * recLen] == '*')
                flagsDeleted_[r >> 6] |= bit;
            else
                flagsDeleted_[r >> 6] &= ~bit;
        }
    }
}

bool DbfTable::deletedFlag(std::uint32_t recno) {
    if (recno == 0) return false;
    if (shared()) {
        char flag = 0;
        std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(recno - 1) * static_cast<std::uint64_t>(recordLength_);
        return file_->readAt(off, &flag, 1) == 1 && flag == '*';
    }
    if (recno > count_) return false;
    if (!testBit(flagsKnown_, recno)) loadFlags(recno);
    return testBit(flagsDeleted_, recno);
}

void DbfTable::requireWritable(const char* what) const {
    if (readOnly()) throw DbError(ErrorKind::Usage, path(), std::string(what) + " on a table opened read-only");
}

void DbfTable::writeRecord(std::uint32_t recno, const char* buf) {
    requireWritable("write");
    if (recno == 0) throwUsage(path(), "record number 0");
    if (testBit(flagsKnown_, recno)) noteFlag(recno, buf[0] == '*');
    if (inTail(recno, 1)) {
        size_t at = static_cast<size_t>(recno - tailFirst_) * static_cast<size_t>(recordLength_);
        std::memcpy(tail_.data() + at, buf, static_cast<size_t>(recordLength_));
        return;
    }
    std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(recno - 1) * static_cast<std::uint64_t>(recordLength_);
    runCount_ = 0;
    file_->writeAt(off, buf, static_cast<size_t>(recordLength_));
    blocks_.written(off, buf, static_cast<size_t>(recordLength_));
    if (!shared()) headerStale_ = true;
}

void DbfTable::writeHeader(bool withEofMarker) {
    unsigned char h[32];
    std::memcpy(h, headerBytes_, 32);
    bool hasMemo = memo_ != nullptr;
    h[0] = hasMemo ? 0x83 : 0x03;
    stampToday(h);
    putU32(h + 4, count_);
    h[28] &= 0x01;
    file_->writeAt(0, h, 32);
    blocks_.written(0, h, 32);
    std::memcpy(headerBytes_, h, 32);
    headerCount_ = count_;
    if (withEofMarker) {
        std::uint64_t end = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(count_) * static_cast<std::uint64_t>(recordLength_);
        const char eof = 0x1A;
        file_->writeAt(end, &eof, 1);
        file_->truncate(end + 1);
        blocks_.clear();
    }
    headerStale_ = false;
}

void DbfTable::flushHeader() {
    if (readOnly()) return;
    flush();
    if (!shared() && headerStale_) writeHeader(true);
}

std::uint32_t DbfTable::appendBlank() {
    requireWritable("append");
    if (count_ >= kLockBase - 1) throwUsage(path(), "the table is full");
    if (!shared()) {
        // Nobody else can read the file: collect appends and write them in blocks.
        std::uint32_t recno = count_ + 1;
        if (tail_.empty()) tailFirst_ = recno;
        tail_ += blank_;
        count_ = recno;
        if (!flagsKnown_.empty()) noteFlag(recno, false);
        headerStale_ = true;
        if (tail_.size() >= (1u << 20)) flush();
        return recno;
    }
    // Shared: the append lock serialises appenders across processes.
    if (!file_->lock(kLockBase, 1, true, true)) throw DbError(ErrorKind::Busy, path(), "append lock refused");
    ByteLockGuard appendLock(file_.get(), kLockBase, 1);
    runCount_ = 0;
    std::uint32_t n = recordCount();
    std::uint32_t recno = n + 1;
    if (!lockRecord(recno)) return 0;
    std::uint64_t off = static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(recordLength_);
    file_->writeAt(off, blank_.data(), blank_.size());
    count_ = recno;
    writeHeader(false);
    return recno;
}

bool DbfTable::lockRecord(std::uint32_t recno) {
    if (!shared()) return true;
    if (fileLocked_ || recordLocked(recno)) return true;
    if (!file_->lock(kLockBase + recno, 1, true, false)) return false;
    lockedRecords_.push_back(recno);
    return true;
}

void DbfTable::unlockRecord(std::uint32_t recno) {
    auto it = std::find(lockedRecords_.begin(), lockedRecords_.end(), recno);
    if (it == lockedRecords_.end()) return;
    lockedRecords_.erase(it);
    file_->unlock(kLockBase + recno, 1);
}

bool DbfTable::lockFile() {
    if (!shared()) return true;
    if (fileLocked_) return true;
    for (std::uint32_t r : std::vector<std::uint32_t>(lockedRecords_)) unlockRecord(r);
    if (!file_->lock(kLockBase + 1, kFileLockLength, true, false)) return false;
    fileLocked_ = true;
    return true;
}

void DbfTable::unlockFile() {
    if (!fileLocked_) return;
    fileLocked_ = false;
    file_->unlock(kLockBase + 1, kFileLockLength);
}

void DbfTable::unlockAll() {
    for (std::uint32_t r : std::vector<std::uint32_t>(lockedRecords_)) unlockRecord(r);
    unlockFile();
}

bool DbfTable::recordLocked(std::uint32_t recno) const {
    if (!shared()) return true;
    return fileLocked_ || std::find(lockedRecords_.begin(), lockedRecords_.end(), recno) != lockedRecords_.end();
}

void DbfTable::pack() {
    requireWritable("pack");
    if (shared()) throw DbError(ErrorKind::Usage, path(), "pack needs the table opened exclusively");
    flush();
    const std::string dbfPath = path();
    const std::string tmpDbf = dbfPath + ".packtmp";
    std::unique_ptr<File> out = File::create(tmpDbf);
    std::unique_ptr<File> memoOut;
    std::string memoPath, tmpDbt;
    try {
        std::vector<unsigned char> header(static_cast<size_t>(headerLength_));
        file_->readExact(0, header.data(), header.size(), "the table header");
        out->writeAt(0, header.data(), header.size());
        std::uint64_t memoNext = 1;
        if (memo_) {
            memoPath = memo_->path();
            tmpDbt = memoPath + ".packtmp";
            memoOut = File::create(tmpDbt);
            unsigned char mh[MemoFile::kBlockSize] = {};
            memo_->file().readAt(0, mh, sizeof mh);
            memoOut->writeAt(0, mh, sizeof mh);
        }
        const std::uint32_t chunk = 4096;
        std::vector<char> in(static_cast<size_t>(chunk) * static_cast<size_t>(recordLength_));
        std::vector<char> outBuf;
        outBuf.reserve(in.size());
        std::uint32_t written = 0;
        std::uint64_t outPos = static_cast<std::uint64_t>(headerLength_);
        for (std::uint32_t first = 1; first <= count_; first += chunk) {
            std::uint32_t n = readRecords(first, std::min(chunk, count_ - first + 1), in.data());
            outBuf.clear();
            for (std::uint32_t i = 0; i < n; ++i) {
                char* rec = in.data() + static_cast<size_t>(i) * static_cast<size_t>(recordLength_);
                if (rec[0] == '*') continue;
                if (memo_) {
                    for (const FieldDef& f : fields_) {
                        if (f.type != FieldType::Memo) continue;
                        std::uint32_t block = MemoFile::blockOfField(std::string_view(rec + f.offset, static_cast<size_t>(f.length)), path());
                        std::string text = block >= 1 ? memo_->read(block) : std::string();
                        if (text.empty()) {
                            std::memset(rec + f.offset, ' ', static_cast<size_t>(f.length));
                            continue;
                        }
                        text.push_back(0x1A);
                        memoOut->writeAt(memoNext * MemoFile::kBlockSize, text.data(), text.size());
                        formatNumber(static_cast<double>(memoNext), f.length, 0, rec + f.offset);
                        memoNext += (text.size() + MemoFile::kBlockSize - 1) / MemoFile::kBlockSize;
                    }
                }
                outBuf.insert(outBuf.end(), rec, rec + recordLength_);
                ++written;
            }
            if (!outBuf.empty()) {
                out->writeAt(outPos, outBuf.data(), outBuf.size());
                outPos += outBuf.size();
            }
        }
        const char eof = 0x1A;
        out->writeAt(outPos, &eof, 1);
        if (memoOut) {
            // next free = the first block after the file's end (the file is not padded)
            std::uint64_t memoSize = memoOut->size();
            std::uint32_t next = static_cast<std::uint32_t>((memoSize + MemoFile::kBlockSize - 1) / MemoFile::kBlockSize);
            if (next < 1) next = 1;
            unsigned char nb[4];
            putU32(nb, next);
            memoOut->writeAt(0, nb, 4);
            memoOut->sync();
        }
        out->sync();
        // Both new files are complete on disk; now swap them in. The memo goes
        // first: a table whose memo file is newer than itself cannot arise
        // because both renames follow each other with nothing in between.
        if (memoOut) {
            memoOut->renameTo(memoPath);
            memo_ = std::make_unique<MemoFile>(std::move(memoOut));
        }
        out->renameTo(dbfPath);
        file_ = std::move(out);
        blocks_.clear();
        count_ = written;
        headerStale_ = true;
        forgetFlags();
        writeHeader(true);
    } catch (...) {
        out.reset();
        memoOut.reset();
        ::remove(tmpDbf.c_str());
        if (!tmpDbt.empty()) ::remove(tmpDbt.c_str());
        throw;
    }
}

void DbfTable::zap() {
    requireWritable("zap");
    if (shared()) throw DbError(ErrorKind::Usage, path(), "zap needs the table opened exclusively");
    tail_.clear();
    count_ = 0;
    blocks_.clear();
    forgetFlags();
    writeHeader(true);
    if (memo_) memo_->zap();
}

}  // namespace mx::rt
