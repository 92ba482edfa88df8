// What a work area needs from the session that holds it: the world its
// expressions evaluate against, and the compiling of an expression as if
// the area were selected (so that field names without an alias are its
// own). The session implements it; a work area knows nothing else of it.
#pragma once

#include <string>

#include "ExprHost.h"
#include "Expression.h"

namespace mx::rt {

class AreaHost : public ExprHost {
public:
    // Compiles `text` with area `areaId` selected for the moment; the
    // selection is as before afterwards, whether or not it compiled.
    virtual Expression compileInArea(int areaId, const std::string& text) = 0;
};

}  // namespace mx::rt
