// The C headers named with --header, read once for a whole run; each
// library's rows take them with ApplyDeclarations.
#pragma once

#include <vector>

#include "cheader/c_declarations.h"
#include "cli/run.h"

namespace vantorel::cli {

// Every function the headers declare, sorted by name; the first header that
// declares a name gives it. A header that cannot be read or parsed is told
// through run.Fail and adds nothing.
std::vector<CFunction> ImportRunHeaders(CommandRun& run);

}  // namespace vantorel::cli
