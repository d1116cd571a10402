// The command table: the commands' texts, the menu and toolbar that
// offer them, their icons, and what each one does.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "app/app_state_win32.h"
#include "app/header_import_win32.h"
#include "app/icons_win32.h"
#include "app/link_label_win32.h"
#include "app/main_window_parts_win32.h"
#include "app/pages/preview_page_win32.h"
#include "app/pages/resource_page_win32.h"
#include "app/project_win32.h"
#include "platform/dib_win32.h"
#include "platform/icon_strip_win32.h"
#include "platform/launcher_win32.h"

namespace vantorel {

namespace main_window_parts {

namespace {

struct CommandText {
  int id;
  const wchar_t* menu;
  const wchar_t* tooltip;
};
constexpr CommandText kCommands[] = {
    {CmdNewInstance, L"New", L"New Instance"}, {CmdOpenLibrary, L"Open", L"Open DLL"},
    {CmdOpenProject, L"Open Project", L"Open Project"}, {CmdSave, L"Save", L""},
    {CmdAbout, L"About", L"About Vantorel"}, {CmdExit, L"Exit", L"Quit Vantorel"},
    {CmdImportHeader, L"Import Header\u2026", L"Import Header"},
    {CmdIncludeFolders, L"Header Include Folders\u2026", L"Header Include Folders"},
};

void AppendCommand(HMENU menu, int id) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP;
  item.wID = static_cast<UINT>(id);
  item.dwTypeData = const_cast<wchar_t*>(kCommands[id].menu);
  // The icon is drawn by the window (WM_DRAWITEM), whatever the menu theme.
  item.hbmpItem = HBMMENU_CALLBACK;
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item);
}

// A disabled command's icon: its pixels in grey at half strength.
void DrawDisabledIcon(HDC dc, int x, int y, HICON icon, int side) {
  void* bits = nullptr;
  HBITMAP dib = CreateTopDownDib32(dc, side, side, &bits);
  if (!dib) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, dib);
  DrawIconEx(memory, 0, 0, icon, side, side, 0, nullptr, DI_NORMAL);
  auto* px = static_cast<std::uint8_t*>(bits);
  for (int i = 0; i < side * side; ++i, px += 4) {
    // Premultiplied grey, half as opaque as the original pixel.
    const int alpha = px[3] / 2;
    const int grey = (px[0] * 11 + px[1] * 59 + px[2] * 30) / 100;
    const int shown = (grey / 2 + 96) * alpha / 255;
    px[0] = px[1] = px[2] = static_cast<std::uint8_t>(std::min(shown, alpha));
    px[3] = static_cast<std::uint8_t>(alpha);
  }
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, x, y, side, side, memory, 0, 0, side, side, blend);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
}

}  // namespace

HMENU BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  HMENU edit = CreatePopupMenu();
  HMENU help = CreatePopupMenu();
  if (!bar || !file || !edit || !help) {
    for (HMENU menu : {bar, file, edit, help})
      if (menu) DestroyMenu(menu);
    return nullptr;
  }
  AppendCommand(file, CmdNewInstance);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendCommand(file, CmdOpenLibrary);
  AppendCommand(file, CmdOpenProject);
  AppendCommand(file, CmdImportHeader);
  AppendCommand(file, CmdIncludeFolders);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendCommand(file, CmdSave);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendCommand(file, CmdExit);
  AppendCommand(help, CmdAbout);
  AppendMenuW(edit, MF_STRING, CmdFind, L"&Find\u2026\tCtrl+F");
  AppendMenuW(edit, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(edit, MF_STRING, CmdTickShown, L"Tick Shown");
  AppendMenuW(edit, MF_STRING, CmdUntickShown, L"Untick Shown");
  AppendMenuW(edit, MF_STRING, CmdShowAll, L"Show All");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  EnableMenuItem(bar, CmdSave, MF_BYCOMMAND | MF_GRAYED);
  return bar;
}

HACCEL BuildAccelerators() {
  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'F', CmdFind}};
  return CreateAcceleratorTableW(keys, 1);
}

HWND BuildToolbar(HWND parent) {
  HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(kIdToolbar), GetModuleHandleW(nullptr), nullptr);
  if (!bar) return nullptr;
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SetToolbarImages(bar);
  auto button = [](int id) {
    TBBUTTON b{};
    b.iBitmap = id;
    b.idCommand = id;
    b.fsState = static_cast<BYTE>(id == CmdSave ? 0 : TBSTATE_ENABLED);
    b.fsStyle = BTNS_BUTTON;
    return b;
  };
  TBBUTTON separator{};
  separator.fsStyle = BTNS_SEP;
  const TBBUTTON buttons[] = {button(CmdNewInstance), separator, button(CmdOpenLibrary), button(CmdOpenProject),
                              button(CmdImportHeader), separator, button(CmdSave), separator, button(CmdAbout), separator,
                              button(CmdExit)};
  SendMessageW(bar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  SendMessageW(bar, TB_AUTOSIZE, 0, 0);
  return bar;
}

void SetToolbarImages(HWND bar) {
  MainWindow& m = Main();
  const int side = CommandIconSide();
  HIMAGELIST images = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, kCommandCount, 0);
  // One strip when every command has a 32-bit image of this side.
  const auto strip = CommandIconPixels(side);
  if (!strip || !AddIconStrip(images, *strip)) {
    for (int id = 0; id < kCommandCount; ++id) ImageList_AddIcon(images, CommandIcon(id));
  }
  SendMessageW(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  // The buttons grow with their images; the old list goes once it is let go.
  SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(side, side));
  if (m.toolbarImages) ImageList_Destroy(m.toolbarImages);
  m.toolbarImages = images;
}

const wchar_t* CommandTooltip(int id) {
  return id == CmdSave ? Main().saveTooltip.c_str() : kCommands[id].tooltip;
}

void DrawMenuIcon(const DRAWITEMSTRUCT& item) {
  const UINT id = item.itemID;
  if (id >= static_cast<UINT>(kCommandCount)) return;
  HICON icon = CommandIcon(static_cast<int>(id));
  if (!icon) return;
  const int side = CommandIconSide();
  const int x = item.rcItem.left + Px(2);
  const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - side) / 2;
  if (item.itemState & (ODS_GRAYED | ODS_DISABLED)) {
    DrawDisabledIcon(item.hDC, x, y, icon, side);
  } else {
    DrawIconEx(item.hDC, x, y, icon, side, side, 0, nullptr, DI_NORMAL);
  }
}

void EndLoop() { PostQuitMessage(0); }

}  // namespace main_window_parts

using namespace main_window_parts;

void UpdateSaveCommand(bool enabled, const std::wstring& tooltip) {
  MainWindow& m = Main();
  m.saveEnabled = enabled;
  m.saveTooltip = enabled ? tooltip : std::wstring();
  if (m.menu) EnableMenuItem(m.menu, CmdSave, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  if (m.toolbar) SendMessageW(m.toolbar, TB_ENABLEBUTTON, CmdSave, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void RunCommand(int id) {
  switch (id) {
    case CmdNewInstance:
      CurrentLauncher().StartCopy(L"");
      break;
    case CmdOpenLibrary:
      EndFunctionGridEdit();
      LoadLibraryFile(L"");
      RefreshMainView();
      EnumerateResources(Views());
      break;
    case CmdOpenProject:
      EndFunctionGridEdit();
      LoadProject(L"");
      RefreshMainView();
      EnumerateResources(Views());
      break;
    case CmdSave:
      if (CurrentTab() == kFunctionsTab) {
        EndFunctionGridEdit();
        SaveProject(App().Session);
      }
      // The text the preview shows, made when the page was switched to.
      if (CurrentTab() == kPreviewTab) SaveSource(App().GeneratedSource, CurrentPath());
      break;
    case CmdImportHeader:
      ImportHeaderFile(L"");
      break;
    case CmdIncludeFolders:
      EditIncludeFolders();
      break;
    case CmdAbout:
      ShowAbout(Main().window);
      break;
    case CmdExit:
      EndLoop();
      break;
    case CmdFind:
      OpenFunctionFilter();
      break;
    case CmdTickShown:
    case CmdUntickShown:
      TickShownFunctions(id == CmdTickShown);
      break;
    case CmdShowAll:
      CloseFunctionFilter();
      break;
    default:
      break;
  }
}

}  // namespace vantorel
