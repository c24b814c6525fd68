// The list of command families noxsteg-cli knows beside the window's operations.
#include "cli/CommandFamilies.h"

#include <array>

namespace nox::cli {

std::span<const TCommandFamily> CommandFamilies() {
    static const std::array<TCommandFamily, 3> families{{
        {kInspectUsage, RunInspectCommand},
        {kHiddenUsage, RunHiddenCommand},
        {kAnalyseUsage, RunAnalyseCommand},
    }};
    return families;
}

}  // namespace nox::cli
