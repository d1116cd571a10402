#pragma once
// The filter bar below the function grid: a box to type a pattern into, the
// count of rows shown, "Tick shown" and "Untick shown", and a close box. It
// only reports what the user does; the Functions page decides what is shown.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace vantorel {

// The bar's height at 96 DPI; the grid gives up this much while it shows.
inline constexpr int kFilterBarHeight = 30;

inline constexpr wchar_t kFilterCue[] = L"Filter: name, alias or comment (* and ? as wildcards)";

struct FilterBarEvents {
  std::function<void(const std::wstring& text)> textChanged;  // every change of the box's text
  std::function<void(bool ticked)> tickShown;                  // "Tick shown" (true) or "Untick shown"
  std::function<void()> closed;                               // Escape in the box or the close box
};

class FilterBar {
 public:
  // Made hidden in parent; null when a window cannot be made.
  static std::unique_ptr<FilterBar> Create(HWND parent, FilterBarEvents events);
  ~FilterBar();
  FilterBar(const FilterBar&) = delete;
  FilterBar& operator=(const FilterBar&) = delete;

  // Shows the bar with the box focused and its text selected, or hides it.
  void Show(bool shown);
  bool Shown() const;
  // The bar at (x, y), `width` wide and kFilterBarHeight high at its DPI.
  void Move(int x, int y, int width);
  // The DPI its sizes are for and the font its controls show (the caller
  // keeps the font alive); laid out again by the next Move.
  void SetDpi(int dpi, HFONT font);
  int Height() const;
  void SetCount(const std::wstring& text);
  std::wstring Text() const;
  // Empties the box without reporting a change.
  void ClearText();

  HWND window = nullptr;
  HWND edit = nullptr;
  HWND count = nullptr;
  HWND tickButton = nullptr;
  HWND untickButton = nullptr;
  HWND closeButton = nullptr;

 private:
  FilterBar() = default;
  static LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  void Arrange(int width);

  int Px(int px96) const;

  FilterBarEvents events_;
  int dpi_ = 96;
  bool quiet_ = false;  // a change made by the program, not typed
};

}  // namespace vantorel
