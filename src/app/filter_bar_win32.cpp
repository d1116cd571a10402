#include "app/filter_bar_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/dpi.h"
#include "platform/window_class_win32.h"

namespace vantorel {

namespace {

constexpr wchar_t kBarClass[] = L"VantorelFilterBar";

enum : int { kIdEdit = 1, kIdCount, kIdTick, kIdUntick, kIdClose };

// Pixels at 96 DPI, from the bar's left and right edges.
constexpr int kMargin = 0;
constexpr int kGap = 6;
constexpr int kEditWidth = 330;
constexpr int kControlHeight = 22;
constexpr int kTickWidth = 88;
constexpr int kUntickWidth = 96;
constexpr int kCloseWidth = 22;


HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0) {
  HWND child = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (child) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return child;
}

}  // namespace

std::unique_ptr<FilterBar> FilterBar::Create(HWND parent, FilterBarEvents events) {
  static const bool registered = RegisterFaceClass(kBarClass, BarProc);
  if (!registered) return nullptr;
  std::unique_ptr<FilterBar> bar(new FilterBar());
  bar->events_ = std::move(events);
  bar->window = CreateWindowExW(WS_EX_CONTROLPARENT, kBarClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 10,
                                kFilterBarHeight, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!bar->window) return nullptr;
  SetWindowLongPtrW(bar->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar.get()));
  bar->edit = MakeChild(bar->window, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, kIdEdit, WS_EX_CLIENTEDGE);
  bar->count = MakeChild(bar->window, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kIdCount);
  bar->tickButton = MakeChild(bar->window, WC_BUTTONW, L"Tick shown", WS_TABSTOP | BS_PUSHBUTTON, kIdTick);
  bar->untickButton = MakeChild(bar->window, WC_BUTTONW, L"Untick shown", WS_TABSTOP | BS_PUSHBUTTON, kIdUntick);
  bar->closeButton = MakeChild(bar->window, WC_BUTTONW, L"\u00D7", WS_TABSTOP | BS_PUSHBUTTON, kIdClose);
  if (!bar->edit || !bar->count || !bar->tickButton || !bar->untickButton || !bar->closeButton) {
    DestroyWindow(bar->window);
    return nullptr;
  }
  SendMessageW(bar->edit, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(kFilterCue));
  SetWindowSubclass(bar->edit, EditProc, 0, reinterpret_cast<DWORD_PTR>(bar.get()));
  return bar;
}

FilterBar::~FilterBar() {
  if (edit) RemoveWindowSubclass(edit, EditProc, 0);
  if (window && IsWindow(window)) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
}

void FilterBar::Show(bool shown) {
  ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
  if (!shown) return;
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

bool FilterBar::Shown() const { return window && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

int FilterBar::Px(int px96) const { return Scale(px96, dpi_); }

int FilterBar::Height() const { return Px(kFilterBarHeight); }

void FilterBar::SetDpi(int dpi, HFONT font) {
  dpi_ = dpi > 0 ? dpi : 96;
  for (HWND child : {edit, count, tickButton, untickButton, closeButton}) {
    if (child && font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

void FilterBar::Move(int x, int y, int width) {
  MoveWindow(window, x, y, width, Height(), TRUE);
  Arrange(width);
}

void FilterBar::Arrange(int width) {
  const int controlHeight = Px(kControlHeight), gap = Px(kGap), margin = Px(kMargin);
  const int top = (Height() - controlHeight) / 2;
  // The buttons keep their places at the right; the box and the count share
  // what is left, the box first.
  const int closeLeft = width - margin - Px(kCloseWidth);
  const int untickLeft = closeLeft - gap - Px(kUntickWidth);
  const int tickLeft = untickLeft - gap - Px(kTickWidth);
  const int editWidth = std::clamp(tickLeft - gap - margin - Px(120), Px(80), Px(kEditWidth));
  const int countLeft = margin + editWidth + gap;
  MoveWindow(edit, margin, top, editWidth, controlHeight, TRUE);
  MoveWindow(count, countLeft, top, std::max(tickLeft - gap - countLeft, 0), controlHeight, TRUE);
  MoveWindow(tickButton, tickLeft, top - 1, Px(kTickWidth), controlHeight + 2, TRUE);
  MoveWindow(untickButton, untickLeft, top - 1, Px(kUntickWidth), controlHeight + 2, TRUE);
  MoveWindow(closeButton, closeLeft, top, Px(kCloseWidth), controlHeight, TRUE);
}

void FilterBar::SetCount(const std::wstring& text) { SetWindowTextW(count, text.c_str()); }

std::wstring FilterBar::Text() const {
  const int length = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), length + 1)));
  return text;
}

void FilterBar::ClearText() {
  quiet_ = true;
  SetWindowTextW(edit, L"");
  quiet_ = false;
}

LRESULT CALLBACK FilterBar::BarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* bar = reinterpret_cast<FilterBar*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_COMMAND && bar) {
    // Each event is taken from the bar before it runs: a handler may close
    // the bar or open another library.
    switch (LOWORD(wp)) {
      case kIdEdit:
        if (HIWORD(wp) == EN_CHANGE && !bar->quiet_ && bar->events_.textChanged) bar->events_.textChanged(bar->Text());
        return 0;
      case kIdTick:
      case kIdUntick:
        if (HIWORD(wp) != BN_CLICKED) return 0;
        // The box keeps the keyboard: typing goes on, Escape closes.
        SetFocus(bar->edit);
        if (bar->events_.tickShown) bar->events_.tickShown(LOWORD(wp) == kIdTick);
        return 0;
      case kIdClose:
        if (HIWORD(wp) == BN_CLICKED && bar->events_.closed) bar->events_.closed();
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK FilterBar::EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* bar = reinterpret_cast<FilterBar*>(data);
  switch (msg) {
    case WM_GETDLGCODE:
      // Escape and Enter reach the box, not a dialog manager.
      if (lp && (reinterpret_cast<const MSG*>(lp)->wParam == VK_ESCAPE ||
                 reinterpret_cast<const MSG*>(lp)->wParam == VK_RETURN))
        return DLGC_WANTALLKEYS;
      break;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) {
        if (bar->events_.closed) bar->events_.closed();
        return 0;
      }
      break;
    case WM_CHAR:
      // Escape and Enter type nothing into a one-line box (no beep either).
      if (wp == 0x1B || wp == L'\r') return 0;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace vantorel
