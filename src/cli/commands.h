// The four commands, each over one run of the command line.
#pragma once

#include <string>
#include <vector>

#include "cli/run.h"
#include "codegen/row_filter.h"

namespace vantorel::cli {

// Every export slot of each library: a table, or JSON with --json.
void RunExports(CommandRun& run);
// The loader source of each library, as the window's Save Source writes it.
void RunSource(CommandRun& run);
// The project file of a freshly opened library.
void RunProject(CommandRun& run);
// The PE check's verdict, machine, size, SHA-1 and version strings.
void RunInfo(CommandRun& run);

// The filter of --filter, --only or --except patterns (none: every row).
RowFilter PatternFilter(const std::vector<std::string>& patterns);

}  // namespace vantorel::cli
