#include "app/app_state_win32.h"

#include <commctrl.h>

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

}  // namespace vantorel
