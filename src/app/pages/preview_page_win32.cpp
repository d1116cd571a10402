#include "app/pages/preview_page_win32.h"

#include "app/pages/save_file_win32.h"
#include "codegen/source_file.h"
#include "codegen/source_generator.h"
#include "editor/editor_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

constexpr wchar_t kEmptySource[] = L"The source is empty";

}  // namespace

std::u16string ShowGeneratedSource(const Session& session) {
  // Before the preview editor exists (the first refresh while the window is
  // built) there is nowhere to show the text, and nothing to save: the page
  // makes it when it is first switched to. 65,535 rows take a while.
  if (!GetEditorWindow(kPreviewEditor)) return {};
  std::u16string text = BuildSourceText(session.rows, session.library.path, kEdition, &session.typed);
  SetEditorReadOnly(kPreviewEditor, 0);
  // The undo history goes with each new text: the preview is read-only, so
  // nobody can undo into it, and kept it would hold every text ever shown
  // (a working day of opens adds megabytes).
  SetEditorText(kPreviewEditor, ToWide(text), 1);
  SetEditorReadOnly(kPreviewEditor, 1);
  return text;
}

SaveSourceResult SaveSource(std::u16string_view generated, const std::wstring& libraryPath) {
  if (generated.empty()) {
    ShowError(kEmptySource);
    return SaveSourceResult::Empty;
  }
  const std::wstring defaultName = ToWide(DefaultSourcePath(ToU16(libraryPath)));
  switch (SaveWithRequester(defaultName, kSourceFilter, L"source", [generated] { return EncodeSourceText(generated); })) {
    case SaveOutcome::Saved:
      return SaveSourceResult::Saved;
    case SaveOutcome::Cancelled:
      return SaveSourceResult::Cancelled;
    case SaveOutcome::Failed:
      break;
  }
  return SaveSourceResult::Failed;
}

}  // namespace vantorel
