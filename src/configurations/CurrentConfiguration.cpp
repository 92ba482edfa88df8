// The configuration under the cursor (see CurrentConfiguration.h).
#include "CurrentConfiguration.h"

#include "Text.h"
#include "TextCodec.h"

namespace mx::configurations {

std::optional<CurrentConfiguration> CurrentConfiguration::read(ds::DataContext& ctx) {
    rt::WorkArea* assembly = ctx.session.area("ASSEMBLY");
    if (!assembly || assembly->eof()) return std::nullopt;
    CurrentConfiguration c;
    c.code = assembly->fieldValue("CODE");
    c.desc = ds::allTrim(assembly->fieldValue("DESC").str());
    c.manualPanels = assembly->fieldValue("MANPANEL").boolean();
    c.secondStructure = !ds::allTrim(assembly->fieldValue("STYPE2").str()).empty();
    return c;
}

QString CurrentConfiguration::title(const char* prefix) const {
    return QString::fromUtf8(prefix) + tk::toQ(desc) + QStringLiteral(" - (ASSEMBLY)");
}

}  // namespace mx::configurations
