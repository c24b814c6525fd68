// The list of command families noxsteg-cli knows beside the window's operations.
#include "cli/CommandFamilies.h"

#include <array>

namespace nox::cli {

std::span<const TCommandFamily> CommandFamilies() {
    static const std::array<TCommandFamily, 1> families{{
        {kHiddenUsage, RunHiddenCommand},
    }};
    return families;
}

}  // namespace nox::cli
