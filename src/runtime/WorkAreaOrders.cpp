// A work area's orders: opening and creating index files, the controlling
// order, the rebuild, and the checks of the indexes against the table.
#include "WorkArea.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "Error.h"
#include "Path.h"

namespace mx::rt {

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
        v = o.key.evaluate(host_);
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
    KeyFormat fmt = keyFormatOf(key.evaluate(host_), keyExpression);
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
                    cond.evaluateInto(host_, condValue);
                    if (!condValue.isLogical() || !condValue.boolean()) continue;
                }
                key.evaluateInto(host_, keyValue);
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
