// A work area: one open table under an alias, its order list (up to 7 index
// files, one of them controlling), the cursor (record number, BOF, EOF,
// FOUND), the record buffer with its pending changes, a filter and a scope.
//
// Invariants kept by this class:
//  1. The buffer holds the current record as read from disk when the cursor
//     moved onto it, plus this area's own pending changes (dirty_). With the
//     table open exclusively the read is deferred until something looks at
//     the record (loaded_ false until then): no other process can change it
//     in between, so the bytes are the same, and a move that only tests the
//     deletion flag (DbfTable::deletedFlag) reads no record at all. In shared
//     mode the record is read at the move, as the reference runtime does, so
//     each move sees the other stations' latest writes. A move that passes
//     over hidden records is one run (DbfTable::beginRun): it holds the
//     controlling index's read lock throughout and reads the records it
//     tests in blocks read during the move; nothing read in one move is
//     used by the next.
//  2. Pending changes reach the file, and the keys of every open order are
//     brought up to date, at commit: explicitly, before any move, at unlock
//     and at close. Keys of a record are computed from its old contents
//     before the first change and from its new contents at commit.
//  3. In shared mode a field may only change while its record or the file is
//     locked (DbError LockRequired otherwise).
//  4. At end of file the record number is last + 1 and every field is blank.
//  5. Records hidden by the session's deleted setting, the filter or the
//     scope are never the current record after goTop/goBottom/skip/seek.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AreaHost.h"
#include "DbfTable.h"
#include "Expression.h"
#include "KeyEncoding.h"
#include "NtxIndex.h"
#include "Value.h"

namespace mx::rt {

class WorkArea {
public:
    static constexpr int kMaxOrders = 7;

    WorkArea(AreaHost& host, int id, std::string alias, std::unique_ptr<DbfTable> table);
    ~WorkArea();
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    int id() const { return id_; }
    const std::string& alias() const { return alias_; }
    DbfTable& table() { return *table_; }
    const DbfTable& table() const { return *table_; }
    bool shared() const { return table_->shared(); }

    // ---- orders ----
    // Opens an existing index file and adds it to the order list. The first
    // order added becomes controlling when none is. Throws Usage beyond 7.
    void addOrder(const std::string& ntxPath);
    // Builds a new index file over all records (deleted ones included) and
    // adds it to the order list as the controlling order.
    void createOrder(const std::string& ntxPath, const std::string& keyExpression,
                     const std::string& forExpression = "", bool unique = false);
    void clearOrders();
    int orderCount() const { return static_cast<int>(orders_.size()); }
    // 0 = natural (record number) order; 1..orderCount() = an order.
    void setOrder(int order);
    int order() const { return controlling_ + 1; }
    NtxIndex& orderIndex(int order);
    const std::string& orderExpression(int order) const;
    // Rebuilds every open index from the table (after pack/zap and on demand).
    void reindex();

    // ---- position ----
    void goTo(std::uint32_t recno);  // no visibility rules, like GOTO
    void goTop();
    void goBottom();
    void skip(long n = 1);
    // Seeks in the controlling order (a Usage error without one). `soft`
    // defaults to the session's setting. Returns found().
    bool seek(const Value& value, std::optional<bool> soft = std::nullopt, bool last = false);
    std::uint32_t recno() const { return recno_; }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool found() const { return found_; }
    // The deletion flag of the current record (false at EOF); with the table
    // open exclusively it comes from the table's flag cache until the record is read.
    bool deleted() const;
    std::uint32_t recordCount() { return table_->recordCount(); }
    // For scroll bars: entries in the controlling order (records in natural
    // order) and the current position among them (1-based, 0 at EOF).
    std::uint32_t keyCount();
    std::uint32_t keyPosition();
    // The same for a scroll bar that moves with every page: cheap whatever
    // other stations write to the controlling index, at the price of lagging
    // a little behind their latest changes (NtxIndex::approxKeyCount).
    std::uint32_t approxKeyCount();
    std::uint32_t approxKeyPosition();
    // Moves to the 1-based position (clamped) and then to the nearest visible record.
    void goToKeyPosition(std::uint32_t position);

    // ---- fields ----
    int fieldCount() const { return static_cast<int>(table_->fields().size()); }
    int fieldIndex(std::string_view name) const { return table_->fieldIndex(name); }
    const FieldDef& field(int i) const { return table_->fields().at(static_cast<size_t>(i)); }
    Value fieldValue(int i) const;
    void fieldValueInto(int i, Value& out) const;  // the same, reusing out's buffer
    Value fieldValue(std::string_view name) const;
    // The field's raw bytes in the current record (memo: the block number text).
    std::string_view fieldBytes(int i) const;
    void setField(int i, const Value& v);
    void setField(std::string_view name, const Value& v);
    // Raw bytes, cut or blank-padded to the field width (not for memo fields).
    void setFieldBytes(int i, std::string_view bytes);

    // ---- records ----
    // Appends a blank record and makes it current. Shared mode: releases the
    // area's other record locks first (unless keepLocks) and leaves the new
    // record locked. Returns false when another process's lock refused the
    // append: nothing was added and the position is unchanged.
    bool append(bool keepLocks = false);
    void deleteRecord();
    void recall();
    // Writes the current record's pending changes and updates the keys, then
    // makes sure everything this area wrote has reached the file.
    void commit();

    // ---- locks (shared mode; all succeed at once in exclusive mode) ----
    bool lock();                              // current record, releasing the others
    bool lockRecord(std::uint32_t recno);     // adds to the locked set
    bool lockFile();
    void unlock();                            // commits, then releases every lock
    void unlockRecord(std::uint32_t recno);
    bool isLocked(std::uint32_t recno) const { return table_->recordLocked(recno); }

    // ---- filter and scope ----
    void setFilter(const std::string& expression);  // empty clears
    const std::string& filterText() const;
    // Keys are encoded for the controlling order; nullopt leaves that side open.
    void setScope(std::optional<Value> low, std::optional<Value> high);
    void clearScope() { setScope(std::nullopt, std::nullopt); }

    // ---- whole-table work (exclusive) ----
    void pack();
    void zap();

    // Checks the table and every open index: header count and file length,
    // one key per record in each index, in order, each equal to its key
    // expression's value. Returns the problems found (empty when sound).
    std::vector<std::string> checkIntegrity();
    // Checks the current record's entries before it is changed: every open
    // order whose condition holds for the record has the record's key (as the
    // record stands on disk) with its record number. A record this area
    // appended and has not committed yet has no entries to check. Returns the
    // problems, each naming the index file (empty when sound); a damaged page
    // on the way is a problem too.
    std::vector<std::string> checkCurrentKeys();

    void close();

    // Evaluates an expression with this area selected (for keys and filters).
    Expression compileHere(const std::string& text) const;

private:
    struct Order {
        std::unique_ptr<NtxIndex> index;
        Expression key;
        KeyFormat format;
        Expression forCondition;  // empty: every record
    };

    void readCurrent();                 // buffer <- disk for recno_ (now)
    // Makes `recno` current: read now (shared mode) or when first needed
    // (exclusive mode). False, changing only recno_, when it lies beyond the end.
    bool land(std::uint32_t recno);
    void load() const;                  // reads a deferred record
    void setEof();
    void beforeMove() { if (dirty_) commitRecord(); }
    void commitRecord();                // pending changes -> file and indexes
    void snapshotKeys();                // old keys before the first change
    void requireWritableRecord(const char* what);
    std::string currentKey(const Order& o);
    bool forHolds(const Order& o);
    bool visible();                     // deleted/filter/scope rules on the current record
    bool keyInScope(std::string_view key) const;
    bool scopeBeyondHigh(std::string_view key) const;
    // Natural order: the first visible record from `from` on / the last one
    // up to `from`, made current; false when there is none.
    bool scanForward(std::uint32_t from);
    bool scanBackward(std::uint32_t from);
    // Moves to the entry, or the first visible one after (before) it, and
    // makes it current; false when there is none. The search walks entry_
    // in place, so moving allocates nothing.
    bool settleForward(std::optional<NtxEntry> e);
    bool settleBackward(std::optional<NtxEntry> e);
    bool settleForwardFromEntry();
    bool settleBackwardFromEntry();
    // The current record's entry in the controlling order (computing its key
    // when not known), or nullptr at EOF or in natural order.
    NtxEntry* currentEntry();
    Order openOrder(std::unique_ptr<NtxIndex> index);

    // One move as a run (WorkArea.cpp); runs nest, the outermost one holds.
    class MoveRun;
    // A hidden entry passed in a run: after every kRunHoldEntries of them the
    // index's read lock is let go for a moment, so that another station
    // waiting to change the index is not held up by a long search.
    void passedInRun();
    static constexpr std::uint32_t kRunHoldEntries = 1024;

    AreaHost& host_;
    int id_;
    std::string alias_;
    std::unique_ptr<DbfTable> table_;
    std::vector<Order> orders_;
    int controlling_ = -1;

    mutable std::string buffer_;
    mutable bool loaded_ = true;        // buffer_ holds recno_'s record (or the blank one at EOF)
    std::uint32_t recno_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    bool found_ = false;
    std::optional<NtxEntry> entry_;  // current entry in the controlling order, when known

    bool dirty_ = false;
    bool appended_ = false;
    std::vector<std::string> oldKeys_;
    std::vector<char> oldFor_;

    int runDepth_ = 0;
    NtxIndex* runIndex_ = nullptr;  // the index whose read lock the run holds
    std::uint32_t runPassed_ = 0;

    Expression filter_;
    std::string filterText_;
    std::optional<std::string> scopeLow_;
    std::optional<std::string> scopeHigh_;
};

}  // namespace mx::rt
