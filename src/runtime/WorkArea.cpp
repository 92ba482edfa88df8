#include "WorkArea.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "Error.h"
#include "NumberFormat.h"
#include "Path.h"
#include "Session.h"

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

WorkArea::WorkArea(Session& session, int id, std::string alias, std::unique_ptr<DbfTable> table)
    : session_(session), id_(id), alias_(std::move(alias)), table_(std::move(table)) {
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

Expression WorkArea::compileHere(const std::string& text) const {
    int before = session_.selectedArea();
    session_.selectById(id_);
    try {
        Expression e = Expression::compile(text, session_);
        session_.selectById(before);
        return e;
    } catch (...) {
        session_.selectById(before);
        throw;
    }
}

// ---------------------------------------------------------------- orders

WorkArea::Order WorkArea::openOrder(std::unique_ptr<NtxIndex> index) {
    Order o;
    o.key = compileHere(index->expression());
    if (!index->forExpression().empty()) o.forCondition = compileHere(index->forExpression());
    // The key's type comes from evaluating it; size and decimals from the file.
    std::string saved = buffer_;
    bool savedEof = eof_;
    bool savedLoaded = loaded_;
    buffer_ = table_->blankRecord();
    eof_ = true;
    loaded_ = true;
    Value v;
    try {
        v = o.key.evaluate(session_);
    } catch (...) {
        buffer_ = saved;
        eof_ = savedEof;
        loaded_ = savedLoaded;
        throw;
    }
    buffer_ = saved;
    eof_ = savedEof;
    loaded_ = savedLoaded;
    o.format.type = v.type();
    o.format.size = index->keySize();
    o.format.decimals = index->keyDecimals();
    if (v.type() == ValueType::Nil)
        throw DbError(ErrorKind::BadExpression, index->path(), "key expression gives no value: " + index->expression());
    o.index = std::move(index);
    return o;
}

void WorkArea::addOrder(const std::string& ntxPath) {
    if (orders_.size() >= kMaxOrders) throw DbError(ErrorKind::Usage, ntxPath, "no more than 7 indexes per table");
    std::string real = resolvePath(withDefaultExtension(ntxPath, ".ntx"));
    auto file = File::open(real, table_->mode(), table_->readOnly());
    orders_.push_back(openOrder(NtxIndex::open(std::move(file))));
    if (controlling_ < 0) controlling_ = 0;
}

void WorkArea::createOrder(const std::string& ntxPath, const std::string& keyExpression,
                           const std::string& forExpression, bool unique) {
    if (orders_.size() >= kMaxOrders) throw DbError(ErrorKind::Usage, ntxPath, "no more than 7 indexes per table");
    beforeMove();
    std::string real = resolvePath(withDefaultExtension(ntxPath, ".ntx"));
    Expression key = compileHere(keyExpression);
    Expression cond = forExpression.empty() ? Expression() : compileHere(forExpression);

    std::uint32_t savedRecno = recno_;
    // Key size from a blank record.
    buffer_ = table_->blankRecord();
    loaded_ = true;
    eof_ = true;
    KeyFormat fmt = keyFormatOf(key.evaluate(session_), keyExpression);
    eof_ = false;

    NtxKeyBatch batch;
    std::uint32_t count = table_->recordCount();
    batch.keys.reserve(static_cast<size_t>(count) * static_cast<size_t>(fmt.size));
    batch.recnos.reserve(count);
    const std::uint32_t chunk = std::max<std::uint32_t>(1, (1u << 20) / static_cast<std::uint32_t>(table_->recordLength()));
    std::vector<char> block(static_cast<size_t>(chunk) * static_cast<size_t>(table_->recordLength()));
    const size_t recLen = static_cast<size_t>(table_->recordLength());
    std::vector<char> keyBuf(static_cast<size_t>(fmt.size));
    // A key that is one character field of this table is its bytes: copy
    // them from the block without evaluating anything.
    int directField = -1;
    if (auto slot = key.fieldOnly(); slot && cond.empty() && slot->area == id_) {
        const FieldDef& f = table_->fields().at(static_cast<size_t>(slot->field));
        if (f.type == FieldType::Character && f.length == fmt.size) directField = slot->field;
    }
    Value keyValue, condValue;
    try {
        for (std::uint32_t first = 1; first <= count; first += chunk) {
            std::uint32_t n = table_->readRecords(first, std::min(chunk, count - first + 1), block.data());
            if (n == 0) break;
            if (directField >= 0) {
                const FieldDef& f = table_->fields()[static_cast<size_t>(directField)];
                const size_t at = batch.keys.size();
                batch.keys.resize(at + static_cast<size_t>(n) * static_cast<size_t>(fmt.size));
                for (std::uint32_t i = 0; i < n; ++i) {
                    std::memcpy(batch.keys.data() + at + i * static_cast<size_t>(fmt.size), block.data() + i * recLen + f.offset,
                                static_cast<size_t>(fmt.size));
                    batch.recnos.push_back(first + i);
                }
                continue;
            }
            for (std::uint32_t i = 0; i < n; ++i) {
                std::memcpy(buffer_.data(), block.data() + i * recLen, recLen);
                recno_ = first + i;
                if (!cond.empty()) {
                    cond.evaluateInto(session_, condValue);
                    if (!condValue.isLogical() || !condValue.boolean()) continue;
                }
                key.evaluateInto(session_, keyValue);
                encodeKey(keyValue, fmt, keyBuf.data(), keyExpression);
                batch.keys.insert(batch.keys.end(), keyBuf.begin(), keyBuf.end());
                batch.recnos.push_back(recno_);
            }
        }
    } catch (...) {
        goTo(savedRecno);
        throw;
    }
    NtxCreateInfo info;
    info.expression = keyExpression;
    info.keySize = fmt.size;
    info.keyDecimals = fmt.decimals;
    info.unique = unique;
    info.forExpression = forExpression;
    {
        auto built = NtxIndex::build(File::create(real), info, std::move(batch));
    }
    auto file = File::open(real, table_->mode(), table_->readOnly());
    Order o;
    o.index = NtxIndex::open(std::move(file));
    o.key = std::move(key);
    o.forCondition = std::move(cond);
    o.format = fmt;
    o.format.size = o.index->keySize();
    orders_.push_back(std::move(o));
    controlling_ = static_cast<int>(orders_.size()) - 1;
    entry_.reset();
    goTo(savedRecno);
}

void WorkArea::clearOrders() {
    beforeMove();
    orders_.clear();
    controlling_ = -1;
    entry_.reset();
}

void WorkArea::setOrder(int order) {
    if (order < 0 || order > orderCount())
        throw DbError(ErrorKind::NotFound, alias_, "there is no order " + std::to_string(order));
    controlling_ = order - 1;
    entry_.reset();
}

NtxIndex& WorkArea::orderIndex(int order) {
    if (order < 1 || order > orderCount()) throw DbError(ErrorKind::NotFound, alias_, "there is no order " + std::to_string(order));
    return *orders_[static_cast<size_t>(order - 1)].index;
}

const std::string& WorkArea::orderExpression(int order) const {
    if (order < 1 || order > orderCount()) throw DbError(ErrorKind::NotFound, alias_, "there is no order " + std::to_string(order));
    return orders_[static_cast<size_t>(order - 1)].index->expression();
}

void WorkArea::reindex() {
    beforeMove();
    std::vector<std::tuple<std::string, std::string, std::string, bool>> defs;
    for (auto& o : orders_)
        defs.emplace_back(o.index->path(), o.index->expression(), o.index->forExpression(), o.index->unique());
    int ctl = controlling_;
    orders_.clear();
    controlling_ = -1;
    for (auto& [path, expr, cond, uniq] : defs) createOrder(path, expr, cond, uniq);
    controlling_ = ctl < orderCount() ? ctl : -1;
    entry_.reset();
    goTop();
}

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
    encodeKey(o.key.evaluate(session_), o.format, k.data(), o.index->expression());
    return k;
}

bool WorkArea::forHolds(const Order& o) {
    if (o.forCondition.empty()) return true;
    Value v = o.forCondition.evaluate(session_);
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
    if (session_.settings().deletedHidden && deleted()) return false;
    if (!filter_.empty()) {
        Value v = filter_.evaluate(session_);
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

void WorkArea::skip(long n) {
    beforeMove();
    found_ = false;
    if (n == 0) {
        if (!eof_) readCurrent();
        return;
    }
    bof_ = false;
    if (n > 0) {
        while (n-- > 0 && !eof_) {
            if (controlling_ >= 0) {
                NtxIndex& ix = *orders_[static_cast<size_t>(controlling_)].index;
                NtxEntry* cur = currentEntry();
                if (cur && ix.advance(*cur))
                    settleForwardFromEntry();
                else
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
    bof_ = false;
    found_ = false;
    Order& o = orders_[static_cast<size_t>(controlling_)];
    std::string key = seekKey(value, o.format, o.index->expression());
    bool softSeek = soft.value_or(session_.settings().softSeek);
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

void WorkArea::goToKeyPosition(std::uint32_t position) {
    beforeMove();
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

// ---------------------------------------------------------------- fields

Value WorkArea::fieldValue(int i) const {
    Value v;
    fieldValueInto(i, v);
    return v;
}

void WorkArea::fieldValueInto(int i, Value& out) const {
    const FieldDef& f = table_->fields().at(static_cast<size_t>(i));
    load();
    std::string_view b(buffer_.data() + f.offset, static_cast<size_t>(f.length));
    switch (f.type) {
        case FieldType::Character: out.assignCharacter(b); return;
        case FieldType::Numeric: out.assignNumeric(parseNumber(b), f.length, f.decimals); return;
        case FieldType::Logical: {
            char c = b[0];
            out.assignLogical(c == 'T' || c == 't' || c == 'Y' || c == 'y');
            return;
        }
        case FieldType::Date: out.assignDate(dayFromDtos(b)); return;
        case FieldType::Memo: {
            std::uint32_t block = MemoFile::blockOfField(b, table_->path());
            if (block == 0) {
                out.assignCharacter(std::string_view());
                return;
            }
            MemoFile* m = const_cast<DbfTable&>(*table_).memo();
            if (!m) throwCorrupt(table_->path(), "memo field without memo file");
            out = Value::character(m->read(block));
            return;
        }
    }
    out = Value();
}

Value WorkArea::fieldValue(std::string_view name) const {
    int i = fieldIndex(name);
    if (i < 0) throw DbError(ErrorKind::NotFound, alias_, "no field " + std::string(name));
    return fieldValue(i);
}

std::string_view WorkArea::fieldBytes(int i) const {
    const FieldDef& f = table_->fields().at(static_cast<size_t>(i));
    load();
    return std::string_view(buffer_.data() + f.offset, static_cast<size_t>(f.length));
}

void WorkArea::requireWritableRecord(const char* what) {
    if (table_->readOnly()) throw DbError(ErrorKind::Usage, table_->path(), std::string(what) + ": table is read-only");
    if (eof_) throw DbError(ErrorKind::Usage, table_->path(), std::string(what) + ": no current record (end of file)");
    if (table_->shared() && !table_->recordLocked(recno_))
        throw DbError(ErrorKind::LockRequired, table_->path(), std::string(what) + ": record " + std::to_string(recno_) + " is not locked");
    load();
}

void WorkArea::snapshotKeys() {
    if (dirty_) return;
    load();
    if (!appended_) {
        oldKeys_.clear();
        oldFor_.clear();
        for (const Order& o : orders_) {
            oldKeys_.push_back(currentKey(o));
            oldFor_.push_back(forHolds(o) ? 1 : 0);
        }
    }
    dirty_ = true;
}

void WorkArea::setFieldBytes(int i, std::string_view bytes) {
    requireWritableRecord("field change");
    const FieldDef& f = table_->fields().at(static_cast<size_t>(i));
    if (f.type == FieldType::Memo) throw DbError(ErrorKind::Usage, table_->path(), "memo field " + f.name + " takes text, not bytes");
    snapshotKeys();
    size_t n = std::min(bytes.size(), static_cast<size_t>(f.length));
    std::memcpy(buffer_.data() + f.offset, bytes.data(), n);
    std::memset(buffer_.data() + f.offset + n, ' ', static_cast<size_t>(f.length) - n);
}

void WorkArea::setField(int i, const Value& v) {
    requireWritableRecord("field change");
    const FieldDef& f = table_->fields().at(static_cast<size_t>(i));
    char* dst = buffer_.data() + f.offset;
    auto typeError = [&] {
        throw DbError(ErrorKind::Usage, table_->path(),
                      "field " + f.name + " cannot take a " + valueTypeName(v.type()) + " value");
    };
    switch (f.type) {
        case FieldType::Character: {
            if (!v.isCharacter()) typeError();
            snapshotKeys();
            size_t n = std::min(v.str().size(), static_cast<size_t>(f.length));
            std::memcpy(dst, v.str().data(), n);
            std::memset(dst + n, ' ', static_cast<size_t>(f.length) - n);
            break;
        }
        case FieldType::Numeric: {
            if (!v.isNumeric()) typeError();
            char tmp[256];
            if (!formatNumber(v.num(), f.length, f.decimals, tmp))
                throw DbError(ErrorKind::DataWidth, table_->path(),
                              "value " + std::to_string(v.num()) + " does not fit field " + f.name + " (" +
                                  std::to_string(f.length) + "," + std::to_string(f.decimals) + ")");
            snapshotKeys();
            std::memcpy(dst, tmp, static_cast<size_t>(f.length));
            break;
        }
        case FieldType::Logical:
            if (!v.isLogical()) typeError();
            snapshotKeys();
            *dst = v.boolean() ? 'T' : 'F';
            break;
        case FieldType::Date:
            if (!v.isDate()) typeError();
            snapshotKeys();
            dayToDtos(v.day(), dst);
            break;
        case FieldType::Memo: {
            if (!v.isCharacter()) typeError();
            MemoFile* m = table_->memo();
            if (!m) throwCorrupt(table_->path(), "memo field without memo file");
            snapshotKeys();
            if (v.str().empty()) {
                std::memset(dst, ' ', 10);
            } else {
                std::uint32_t block = m->write(v.str());
                formatNumber(static_cast<double>(block), 10, 0, dst);
            }
            break;
        }
    }
}

void WorkArea::setField(std::string_view name, const Value& v) {
    int i = fieldIndex(name);
    if (i < 0) throw DbError(ErrorKind::NotFound, alias_, "no field " + std::string(name));
    setField(i, v);
}

// ---------------------------------------------------------------- records

bool WorkArea::append(bool keepLocks) {
    beforeMove();
    if (table_->readOnly()) throw DbError(ErrorKind::Usage, table_->path(), "append: table is read-only");
    if (table_->shared() && !keepLocks) {
        for (std::uint32_t r : std::vector<std::uint32_t>(table_->lockedRecords())) table_->unlockRecord(r);
    }
    std::uint32_t recno = table_->appendBlank();
    if (recno == 0) return false;
    recno_ = recno;
    buffer_ = table_->blankRecord();
    loaded_ = true;
    eof_ = false;
    bof_ = false;
    found_ = false;
    entry_.reset();
    appended_ = true;
    dirty_ = true;  // its keys are added at commit
    return true;
}

void WorkArea::deleteRecord() {
    requireWritableRecord("delete");
    snapshotKeys();
    buffer_[0] = '*';
}

void WorkArea::recall() {
    requireWritableRecord("recall");
    snapshotKeys();
    buffer_[0] = ' ';
}

void WorkArea::commit() {
    commitRecord();
    table_->flush();
}

void WorkArea::commitRecord() {
    if (!dirty_ || eof_) {
        dirty_ = false;
        appended_ = false;
        return;
    }
    load();
    table_->writeRecord(recno_, buffer_.data());
    for (size_t i = 0; i < orders_.size(); ++i) {
        Order& o = orders_[i];
        std::string newKey = currentKey(o);
        bool newFor = forHolds(o);
        if (appended_ || i >= oldKeys_.size()) {
            if (newFor) o.index->insert(newKey, recno_);
            continue;
        }
        bool oldFor = oldFor_[i] != 0;
        if (oldFor && newFor) {
            if (oldKeys_[i] != newKey) o.index->replace(oldKeys_[i], newKey, recno_);
        } else if (oldFor) {
            o.index->remove(oldKeys_[i], recno_);
        } else if (newFor) {
            o.index->insert(newKey, recno_);
        }
    }
    dirty_ = false;
    appended_ = false;
    oldKeys_.clear();
    oldFor_.clear();
    entry_.reset();
}

// ---------------------------------------------------------------- locks

bool WorkArea::lock() {
    if (!table_->shared()) return true;
    if (eof_) return false;
    bool held = table_->recordLocked(recno_);
    for (std::uint32_t r : std::vector<std::uint32_t>(table_->lockedRecords()))
        if (r != recno_) table_->unlockRecord(r);
    if (held) return true;
    if (dirty_) commit();
    if (!table_->lockRecord(recno_)) return false;
    // Another station may have changed the record: read it again.
    readCurrent();
    return true;
}

bool WorkArea::lockRecord(std::uint32_t recno) {
    if (!table_->shared()) return true;
    bool ok = table_->lockRecord(recno);
    if (ok && recno == recno_ && !dirty_) readCurrent();
    return ok;
}

bool WorkArea::lockFile() {
    if (!table_->shared()) return true;
    if (dirty_) commit();
    bool ok = table_->lockFile();
    if (ok && !eof_) readCurrent();
    return ok;
}

void WorkArea::unlock() {
    commit();
    table_->unlockAll();
}

void WorkArea::unlockRecord(std::uint32_t recno) {
    if (recno == recno_) commit();
    table_->unlockRecord(recno);
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

std::vector<std::string> WorkArea::checkCurrentKeys() {
    std::vector<std::string> problems;
    if (eof_ || dirty_ || appended_) return problems;
    for (Order& o : orders_) {
        try {
            if (!forHolds(o)) continue;
            const std::string key = currentKey(o);
            if (!o.index->find(key, recno_))
                problems.push_back(o.index->path() + ": no key \"" + key + "\" for record " + std::to_string(recno_) +
                                   ": the index does not match the table");
        } catch (const DbError& e) {
            problems.push_back(e.what());
        }
    }
    return problems;
}

std::vector<std::string> WorkArea::checkIntegrity() {
    beforeMove();
    std::vector<std::string> problems;
    const std::string& p = table_->path();
    std::uint32_t count = table_->recordCount();
    std::uint32_t headerCount = table_->headerCount();
    if (table_->shared() && headerCount != count)
        problems.push_back(p + ": header says " + std::to_string(headerCount) + " records, the file holds " + std::to_string(count));
    std::uint32_t saved = recno_;
    for (size_t i = 0; i < orders_.size(); ++i) {
        Order& o = orders_[i];
        const std::string& ip = o.index->path();
        std::vector<char> seen(static_cast<size_t>(count) + 1, 0);
        std::string prev;
        std::uint32_t entries = 0;
        try {
            o.index->walk([&](const NtxEntry& e) {
                ++entries;
                if (e.recno == 0 || e.recno > count) {
                    problems.push_back(ip + ": entry for record " + std::to_string(e.recno) + " beyond the table's " + std::to_string(count) + " records");
                    return problems.size() < 100;
                }
                if (seen[e.recno]++) problems.push_back(ip + ": record " + std::to_string(e.recno) + " has more than one key");
                if (!prev.empty() && !o.index->descending() && e.key < prev)
                    problems.push_back(ip + ": key of record " + std::to_string(e.recno) + " is out of order");
                prev = e.key;
                recno_ = e.recno;
                readCurrent();
                std::string expect = currentKey(o);
                if (expect != e.key)
                    problems.push_back(ip + ": key of record " + std::to_string(e.recno) + " is \"" + e.key + "\", its record gives \"" + expect + "\"");
                return problems.size() < 100;
            });
        } catch (const DbError& e) {
            problems.push_back(e.what());
            continue;
        }
        for (std::uint32_t r = 1; r <= count && problems.size() < 100; ++r) {
            if (seen[r]) continue;
            recno_ = r;
            readCurrent();
            if (forHolds(o) && !(o.index->unique()))
                problems.push_back(ip + ": record " + std::to_string(r) + " has no key");
        }
    }
    goTo(saved);
    return problems;
}

}  // namespace mx::rt
