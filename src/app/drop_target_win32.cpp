#include "app/drop_target_win32.h"

#include <shellapi.h>

#include <string>
#include <utility>
#include <vector>

#include "app/main_window_win32.h"

namespace vantorel {

namespace {

std::vector<std::wstring> PathsOf(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(length);
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace

HRESULT STDMETHODCALLTYPE FileDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  *effect = Effect();
  if (*effect == DROPEFFECT_NONE || !data) return S_OK;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (data->GetData(&format, &medium) != S_OK) return S_OK;
  std::vector<std::wstring> paths = PathsOf(static_cast<HDROP>(medium.hGlobal));
  ReleaseStgMedium(&medium);
  QueueDroppedFiles(std::move(paths));
  return S_OK;
}

DWORD FileDropTarget::Effect() const {
  return acceptable_ && Main().dropsAccepted ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

}  // namespace vantorel
