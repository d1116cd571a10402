#include "app/app_state_win32.h"

#include <commctrl.h>

#include "analysis/export_tip_win32.h"
#include "app/open_library_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

AppState& App() {
  static AppState state;
  return state;
}

std::wstring CurrentPath() { return ToWide(App().Session.library.path); }

void ClearResourceTree() {
  if (App().ResourceTree) TreeView_DeleteAllItems(App().ResourceTree);
}

int LoadLibraryFile(const std::wstring& path) {
  AppState& app = App();
  OpenLibrary(app, app.Session, path, ClearResourceTree);
  return 1;
}

LoadProjectResult LoadProject(const std::wstring& file) {
  AppState& app = App();
  return LoadProject(file, app, app.Session, ClearResourceTree);
}

void ReleaseLibrary() {
  ReleaseLibrary(App());
  // The walked table described the mapping that went.
  App().Session.exports.reset();
}

const ExportTable& OpenLibraryExports() {
  AppState& app = App();
  // Without a library: an empty table of the edition's own kind, so rows
  // still get what their names tell.
  if (!app.Session.exports) app.Session.exports = WalkMappedExports(app.LibraryHandle, false);
  return *app.Session.exports;
}

std::wstring FunctionRowTip(std::int64_t row, const std::wstring& function) {
  if (row < 0) return {};
  return RowTipText(OpenLibraryExports(), static_cast<std::size_t>(row), function);
}

}  // namespace vantorel
