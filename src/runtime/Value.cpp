#include "Value.h"

namespace mx::rt {

const char* valueTypeName(ValueType type) {
    switch (type) {
        case ValueType::Nil: return "nil";
        case ValueType::Character: return "character";
        case ValueType::Numeric: return "numeric";
        case ValueType::Logical: return "logical";
        case ValueType::Date: return "date";
    }
    return "?";
}

bool Value::operator==(const Value& o) const {
    if (type_ != o.type_) return false;
    switch (type_) {
        case ValueType::Nil: return true;
        case ValueType::Character: return str_ == o.str_;
        case ValueType::Numeric: return num_ == o.num_;
        case ValueType::Logical: return bool_ == o.bool_;
        case ValueType::Date: return day_ == o.day_;
    }
    return false;
}

}  // namespace mx::rt
