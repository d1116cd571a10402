// The main window at other DPIs: every size of its layout scales by the
// DPI / 96, no text of the header, the hex dump or the status bar is cut,
// and a DPI change on a live window lays it out again.
//
// Wine takes the display's DPI from HKCU\Control Panel\Desktop\LogPixels
// when a process starts: the 144-DPI side runs in a child process started
// with that value set (the test runs alone, as the value reaches every
// process started meanwhile).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Scintilla.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/splitter_win32.h"
#include "main_window_fixture.h"
#include "platform/dpi_win32.h"
#include "app/link_label_win32.h"
#include "test_support.h"

namespace vantorel {
namespace {

using Sizes = std::map<std::string, int>;

RECT InParent(HWND child) {
  RECT rc{};
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

int TextWidth(HWND control, const std::wstring& text, HFONT font = nullptr) {
  if (!font) font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

// Every size the layout gives at 96 DPI in pixels, measured on the window.
Sizes MeasureSizes() {
  MainWindow& m = Main();
  Sizes s;
  RECT rc;
  GetClientRect(m.window, &rc);
  s["client.width"] = rc.right;
  s["client.height"] = rc.bottom;
  GridControl& grid = *m.functionGrid;
  rc = InParent(grid.GetWindow());
  s["grid.left"] = rc.left;
  s["grid.top"] = rc.top;
  s["grid.narrowerThanPanel"] = InParent(m.tabPanel).right - InParent(m.tabPanel).left - (rc.right - rc.left);
  s["grid.stripWidthAndGap"] = InParent(grid.listWindow).left;
  RECT item{};
  ListView_GetItemRect(grid.listWindow, 0, &item, LVIR_BOUNDS);
  s["grid.rowHeight"] = item.bottom - item.top;
  GetWindowRect(grid.headerWindow, &rc);
  s["grid.headerHeight"] = rc.bottom - rc.top;
  int side = 0, unused = 0;
  ImageList_GetIconSize(grid.images.get(), &side, &unused);
  s["grid.stripIcon"] = side;
  for (int c = 1; c <= 5; ++c) s["grid.column" + std::to_string(c)] = ListView_GetColumnWidth(grid.listWindow, c);
  for (int part = 0; part < 3; ++part) {
    SendMessageW(m.status, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rc));
    s["status.edge" + std::to_string(part)] = rc.right;
  }
  rc = InParent(m.linkContainer);
  s["link.left"] = rc.left;
  s["link.top"] = rc.top;
  s["link.width"] = rc.right - rc.left;
  s["link.height"] = rc.bottom - rc.top;
  ImageList_GetIconSize(m.toolbarImages, &side, &unused);
  s["toolbar.icon"] = side;
  rc = InParent(m.editor);
  s["editor.left"] = rc.left;
  s["editor.top"] = rc.top;
  s["editor.foldMargin"] = static_cast<int>(SendMessageW(m.editor, SCI_GETMARGINWIDTHN, 2, 0));
  s["splitter.tree"] = GetSplitterPosition(m.mainSplitter);
  s["splitter.hexDump"] = GetSplitterPosition(m.resourceSplitter);
  rc = InParent(m.resourceSplitter);
  s["splitter.bar"] = rc.left - GetSplitterPosition(m.mainSplitter);
  MEASUREITEMSTRUCT menuItem{};
  menuItem.CtlType = ODT_MENU;
  SendMessageW(m.window, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&menuItem));
  s["menu.iconWidth"] = static_cast<int>(menuItem.itemWidth);
  return s;
}

// Texts the window shows that do not fit their place, each with what it
// needs and has; empty when all fit.
std::vector<std::string> ClippedTexts() {
  MainWindow& m = Main();
  std::vector<std::string> clipped;
  auto check = [&clipped](const std::string& what, int needed, int room) {
    if (needed > room) clipped.push_back(what + " needs " + std::to_string(needed) + " has " + std::to_string(room));
  };
  const int dpi = m.dpi;
  // Column titles: the header's font and the grid's inset on both sides.
  for (GridControl* grid : {m.functionGrid.get(), m.hexGrid.get()}) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(grid->headerWindow, WM_GETFONT, 0, 0));
    for (int c = 0; c < Header_GetItemCount(grid->headerWindow); ++c) {
      wchar_t title[64] = {};
      HDITEMW item{};
      item.mask = HDI_TEXT | HDI_WIDTH;
      item.pszText = title;
      item.cchTextMax = 64;
      Header_GetItem(grid->headerWindow, c, &item);
      if (!title[0] || c == Header_GetItemCount(grid->headerWindow) - 1) continue;
      check("title " + Narrow(title), TextWidth(grid->headerWindow, title, font) + 2 * Scale(6, dpi), item.cxy);
    }
  }
  // A hex dump row at its widest, in the dump's font, inside the cells'
  // insets (4 pixels each side at 96 DPI).
  GridControl& hex = *m.hexGrid;
  std::wstring bytes;
  for (int b = 0; b < 16; ++b) bytes += b ? L" FF" : L"FF";
  const std::wstring texts[] = {L"0000FFF0H:", bytes, std::wstring(16, L'W')};
  for (int c = 0; c < 3; ++c) {
    check("hex column " + std::to_string(c), TextWidth(hex.listWindow, texts[c], m.hexFont) + 2 * Scale(4, dpi),
          ListView_GetColumnWidth(hex.listWindow, c + 1));
  }
  // A whole row in sight beside the tree, with room for the rows' scroll bar.
  RECT list{};
  GetClientRect(hex.listWindow, &list);
  if (!(GetWindowLongPtrW(hex.listWindow, GWL_STYLE) & WS_VSCROLL)) list.right -= GetSystemMetrics(SM_CXVSCROLL);
  int row = 0;
  for (int c = 1; c <= 3; ++c) row += ListView_GetColumnWidth(hex.listWindow, c);
  check("hex row", row, list.right);
  // Status fields: their text in the bar's font inside the field's borders.
  for (int part = 1; part < 4; ++part) {
    wchar_t text[256] = {};
    SendMessageW(m.status, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    RECT rc{};
    SendMessageW(m.status, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rc));
    std::wstring shown = text[0] == L'\t' ? text + 1 : text;
    if (part == 3) continue;  // the last field runs to the window's edge
    check("status " + std::to_string(part) + " " + Narrow(shown), TextWidth(m.status, shown) + Scale(4, dpi),
          rc.right - rc.left);
  }
  RECT label{};
  GetClientRect(m.linkLabel, &label);
  check("link label", TextWidth(m.linkLabel, kProjectAddress), label.right);
  return clipped;
}

std::string FactsText(const Sizes& sizes, const std::vector<std::string>& clipped, int dpi) {
  std::ostringstream out;
  out << "dpi " << dpi << "\n";
  for (const auto& [name, value] : sizes) out << name << " " << value << "\n";
  for (const auto& c : clipped) out << "clipped " << c << "\n";
  return out.str();
}

struct Facts {
  int dpi = 0;
  Sizes sizes;
  std::vector<std::string> clipped;
};

Facts ParseFacts(const std::string& text) {
  Facts facts;
  std::istringstream in(text);
  std::string name;
  while (in >> name) {
    if (name == "clipped") {
      std::string rest;
      std::getline(in, rest);
      facts.clipped.push_back(rest);
    } else if (name == "dpi") {
      in >> facts.dpi;
    } else {
      in >> facts.sizes[name];
    }
  }
  return facts;
}

// The window as a user sees it with a library open.
class DpiWindow : public testing::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    LoadLibraryFile(testing::kWineLibraries + L"\\kernel32.dll");
    RefreshMainView();
  }
};

// The sizes at one DPI are the sizes at 96 scaled, each within one pixel.
void ExpectScaled(const Sizes& at96, const Sizes& scaled, int dpi) {
  for (const auto& [name, value] : at96) {
    ASSERT_TRUE(scaled.contains(name)) << name;
    EXPECT_LE(std::abs(scaled.at(name) - Scale(value, dpi)), 1)
        << name << ": " << scaled.at(name) << " at " << dpi << " DPI, " << value << " at 96";
  }
}

constexpr wchar_t kFactsVariable[] = L"VANTOREL_DPI_FACTS";

// Sets LogPixels for the processes started while it lives.
class LogPixels {
 public:
  explicit LogPixels(DWORD dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                    nullptr);
    DWORD size = sizeof old_;
    had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
           ERROR_SUCCESS;
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~LogPixels() {
    if (had_) {
      RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    } else {
      RegDeleteValueW(key_, L"LogPixels");
    }
    RegCloseKey(key_);
  }
  LogPixels(const LogPixels&) = delete;
  LogPixels& operator=(const LogPixels&) = delete;

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
};

// Run by DpiLayout in a process of its own, at the DPI it was started with.
TEST_F(DpiWindow, ReportFactsToParent) {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(kFactsVariable, path, MAX_PATH)) GTEST_SKIP() << "run by DpiLayout only";
  std::ofstream(std::filesystem::path(path), std::ios::binary) << FactsText(MeasureSizes(), ClippedTexts(), WindowDpi(Main().window));
}

TEST_F(DpiWindow, At144EverySizeIsOneAndAHalfTimesThatAt96AndNoTextIsCut) {
  ASSERT_EQ(SystemDpi(), 96);
  const Sizes at96 = MeasureSizes();
  EXPECT_EQ(ClippedTexts(), std::vector<std::string>{});
  EXPECT_EQ(at96.at("client.width"), 820);
  EXPECT_EQ(at96.at("client.height"), 560);

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"vantorel_dpi_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  DeleteFileW(path.c_str());
  SetEnvironmentVariableW(kFactsVariable, path.c_str());
  DWORD exit = STILL_ACTIVE;
  {
    LogPixels at(144);
    const testing::Started child = testing::StartProcess(self, L"--gtest_filter=DpiWindow.ReportFactsToParent");
    SetEnvironmentVariableW(kFactsVariable, nullptr);
    ASSERT_NE(child.process, nullptr);
    exit = testing::WaitForExit(child.process, 60000);
    CloseHandle(child.process);
  }
  EXPECT_EQ(exit, 0u);
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  const Facts facts = ParseFacts(std::string(std::istreambuf_iterator<char>(in), {}));
  in.close();
  DeleteFileW(path.c_str());
  ASSERT_EQ(facts.dpi, 144) << "Wine did not take LogPixels";
  ExpectScaled(at96, facts.sizes, 144);
  EXPECT_EQ(facts.clipped, std::vector<std::string>{});
}

// WM_DPICHANGED as the system sends it: the new DPI and the window's
// rectangle for it.
void ChangeDpi(int dpi) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(Main().window, GWL_STYLE));
  RECT frame{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, style, TRUE, 0);
  RECT at{};
  GetWindowRect(Main().window, &at);
  RECT suggested{at.left, at.top, at.left + frame.right - frame.left, at.top + frame.bottom - frame.top};
  SendMessageW(Main().window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

TEST_F(DpiWindow, DpiChangesLayEverythingOutAgainAndTheGridKeepsItsPlace) {
  GridControl& grid = *Main().functionGrid;
  ASSERT_GT(grid.GetRowCount(), 100);
  grid.SetCurrentCell(1, 60, 0);
  ListView_EnsureVisible(grid.listWindow, 90, FALSE);
  const int top = ListView_GetTopIndex(grid.listWindow);
  ASSERT_GT(top, 0);
  const std::int64_t rows = grid.GetRowCount();
  ASSERT_EQ(grid.GetCurrentRow(), 60);
  const Sizes at96 = MeasureSizes();

  ChangeDpi(144);
  const Sizes at144 = MeasureSizes();
  ExpectScaled(at96, at144, 144);
  EXPECT_EQ(ClippedTexts(), std::vector<std::string>{});
  EXPECT_EQ(grid.GetRowCount(), rows);
  EXPECT_EQ(grid.GetCurrentRow(), 60);
  EXPECT_EQ(grid.GetCurrentColumn(), 1);
  EXPECT_EQ(ListView_GetTopIndex(grid.listWindow), top);
  // The command icons come from their 24-pixel images, not from 16 stretched.
  for (const auto& icon : Main().commandIcons) {
    ICONINFO info{};
    ASSERT_TRUE(icon && GetIconInfo(icon.get(), &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 24);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }

  ChangeDpi(96);
  EXPECT_EQ(MeasureSizes(), at96);
  EXPECT_EQ(grid.GetCurrentRow(), 60);
  EXPECT_EQ(ListView_GetTopIndex(grid.listWindow), top);
}

}  // namespace
}  // namespace vantorel
