// A work area's life and its cursor: opening and closing, the moves in
// record or index order under the deleted setting, the filter and the
// scope, and the operations on the whole table. The orders, the record
// buffer and the locks are in WorkAreaOrders.cpp, WorkAreaBuffer.cpp and
// WorkAreaLocks.cpp.
#include "WorkArea.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Error.h"

namespace mx::rt {

namespace {

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && std::memcmp(s.data(), prefix.data(), prefix.size()) == 0;
}

int comparePrefix(std::string_view key, std::string_view bound) {
    size_t n = std::min(key.size(), bound.size());
    int c = std::memcmp(key.data(), bound.data(), n);
    if (c != 0) return c;
    return key.size() < bound.size() ? -1 : 0;
}

}  // namespace

class WorkArea::MoveRun {
public:
    explicit MoveRun(WorkArea& area) : area_(area) {
        if (area_.runDepth_++ > 0) return;
        area_.runPassed_ = 0;
        area_.table_->beginRun();
        if (area_.controlling_ < 0 || !area_.table_->shared()) return;
        NtxIndex& ix = *area_.orders_[static_cast<size_t>(area_.controlling_)].index;
        try {
            ix.holdRead();
        } catch (...) {
            area_.table_->endRun();
            --area_.runDepth_;
            throw;
        }
        area_.runIndex_ = &ix;
    }
    ~MoveRun() {
        if (--area_.runDepth_ > 0) return;
        area_.table_->endRun();
        if (NtxIndex* ix = std::exchange(area_.runIndex_, nullptr)) {
            try {
                ix->releaseRead();
            } catch (...) {
            }
        }
    }
    MoveRun(const MoveRun&) = delete;
    MoveRun& operator=(const MoveRun&) = delete;

private:
    WorkArea& area_;
};

void WorkArea::passedInRun() {
    if (!runIndex_ || ++runPassed_ < kRunHoldEntries) return;
    runPassed_ = 0;
    NtxIndex* ix = std::exchange(runIndex_, nullptr);
    ix->releaseRead();
    // The index may change now, and with it the records it leads to: what
    // the run read so far is not used after this.
    table_->dropRunBlock();
    ix->holdRead();
    runIndex_ = ix;
}

WorkArea::WorkArea(AreaHost& host, int id, std::string alias, std::unique_ptr<DbfTable> table)
    : host_(host), id_(id), alias_(std::move(alias)), table_(std::move(table)) {
    buffer_ = table_->blankRecord();
    recno_ = table_->knownCount() + 1;
}

WorkArea::~WorkArea() {
    try {
        close();
    } catch (...) {
    }
}

void WorkArea::close() {
    if (!table_) return;
    std::exception_ptr err;
    try {
        if (dirty_) commit();
    } catch (...) {
        err = std::current_exception();
    }
    orders_.clear();
    try {
        table_->close();
    } catch (...) {
        if (!err) err = std::current_exception();
    }
    table_.reset();
    if (err) std::rethrow_exception(err);
}

Expression WorkArea::compileHere(const std::string& text) const { return host_.compileInArea(id_, text); }

// ---------------------------------------------------------------- record buffer

void WorkArea::setEof() {
    recno_ = table_->recordCount() + 1;
    buffer_ = table_->blankRecord();
    loaded_ = true;
    eof_ = true;
    entry_.reset();
}

void WorkArea::readCurrent() {
    loaded_ = true;
    if (!table_->readRecord(recno_, buffer_.data())) {
        setEof();
        return;
    }
    eof_ = false;
}

bool WorkArea::land(std::uint32_t recno) {
    recno_ = recno;
    if (!table_->shared()) {
        // Exclusive: the count is exact and nobody else writes the file.
        if (recno == 0 || recno > table_->knownCount()) return false;
        loaded_ = false;
        eof_ = false;
        return true;
    }
    loaded_ = true;
    if (!table_->readRecord(recno, buffer_.data())) return false;
    eof_ = false;
    return true;
}

void WorkArea::load() const {
    if (loaded_) return;
    if (!table_->readRecord(recno_, buffer_.data()))
        throwCorrupt(table_->path(), "record " + std::to_string(recno_) + " lies beyond the end of the file");
    loaded_ = true;
}

bool WorkArea::deleted() const {
    if (eof_) return false;
    if (!loaded_) return table_->deletedFlag(recno_);
    return buffer_[0] == '*';
}

void WorkArea::goTo(std::uint32_t recno) {
    beforeMove();
    bof_ = false;
    found_ = false;
    entry_.reset();
    std::uint32_t known = table_->knownCount();
    if (recno == 0 || (recno > known && recno > table_->recordCount())) {
        setEof();
        return;
    }
    if (!land(recno)) setEof();
}

std::string WorkArea::currentKey(const Order& o) {
    std::string k(static_cast<size_t>(o.format.size), ' ');
    encodeKey(o.key.evaluate(host_), o.format, k.data(), o.index->expression());
    return k;
}

bool WorkArea::forHolds(const Order& o) {
    if (o.forCondition.empty()) return true;
    Value v = o.forCondition.evaluate(host_);
    return v.isTrue();
}

NtxEntry* WorkArea::currentEntry() {
    if (eof_ || controlling_ < 0) return nullptr;
    if (!entry_ || entry_->recno != recno_) {
        const Order& o = orders_[static_cast<size_t>(controlling_)];
        entry_ = NtxEntry{currentKey(o), recno_};
    }
    return &*entry_;
}

bool WorkArea::keyInScope(std::string_view key) const {
    if (scopeLow_ && comparePrefix(key, *scopeLow_) < 0) return false;
    if (scopeHigh_ && comparePrefix(key, *scopeHigh_) > 0) return false;
    return true;
}

bool WorkArea::scopeBeyondHigh(std::string_view key) const {
    return scopeHigh_ && comparePrefix(key, *scopeHigh_) > 0;
}

bool WorkArea::visible() {
    if (eof_) return false;
    if (host_.settings().deletedHidden && deleted()) return false;
    if (!filter_.empty()) {
        Value v = filter_.evaluate(host_);
        if (!v.isLogical()) throw DbError(ErrorKind::BadExpression, filterText_, "filter does not give a logical value");
        if (!v.boolean()) return false;
    }
    return true;
}

bool WorkArea::settleForward(std::optional<NtxEntry> e) {
    entry_ = std::move(e);
    return settleForwardFromEntry();
}

bool WorkArea::settleBackward(std::optional<NtxEntry> e) {
    entry_ = std::move(e);
    return settleBackwardFromEntry();
}

// entry_ is the first candidate; it walks forwards in place.
bool WorkArea::settleForwardFromEntry() {
    NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
    while (entry_) {
        if (scopeBeyondHigh(entry_->key)) break;
        if (keyInScope(entry_->key) && land(entry_->recno) && visible()) return true;
        passedInRun();
        if (!ix.advance(*entry_)) break;
    }
    setEof();
    return false;
}

bool WorkArea::settleBackwardFromEntry() {
    NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
    while (entry_) {
        if (scopeLow_ && comparePrefix(entry_->key, *scopeLow_) < 0) break;
        if (keyInScope(entry_->key) && land(entry_->recno) && visible()) return true;
        passedInRun();
        if (!ix.retreat(*entry_)) break;
    }
    return false;
}

bool WorkArea::scanForward(std::uint32_t from) {
    // A shared table only ever grows (packing and zapping need it to
    // ourselves), so the count last seen bounds the walk and the file's size
    // is asked again only past it: a skip in record order costs no stat call.
    std::uint32_t count = table_->knownCount();
    for (std::uint32_t r = from;; ++r) {
        if (r > count) {
            count = table_->recordCount();
            if (r > count) break;
        }
        if (!land(r)) {
            setEof();
            return false;
        }
        if (visible()) return true;
    }
    return false;
}

bool WorkArea::scanBackward(std::uint32_t from) {
    for (std::uint32_t r = from; r >= 1; --r) {
        if (land(r)) {
            if (visible()) return true;
        } else {
            setEof();
        }
    }
    return false;
}

void WorkArea::goTop() {
    beforeMove();
    MoveRun run(*this);
    found_ = false;
    bof_ = false;
    if (controlling_ >= 0) {
        NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
        settleForward(scopeLow_ ? ix.seekFirst(*scopeLow_) : ix.first());
    } else if (!scanForward(1)) {
        setEof();
    }
    if (eof_) bof_ = true;
}

void WorkArea::goBottom() {
    beforeMove();
    MoveRun run(*this);
    found_ = false;
    bof_ = false;
    bool ok = false;
    if (controlling_ >= 0) {
        NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
        std::optional<NtxEntry> e;
        if (scopeHigh_) {
            e = ix.seekLast(*scopeHigh_);
            if (!e) {
                auto after = ix.seekFirst(*scopeHigh_);
                e = after ? ix.prev(*after) : ix.last();
            }
        } else {
            e = ix.last();
        }
        ok = settleBackward(e);
    } else {
        ok = scanBackward(table_->recordCount());
    }
    if (!ok) {
        setEof();
        bof_ = true;
    }
}

namespace {
// How many entries ahead a walk in index order fetches the record it will
// land on: far enough for the memory to arrive before the walk does.
constexpr int kReadAhead = 2;
}  // namespace

void WorkArea::skip(long n) {
    beforeMove();
    found_ = false;
    if (n == 0) {
        if (!eof_) readCurrent();
        return;
    }
    bof_ = false;
    MoveRun run(*this);
    if (n > 0) {
        while (n-- > 0 && !eof_) {
            if (controlling_ >= 0) {
                NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
                NtxEntry* cur = currentEntry();
                if (cur && ix.advance(*cur)) {
                    settleForwardFromEntry();
                    table_->prefetchRecord(ix.recnoAhead(kReadAhead));
                } else
                    setEof();
            } else if (!scanForward(recno_ + 1)) {
                setEof();
            }
        }
        return;
    }
    while (n++ < 0) {
        std::uint32_t from = recno_;
        bool wasEof = eof_;
        bool ok = false;
        if (wasEof) {
            goBottom();
            if (eof_) {
                bof_ = true;
                return;
            }
            continue;
        }
        if (controlling_ >= 0) {
            NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
            NtxEntry* cur = currentEntry();
            ok = cur && ix.retreat(*cur) && settleBackwardFromEntry();
        } else {
            ok = from > 1 && scanBackward(from - 1);
        }
        if (!ok) {
            // Before the first visible record: stay on it with BOF set.
            goTop();
            bof_ = true;
            return;
        }
    }
}

bool WorkArea::seek(const Value& value, std::optional<bool> soft, bool last) {
    if (controlling_ < 0) throw DbError(ErrorKind::Usage, alias_, "seek needs a controlling index");
    beforeMove();
    MoveRun run(*this);
    bof_ = false;
    found_ = false;
    Order& o = orders_[static_cast<size_t>(controlling_)];
    std::string key = seekKey(value, o.format, o.index->expression());
    bool softSeek = soft.value_or(host_.settings().softSeek);
    if (last) {
        auto e = o.index->seekLast(key);
        if (e && settleBackward(e) && startsWith(entry_->key, key)) {
            found_ = true;
            return true;
        }
        // Nothing visible matches: the forward rule below places the cursor.
    }
    auto e = o.index->seekFirst(key);
    bool ok = settleForward(e);
    if (ok && startsWith(entry_->key, key)) {
        found_ = true;
        return true;
    }
    if (ok && !softSeek) setEof();
    return false;
}

std::uint32_t WorkArea::keyCount() {
    if (controlling_ >= 0) return orders_[static_cast<size_t>(controlling_)].index->keyCount();
    return table_->recordCount();
}

std::uint32_t WorkArea::keyPosition() {
    if (eof_) return 0;
    if (controlling_ >= 0) {
        NtxEntry* cur = currentEntry();
        NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
        if (!cur || !ix.find(cur->key, cur->recno)) return 0;
        return ix.keyPosition(*cur);
    }
    return recno_;
}

std::uint32_t WorkArea::approxKeyCount() {
    if (controlling_ >= 0) return orders_[static_cast<size_t>(controlling_)].index->approxKeyCount();
    return table_->recordCount();
}

std::uint32_t WorkArea::approxKeyPosition() {
    if (eof_) return 0;
    if (controlling_ >= 0) {
        NtxEntry* cur = currentEntry();
        return cur ? orders_[static_cast<size_t>(controlling_)].index->approxKeyPosition(*cur) : 0;
    }
    return recno_;
}

void WorkArea::goToKeyPosition(std::uint32_t position) {
    beforeMove();
    MoveRun run(*this);
    bof_ = false;
    found_ = false;
    std::uint32_t count = keyCount();
    if (count == 0) {
        goTop();
        return;
    }
    position = std::clamp<std::uint32_t>(position, 1, count);
    if (controlling_ >= 0) {
        auto e = orders_[static_cast<size_t>(controlling_)].index->entryAt(position);
        if (!settleForward(e)) goBottom();
        return;
    }
    if (!land(position)) setEof();
    if (!visible()) {
        skip(1);
        if (eof_) goBottom();
    }
}

// ---------------------------------------------------------------- filter and scope

void WorkArea::setFilter(const std::string& expression) {
    if (expression.empty()) {
        filter_ = Expression();
        filterText_.clear();
        return;
    }
    Expression e = compileHere(expression);
    filter_ = std::move(e);
    filterText_ = expression;
}

const std::string& WorkArea::filterText() const { return filterText_; }

void WorkArea::setScope(std::optional<Value> low, std::optional<Value> high) {
    scopeLow_.reset();
    scopeHigh_.reset();
    if (!low && !high) return;
    if (controlling_ < 0) throw DbError(ErrorKind::Usage, alias_, "a scope needs a controlling index");
    const Order& o = orders_[static_cast<size_t>(controlling_)];
    if (low) scopeLow_ = seekKey(*low, o.format, o.index->expression());
    if (high) scopeHigh_ = seekKey(*high, o.format, o.index->expression());
}

// ---------------------------------------------------------------- whole table

void WorkArea::pack() {
    beforeMove();
    table_->pack();
    reindex();
}

void WorkArea::zap() {
    beforeMove();
    table_->zap();
    for (Order& o : orders_) o.index->clear();
    setEof();
    bof_ = true;
}

}  // namespace mx::rt
