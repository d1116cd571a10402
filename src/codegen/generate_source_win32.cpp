#include "codegen/generate_source_win32.h"

#include <vector>

#include "platform/text_win32.h"
#include "codegen/function_grid_win32.h"
#include "codegen/source_generator.h"
#include "editor/editor_win32.h"

namespace vantorel {

void GenerateSource(GridControl* grid, const std::wstring& currentPath) {
  // Before the preview editor exists (the first refresh while the window is
  // built) there is nowhere to put the text.
  if (!GetEditorWindow(kPreviewEditor)) return;
  std::vector<SourceRow> rows;
  if (grid) {
    for (const FunctionGridRow& r : ReadFunctionGrid(*grid)) {
      rows.push_back({ToU16(r.alias), ToU16(r.function), ToU16(r.para), ToU16(r.comment), r.ticked, ToU16(r.conv)});
    }
  }
  const std::u16string text = BuildSourceText(rows, ToU16(currentPath));
  SetEditorReadOnly(kPreviewEditor, 0);
  // The undo history goes with each new text: the preview is read-only, so
  // nobody can undo into it, and kept it would hold every text ever shown
  // (a working day of opens adds megabytes).
  SetEditorText(kPreviewEditor, ToWide(text), 1);
  SetEditorReadOnly(kPreviewEditor, 1);
}

}  // namespace vantorel
