// A work area's record buffer: reading fields from it, changing them with
// their keys' old values kept, and appending, deleting and committing
// records.
#include "WorkArea.h"

#include <algorithm>
#include <cstring>

#include "Error.h"
#include "NumberFormat.h"

namespace mx::rt {

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

}  // namespace mx::rt
