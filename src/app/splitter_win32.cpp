#include "app/splitter_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "platform/dpi.h"
#include "platform/window_class_win32.h"

namespace vantorel {

namespace {

constexpr wchar_t kClass[] = L"VantorelSplitter";
// The bar's width at 96 DPI.
constexpr int kBar = 6;

struct Splitter {
  HWND first = nullptr;
  HWND second = nullptr;
  bool sideBySide = true;
  bool separator = false;
  int firstMinimum = 0;
  int secondMinimum = 0;
  int position = 0;
  int bar = kBar;
  bool dragging = false;
  int dragOffset = 0;
};

Splitter* Of(HWND hwnd) { return reinterpret_cast<Splitter*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

int Extent(HWND hwnd, const Splitter& s) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return s.sideBySide ? rc.right : rc.bottom;
}

// The divider within the minimums; when both cannot be met the first wins.
int Clamp(HWND hwnd, const Splitter& s, int position) {
  const int upper = Extent(hwnd, s) - s.bar - s.secondMinimum;
  position = std::min(position, upper);
  return std::max(position, s.firstMinimum);
}

void Layout(HWND hwnd, Splitter& s) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  const int p = Clamp(hwnd, s, s.position);
  if (s.sideBySide) {
    if (s.first) MoveWindow(s.first, 0, 0, std::max(p, 0), rc.bottom, TRUE);
    if (s.second) MoveWindow(s.second, p + s.bar, 0, std::max<int>(rc.right - p - s.bar, 0), rc.bottom, TRUE);
  } else {
    if (s.first) MoveWindow(s.first, 0, 0, rc.right, std::max(p, 0), TRUE);
    if (s.second) MoveWindow(s.second, 0, p + s.bar, rc.right, std::max<int>(rc.bottom - p - s.bar, 0), TRUE);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Notify(HWND hwnd) {
  SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), kSplitterMoved),
               reinterpret_cast<LPARAM>(hwnd));
}

LRESULT CALLBACK SplitterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Splitter* s = Of(hwnd);
  switch (msg) {
    case WM_NCCREATE: {
      auto* created = reinterpret_cast<CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
      break;
    }
    case WM_NCDESTROY:
      // Owned here since CreateSplitter released it into the window.
      std::unique_ptr<Splitter>(s).reset();
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    case WM_SIZE:
      if (s) Layout(hwnd, *s);
      return 0;
    case WM_SETCURSOR:
      if (s && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, s->sideBySide ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      if (s) {
        const int at = s->sideBySide ? GET_X_LPARAM(lp) : GET_Y_LPARAM(lp);
        s->dragging = true;
        s->dragOffset = at - s->position;
        SetCapture(hwnd);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (s && s->dragging) {
        const int at = s->sideBySide ? GET_X_LPARAM(lp) : GET_Y_LPARAM(lp);
        const int p = Clamp(hwnd, *s, at - s->dragOffset);
        if (p != s->position) {
          s->position = p;
          Layout(hwnd, *s);
          Notify(hwnd);
        }
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (s && s->dragging) {
        s->dragging = false;
        if (msg == WM_LBUTTONUP) ReleaseCapture();
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (s && s->separator) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int mid = s->position + s->bar / 2;
        RECT line = s->sideBySide ? RECT{mid - 1, 0, mid + 1, rc.bottom} : RECT{0, mid - 1, rc.right, mid + 1};
        DrawEdge(dc, &line, EDGE_ETCHED, s->sideBySide ? BF_LEFT : BF_TOP);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
      // The parts' children report to whoever owns the splitter.
      return SendMessageW(GetParent(hwnd), msg, wp, lp);
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void RegisterOnce() {
  static const bool registered = RegisterFaceClass(kClass, SplitterProc);
  (void)registered;
}

}  // namespace

HWND CreateSplitter(HWND parent, int id, int x, int y, int width, int height, HWND first, HWND second,
                    bool sideBySide, bool showSeparator) {
  RegisterOnce();
  auto state = std::make_unique<Splitter>();
  state->first = first;
  state->second = second;
  state->sideBySide = sideBySide;
  state->separator = showSeparator;
  state->position = (sideBySide ? width : height) / 2;
  HWND hwnd = CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                              state.get());
  if (!hwnd) return nullptr;
  state.release();  // the window owns it from here (freed on WM_NCDESTROY)
  // A window taken in goes to the top of the order: second first, so the
  // first part comes first when the focus is moved with the keyboard.
  if (second) SetParent(second, hwnd);
  if (first) SetParent(first, hwnd);
  Layout(hwnd, *Of(hwnd));
  return hwnd;
}

void SetSplitterMinimums(HWND splitter, int firstMinimum, int secondMinimum) {
  if (Splitter* s = Of(splitter)) {
    s->firstMinimum = std::max(firstMinimum, 0);
    s->secondMinimum = std::max(secondMinimum, 0);
    Layout(splitter, *s);
  }
}

void SetSplitterPosition(HWND splitter, int position) {
  if (Splitter* s = Of(splitter)) {
    s->position = Clamp(splitter, *s, position);
    Layout(splitter, *s);
    Notify(splitter);
  }
}

void ScaleSplitter(HWND splitter, int fromDpi, int toDpi, int firstMinimum96, int secondMinimum96) {
  Splitter* s = Of(splitter);
  if (!s || fromDpi <= 0 || toDpi <= 0) return;
  s->bar = Scale(kBar, toDpi);
  s->firstMinimum = Scale(std::max(firstMinimum96, 0), toDpi);
  s->secondMinimum = Scale(std::max(secondMinimum96, 0), toDpi);
  // Of the divider's place only its share of the window matters.
  s->position = MulDiv(s->position, toDpi, fromDpi);
  Layout(splitter, *s);
}

int GetSplitterPosition(HWND splitter) {
  const Splitter* s = Of(splitter);
  return s ? s->position : 0;
}

}  // namespace vantorel
