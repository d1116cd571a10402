// One library as the user works on it: what is known of its file, its
// walked export table, the rows of the function table and the project they
// came from. The application holds one, the command line makes one per
// library, and both generate and save from it: a grid shows the rows and
// writes every edit back into them, and nothing reads them out of a control.
// Rows are addressed by their position in the table; a view of some of them
// (a filter) maps its lines to those positions.
#pragma once

#include <optional>
#include <string>

#include "analysis/export_table.h"
#include "analysis/version_info.h"
#include "codegen/function_table.h"
#include "codegen/typed_rows.h"

namespace vantorel {

struct Session {
  LibraryInfo library;                 // path (empty: nothing open), size, version strings
  std::optional<ExportTable> exports;  // none until walked: a project's library is walked on first need
  FunctionRows rows;
  TypedPrototypes typed;               // the rows' typed prototypes from an imported header, by export name
  std::u16string projectPath;          // the project file the rows came from; empty for a library opened as one
};

// A freshly opened library: its table walked slot by slot, and one ticked
// row per slot whose name `decode` makes text.
Session OpenedLibrarySession(LibraryInfo library, ExportTable exports, const ExportNameDecoder& decode);

}  // namespace vantorel
