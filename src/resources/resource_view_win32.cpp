#include "resources/resource_view_win32.h"

#include <commctrl.h>

namespace vantorel {

void EnumerateResources(const ResourceViews& views) {
  if (views.hexGrid) views.hexGrid->ClearRows();
  if (views.textView) SetWindowTextW(views.textView, L"");
  if (views.imageView) {
    HANDLE old = reinterpret_cast<HANDLE>(SendMessageW(views.imageView, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (old) DeleteObject(old);
    ShowWindow(views.imageView, SW_HIDE);
  }
  if (views.tree) TreeView_DeleteAllItems(views.tree);
}

}  // namespace vantorel
