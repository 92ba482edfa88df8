// The configuration every sub-screen works on: the `assembly` record under
// the Configurations screen's cursor, read once when the sub-screen opens.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "DataContext.h"
#include "Value.h"

namespace mx::configurations {

struct CurrentConfiguration {
    rt::Value code;         // `CODE` as stored (blank-padded): the `ASSCODE` of its dependents
    std::string desc;       // `DESC`, trimmed
    bool manualPanels = false;     // `MANPANEL`: its lines carry a panel code
    bool secondStructure = false;  // `STYPE2` not empty: its lines offer "Part of Lower:"

    // The current `assembly` record; nullopt when the table is at its end
    // (no configuration under the cursor) or not open.
    static std::optional<CurrentConfiguration> read(ds::DataContext& ctx);

    // A sub-screen's title: `prefix`, the description and " - (ASSEMBLY)".
    QString title(const char* prefix) const;
};

}  // namespace mx::configurations
