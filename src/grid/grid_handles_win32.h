#pragma once
// Owners for the handles the grid makes, so every path releases them.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>

#include "platform/handles_win32.h"

namespace vantorel::grid_handles {

struct GdiDeleter {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
template <typename H>
using UniqueGdi = std::unique_ptr<std::remove_pointer_t<H>, GdiDeleter>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueRegion = UniqueGdi<HRGN>;

struct ImageListDeleter {
  void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;

using vantorel::UniqueIcon;

struct WindowDeleter {
  void operator()(HWND h) const {
    if (IsWindow(h)) DestroyWindow(h);
  }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct DcDeleter {
  void operator()(HDC h) const { DeleteDC(h); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// Selects an object into a DC for a scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Saves a DC's state (clip region, modes) for a scope.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
  ~SavedDc() {
    if (id_) RestoreDC(dc_, id_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC dc_;
  int id_;
};

}  // namespace vantorel::grid_handles
