// One DBF table file and its DBT memo file: the header, the field list,
// record bytes, appends, and the record, file and append locks of the shared
// lock scheme. It moves bytes only; cursors, keys and filters live in
// WorkArea.
//
// Record count: never trusted from the header. It is (file size - header
// length) / record length, taken at open and, in shared mode, again before
// every append and whenever a caller asks (other processes append).
//
// Header writes: shared mode rewrites the 32-byte header after every append,
// under the append lock, without an end-of-file marker. Exclusive mode
// rewrites it at close (and after pack/zap), followed by 0x1A and a
// truncation after that byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "BlockCache.h"
#include "FieldDef.h"
#include "File.h"
#include "MemoFile.h"

namespace mx::rt {

class DbfTable {
public:
    // Lock offsets of the default lock scheme.
    static constexpr std::uint64_t kLockBase = 1000000000ULL;
    static constexpr std::uint64_t kFileLockLength = 1000000000ULL;

    // Creates a new table (and an empty DBT when a memo field exists).
    // Throws DbError(Usage) naming the file for a field list that does not fit.
    static void create(const std::string& path, const std::vector<FieldDef>& fields);
    // Opens a table; the memo file is found beside it (.dbt, any case).
    static std::unique_ptr<DbfTable> open(const std::string& path, OpenMode mode, bool readOnly);

    ~DbfTable();  // close(): errors while closing are swallowed here
    void close();

    const std::string& path() const { return file_->path(); }
    OpenMode mode() const { return file_->mode(); }
    bool shared() const { return file_->mode() == OpenMode::Shared; }
    bool readOnly() const { return file_->readOnly(); }
    const std::vector<FieldDef>& fields() const { return fields_; }
    int fieldIndex(std::string_view name) const;  // case-insensitive, -1 when none
    int recordLength() const { return recordLength_; }
    int headerLength() const { return headerLength_; }
    MemoFile* memo() { return memo_.get(); }
    std::uint32_t headerCount() const { return headerCount_; }  // as last read from the header

    // Records in the file (see above). In shared mode this looks at the file.
    std::uint32_t recordCount();
    // The count known without looking at the file again.
    std::uint32_t knownCount() const { return count_; }

    // Reads record `recno` (1-based) into buf (recordLength() bytes).
    // Returns false when the record lies beyond the end of the file.
    // Exclusive mode reads through a bounded cache of 4 KiB blocks
    // (BlockCache.h: at most 64 MiB a table, whatever its size), kept
    // current by this object's own writes, appends, pack and zap: nobody
    // else may write the file meanwhile. Shared mode reads the record from
    // the file every time, so that each read sees what other stations wrote
    // up to then (a lock held or not: another station may write any record
    // it has locked itself, and the count grows with their appends) -- except
    // inside a run (below), where a block of records read during the move
    // stands for the records it holds until the move ends.
    bool readRecord(std::uint32_t recno, char* buf);
    // A hint that record `recno` will be read soon (a walk knows the next
    // record before it gets there): exclusive mode fetches its cached bytes
    // towards the processor meanwhile. Nothing is read from the file.
    void prefetchRecord(std::uint32_t recno) const {
        if (recno == 0 || recno > count_ || shared()) return;
        blocks_.prefetch(static_cast<std::uint64_t>(headerLength_) +
                         static_cast<std::uint64_t>(recno - 1) * static_cast<std::uint64_t>(recordLength_));
    }

    // A run: one move of a cursor, which may test many records before it
    // lands (a filter that lets few through). Between beginRun() and the
    // matching endRun() a shared table keeps its last read and serves the
    // records asked for from it while they lie in it: each read is what the
    // file held at that moment of the move, as a record read on its own then
    // would be. Nothing read in a run
    // outlives it, so the next move reads the file again and sees every
    // write made meanwhile. A record past the block or past the end the
    // read found is read from the file. This table's own writes and appends
    // drop the block, as does dropRunBlock() (the caller let other stations
    // change the index in the middle of a move). Runs nest; in exclusive
    // mode they change nothing (the block cache serves).
    // Block size: a read takes the one record asked for (a move that lands
    // at once, or one whose records lie scattered over the file, reads what
    // it read without a run), but when the record lies just past the last
    // read's end (or just before its start), 64 KiB in that direction, so
    // that a walk along the records costs a read per 64 KiB.
    void beginRun() { ++runDepth_; }
    void endRun();
    // beginRun() .. endRun() over a scope: a walk in record order that is
    // one reading of the table (a count, an export) reads it in blocks.
    class Run {
    public:
        explicit Run(DbfTable& table) : table_(table) { table_.beginRun(); }
        ~Run() { table_.endRun(); }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        DbfTable& table_;
    };
    void dropRunBlock() { runCount_ = 0; }
    // Positioned reads of records made (shared mode): what a run saved, for tests.
    std::uint64_t sharedFileReads() const { return sharedFileReads_; }
    // Reads `n` consecutive records starting at `first` into buf; returns how
    // many whole records were read.
    std::uint32_t readRecords(std::uint32_t first, std::uint32_t n, char* buf);
    // How many records readRecord and readRecords were asked for since the
    // table was opened: what a screen's move cost, for tests that show a list
    // reads only the records in its range.
    std::uint64_t recordReads() const { return recordReads_; }
    void writeRecord(std::uint32_t recno, const char* buf);

    // The record's deletion flag ('*'), without reading the rest of it.
    // Exclusive mode answers from a cache of every record's flag (two bits
    // per record), filled a block of records at a time on first need and kept
    // up to date by this object's own writes, appends, pack and zap: nobody
    // else can change the file while we hold it exclusively. Shared mode
    // reads the byte. False for a record beyond the end.
    bool deletedFlag(std::uint32_t recno);

    // Appends a blank record and returns its number. Shared mode: waits for the
    // append lock, counts from the file size, locks the new record (no wait;
    // an ordinary append releases the caller's other locks first, see
    // WorkArea), writes the record and the header, releases the append lock;
    // the new record stays locked. Returns 0 when the new record's lock was
    // refused (another process holds the file lock): nothing was added.
    std::uint32_t appendBlank();

    bool lockRecord(std::uint32_t recno);    // one attempt; true at once in exclusive mode
    void unlockRecord(std::uint32_t recno);
    bool lockFile();                         // one attempt
    void unlockFile();
    void unlockAll();
    bool recordLocked(std::uint32_t recno) const;  // by this table object
    bool fileLocked() const { return fileLocked_; }
    const std::vector<std::uint32_t>& lockedRecords() const { return lockedRecords_; }

    // Exclusive mode only: remove deleted records, compact the memo file.
    // The new files are written beside the old ones and renamed over them.
    void pack();
    // Exclusive mode only: no records, an empty memo file.
    void zap();
    // Writes the header now (exclusive: with 0x1A and truncation) if it is stale.
    void flushHeader();
    // Exclusive mode keeps freshly appended records in memory and writes them
    // in large blocks; this writes them now. Reads of those records, close,
    // pack and zap write them first anyway.
    void flush();

    // A blank record (deletion flag blank, every field blank).
    const std::string& blankRecord() const { return blank_; }

private:
    DbfTable() = default;
    void parseHeader();
    void writeHeader(bool withEofMarker);
    void requireWritable(const char* what) const;

    std::unique_ptr<File> file_;
    std::unique_ptr<MemoFile> memo_;
    std::vector<FieldDef> fields_;
    int headerLength_ = 0;
    int recordLength_ = 0;
    std::uint32_t headerCount_ = 0;
    std::uint32_t count_ = 0;
    std::uint64_t recordReads_ = 0;
    std::uint64_t sharedFileReads_ = 0;
    // Shared mode, inside a run: records runFirst_ .. runFirst_ + runCount_ - 1
    // as one read found them.
    int runDepth_ = 0;
    std::vector<char> run_;
    std::uint32_t runFirst_ = 0;
    std::uint32_t runCount_ = 0;
    bool readInRun(std::uint32_t recno, char* buf);
    bool headerStale_ = false;  // exclusive mode: count or content changed since open
    bool fileLocked_ = false;
    bool closed_ = false;
    std::vector<std::uint32_t> lockedRecords_;
    std::string blank_;
    std::string tail_;               // exclusive mode: appended records not yet written
    std::uint32_t tailFirst_ = 0;    // record number of the first of them
    bool inTail(std::uint32_t first, std::uint32_t n) const;
    unsigned char headerBytes_[32] = {};
    BlockCache blocks_;  // exclusive mode: record reads (see readRecord)

    // Exclusive mode: the deletion flags as far as known. Bit r of known_
    // says whether bit r of deleted_ holds record r's flag.
    std::vector<std::uint64_t> flagsKnown_;
    std::vector<std::uint64_t> flagsDeleted_;
    void noteFlag(std::uint32_t recno, bool deleted);
    void loadFlags(std::uint32_t recno);
    void forgetFlags();
};

}  // namespace mx::rt
