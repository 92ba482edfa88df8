// The screens the configuration buttons start that are built elsewhere: the
// data sheet ("Data Sht"), the configuration list report ("Re&port" of the
// Configurations screen) and the line-item report ("Re&port" of the Formulae
// and Labour screens). One left empty tells the user it is not available yet.
//
// Each is called inside a guarded block with `assembly` selected and on the
// current configuration (for `lineReport`, the configuration whose lines are
// shown); the calling screen's list is refreshed afterwards.
#pragma once

#include <functional>

namespace mx::configurations {

struct ConfigurationLinks {
    std::function<void()> dataSheet{}, report{}, lineReport{};
};

}  // namespace mx::configurations
