#include "cli/headers.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "cheader/header_import.h"

namespace vantorel::cli {

std::vector<CFunction> ImportRunHeaders(CommandRun& run) {
  HeaderImportOptions options;
  for (const std::string& dir : run.options().includeDirs) options.includeDirs.push_back(PathFromArgument(dir));
  std::vector<CFunction> functions;
  for (const std::string& header : run.options().headers) {
    HeaderImport import = ImportHeader(PathFromArgument(header), options);
    if (import.fault != HeaderFault::None) {
      std::string what(DescribeHeaderFault(import.fault));
      if (!import.faultFile.empty() && import.faultFile != header) what += " (" + import.faultFile + ")";
      if (!import.faultDetail.empty()) what += ": " + import.faultDetail;
      run.Fail(header, what + "; nothing taken from it");
      continue;
    }
    std::move(import.functions.begin(), import.functions.end(), std::back_inserter(functions));
  }
  // Stable: of two declarations of one name, the earlier header's stays first.
  std::stable_sort(functions.begin(), functions.end(), [](const CFunction& a, const CFunction& b) { return a.name < b.name; });
  functions.erase(std::unique(functions.begin(), functions.end(),
                              [](const CFunction& a, const CFunction& b) { return a.name == b.name; }),
                  functions.end());
  return functions;
}

}  // namespace vantorel::cli
