#pragma once
// The grid's window properties, named once: "ExGRID_Prop" (on the
// container, the list view and the header: the GridControl),
// "egrid_ListPointer" (on the list view, its editors and tooltips: the
// GridList) and "egrid_OldParentProc" (on the list view's parent: its
// previous procedure). They are set on the windows for anyone to read; the
// grid's own procedures read the same values from a table in the process,
// because reading a property can be a round trip to the window server (it
// is on Wine) and these procedures see every message.
#include <windows.h>

namespace vantorel {

inline constexpr wchar_t kGridProp[] = L"ExGRID_Prop";
inline constexpr wchar_t kListPointerProp[] = L"egrid_ListPointer";
inline constexpr wchar_t kOldParentProcProp[] = L"egrid_OldParentProc";

void SetGridProperty(HWND window, const wchar_t* name, HANDLE value);
void RemoveGridProperty(HWND window, const wchar_t* name);
HANDLE GridProperty(HWND window, const wchar_t* name);

}  // namespace vantorel
