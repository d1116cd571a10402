#include "app/app_state_win32.h"

#include <commctrl.h>

#include "analysis/export_tip_win32.h"

namespace vantorel {

AppState& App() {
  static AppState state;
  return state;
}

void ClearResourceTree() {
  if (App().ResourceTree) TreeView_DeleteAllItems(App().ResourceTree);
}

int LoadLibraryFile(const std::wstring& path) {
  AppState& app = App();
  app.FunctionList.clear();
  app.FunctionList = MakeFunctionList(LoadLibraryFile(app, path, ClearResourceTree));
  return 1;
}

LoadProjectResult LoadProject(const std::wstring& file) {
  AppState& app = App();
  return LoadProject(file, app, app.FunctionList, ClearResourceTree);
}

void ReleaseLibrary() { ReleaseLibrary(App()); }

std::wstring FunctionRowTip(std::int64_t row, const std::wstring& function) {
  if (row < 0) return {};
  return RowTipText(OpenLibraryExports(App()), static_cast<std::size_t>(row), function);
}

}  // namespace vantorel
