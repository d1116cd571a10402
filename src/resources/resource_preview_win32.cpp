#include "resources/resource_preview_win32.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/readable_memory_win32.h"

namespace vantorel {

namespace {

constexpr wchar_t kMenuPreviewClass[] = L"VantorelMenuPreview";
constexpr int kMenuPreviewWidth = 450;
constexpr int kMenuPreviewHeight = 50;
constexpr UINT kBringToFront = WM_APP + 1;

HWND menuPreview = nullptr;
HWND dialogPreview = nullptr;

HMODULE Library() {
  const LibraryState* library = ResourceLibrary();
  return library ? reinterpret_cast<HMODULE>(library->ModuleBase) : nullptr;
}

bool LibraryLoaded() {
  const LibraryState* library = ResourceLibrary();
  return library && library->LibraryHandle && library->ModuleBase;
}

// The name as the resource functions take it: an integer identifier or the
// copied text, which must outlive the call.
const wchar_t* NameArgument(const ResourceId& name, const std::wstring& text) {
  return name.IsString() ? text.c_str() : MAKEINTRESOURCEW(name.id);
}

LRESULT CALLBACK MenuPreviewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kBringToFront:
      SetActiveWindow(hwnd);
      return 0;
    case WM_COMMAND:
      // The library's item ids mean nothing here and may collide with the
      // program's own commands 0-5 (Exit among them): they are dropped.
      return 0;
    case WM_NCDESTROY:
      if (hwnd == menuPreview) menuPreview = nullptr;
      break;
    default:
      break;
  }
  // The close box ends in DestroyWindow; the loaded menu goes with the window.
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterMenuPreviewClass() {
  static const bool registered = [] {
    WNDCLASSEXW window{};
    window.cbSize = sizeof window;
    window.lpfnWndProc = MenuPreviewProc;
    window.hInstance = GetModuleHandleW(nullptr);
    window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window.lpszClassName = kMenuPreviewClass;
    return RegisterClassExW(&window) != 0;
  }();
  return registered;
}

// Answers nothing itself, so the platform's dialog handling applies; push
// buttons, Enter and Escape therefore leave the preview open.
INT_PTR CALLBACK DialogPreviewProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      dialogPreview = hwnd;
      break;
    case WM_CLOSE:
      dialogPreview = nullptr;
      EndDialog(hwnd, 0);
      break;
    case WM_NCDESTROY:
      // Destroyed without a close (with its owner, or by the next click).
      if (hwnd == dialogPreview) dialogPreview = nullptr;
      break;
    default:
      break;
  }
  return FALSE;
}

// The platform follows a menu or dialog template to its end markers without
// knowing the resource's size, so a truncated or hostile one would be read
// beyond the image. Each template is walked here first, the way the
// platform walks it, and refused when it runs past its bytes.
class TemplateReader {
 public:
  explicit TemplateReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Word(std::uint16_t& out) { return Read(&out, sizeof out); }
  bool Dword(std::uint32_t& out) { return Read(&out, sizeof out); }
  bool Skip(std::size_t count) {
    if (count > bytes_.size() - at_) return false;
    at_ += count;
    return true;
  }
  // Fields are aligned in memory, not by their offset in the resource.
  bool Align(std::size_t unit) {
    const auto address = reinterpret_cast<std::uintptr_t>(bytes_.data()) + at_;
    return Skip((unit - address % unit) % unit);
  }
  bool String() {
    for (std::uint16_t c = 1; c != 0;) {
      if (!Word(c)) return false;
    }
    return true;
  }
  // An empty field, 0xFFFF and an ordinal, or a string.
  bool NameOrOrdinal() {
    std::uint16_t first = 0;
    if (!Word(first)) return false;
    if (first == 0) return true;
    if (first == 0xFFFF) return Skip(2);
    return String();
  }
  std::size_t Offset() const { return at_; }

 private:
  bool Read(void* out, std::size_t size) {
    if (size > bytes_.size() - at_) return false;
    std::memcpy(out, bytes_.data() + at_, size);
    at_ += size;
    return true;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// Deeper nesting than any real menu; it also keeps the platform's own
// recursion over the items shallow.
constexpr int kMaxMenuDepth = 16;
// Larger than any real menu or dialog; a hostile size is not walked.
constexpr std::size_t kMaxTemplateBytes = std::size_t{1} << 20;

bool MenuItemsFit(TemplateReader& r, int depth) {
  if (depth > kMaxMenuDepth) return false;
  for (;;) {
    std::uint16_t flags = 0;
    if (!r.Word(flags) || (!(flags & MF_POPUP) && !r.Skip(2)) || !r.String()) return false;
    if ((flags & MF_POPUP) && !MenuItemsFit(r, depth + 1)) return false;
    if (flags & MF_END) return true;
  }
}

bool ExtendedMenuItemsFit(TemplateReader& r, int depth) {
  if (depth > kMaxMenuDepth) return false;
  for (;;) {
    std::uint16_t info = 0;  // type, state and id come first
    if (!r.Skip(12) || !r.Word(info) || !r.Align(2) || !r.String() || !r.Align(4)) return false;
    if ((info & 0x01) && (!r.Skip(4) || !ExtendedMenuItemsFit(r, depth + 1))) return false;
    if (info & 0x80) return true;
  }
}

bool MenuTemplateFits(std::span<const std::uint8_t> bytes) {
  TemplateReader r(bytes);
  std::uint16_t version = 0, offset = 0;
  if (!r.Word(version) || !r.Word(offset) || !r.Skip(offset)) return false;
  if (version == 0) return MenuItemsFit(r, 0);
  if (version == 1) return ExtendedMenuItemsFit(r, 0);
  return false;
}

bool DialogTemplateFits(std::span<const std::uint8_t> bytes) {
  TemplateReader r(bytes);
  std::uint16_t version = 0, signature = 0, count = 0;
  std::uint32_t style = 0;
  if (!r.Word(version) || !r.Word(signature)) return false;
  const bool extended = version == 1 && signature == 0xFFFF;
  if (extended) {
    if (!r.Skip(8) || !r.Dword(style) || !r.Word(count) || !r.Skip(8)) return false;
  } else {
    r = TemplateReader(bytes);
    if (!r.Dword(style) || !r.Skip(4) || !r.Word(count) || !r.Skip(8)) return false;
  }
  if (!r.NameOrOrdinal() || !r.NameOrOrdinal() || !r.String()) return false;  // menu, class, caption
  if (style & DS_SETFONT) {
    std::uint16_t points = 0;
    if (!r.Word(points)) return false;
    // 0x7FFF stands for the system's message font: nothing else follows.
    if (points != 0x7FFF && ((extended && !r.Skip(4)) || !r.String())) return false;
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint16_t extra = 0;
    if (!r.Align(4) || !r.Skip(extended ? 24 : 18) || !r.NameOrOrdinal() || !r.NameOrOrdinal() || !r.Word(extra) ||
        !r.Skip((extra + 1u) & ~1u)) {
      return false;
    }
  }
  return true;
}

// The bytes of the library's template of the given type, as the platform
// will find it by name, when they can be read and walked safely.
std::optional<std::span<const std::uint8_t>> TemplateBytes(const ResourceId& name, WORD type) {
  const std::wstring text(name.text.begin(), name.text.end());
  HRSRC found = FindResourceW(Library(), NameArgument(name, text), MAKEINTRESOURCEW(type));
  if (!found) return std::nullopt;
  const DWORD size = SizeofResource(Library(), found);
  HGLOBAL loaded = LoadResource(Library(), found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0 || size > kMaxTemplateBytes || !IsReadableMemory(data, size)) return std::nullopt;
  const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(data), size);
  const bool fits = type == 4 ? MenuTemplateFits(bytes) : DialogTemplateFits(bytes);
  if (!fits) return std::nullopt;
  return bytes;
}

// A template that would leave the user no way out: a child window of the
// (disabled) main window, or one without a close box. Such a template is
// shown from a copy made into a popup with caption and close box; an empty
// result means the template is fine as it is.
std::vector<DWORD> TrappingTemplateCopy(std::span<const std::uint8_t> bytes) {
  std::uint16_t version = 0, signature = 0;
  std::memcpy(&version, bytes.data(), sizeof version);
  std::memcpy(&signature, bytes.data() + 2, sizeof signature);
  const std::size_t at = version == 1 && signature == 0xFFFF ? 12 : 0;  // where the style sits
  if (bytes.size() < at + sizeof(DWORD)) return {};
  DWORD style = 0;
  std::memcpy(&style, bytes.data() + at, sizeof style);
  constexpr DWORD kCloseBox = WS_CAPTION | WS_SYSMENU;
  if (!(style & WS_CHILD) && (style & kCloseBox) == kCloseBox) return {};
  style = (style & ~static_cast<DWORD>(WS_CHILD | DS_CONTROL)) | WS_POPUP | kCloseBox;
  const std::size_t size = std::min(bytes.size(), kMaxTemplateBytes);
  std::vector<DWORD> copy((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);  // templates are DWORD-aligned
  std::memcpy(copy.data(), bytes.data(), size);
  copy[at / sizeof(DWORD)] = style;
  return copy;
}

}  // namespace

void PreviewMenu(const ResourceId& name, HWND owner) {
  if (!LibraryLoaded()) return;
  if (!TemplateBytes(name, 4)) return;
  const std::wstring text(name.text.begin(), name.text.end());
  HMENU loaded = LoadMenuW(Library(), NameArgument(name, text));
  if (!loaded) return;
  ClosePreviews();  // at most one: a direct call must not leave one behind
  HMENU empty = CreateMenu();
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, kMenuPreviewWidth, kMenuPreviewHeight};
  AdjustWindowRectEx(&frame, style, TRUE, 0);
  HWND window = nullptr;
  if (RegisterMenuPreviewClass()) {
    window = CreateWindowExW(0, kMenuPreviewClass, L"Vantorel - Menuresource", style, CW_USEDEFAULT, CW_USEDEFAULT,
                             frame.right - frame.left, frame.bottom - frame.top, owner, empty,
                             GetModuleHandleW(nullptr), nullptr);
  }
  if (!window) {
    DestroyMenu(loaded);
    if (empty) DestroyMenu(empty);
    return;
  }
  menuPreview = window;
  SetMenu(window, loaded);
  if (empty) DestroyMenu(empty);
  ShowWindow(window, SW_SHOWNORMAL);
  // The tree click that opened it activates the main window again once its
  // notification returns, which would bury the preview behind it.
  PostMessageW(window, kBringToFront, 0, 0);
}

void PreviewDialog(const ResourceId& name, HWND owner) {
  if (!LibraryLoaded()) return;
  ClosePreviews();
  const auto bytes = TemplateBytes(name, 5);
  if (!bytes) return;
  const std::vector<DWORD> copy = TrappingTemplateCopy(*bytes);
  if (!copy.empty()) {
    DialogBoxIndirectParamW(reinterpret_cast<HINSTANCE>(Library()), reinterpret_cast<const DLGTEMPLATE*>(copy.data()),
                            owner, DialogPreviewProc, 0);
  } else {
    const std::wstring text(name.text.begin(), name.text.end());
    DialogBoxParamW(reinterpret_cast<HINSTANCE>(Library()), NameArgument(name, text), owner, DialogPreviewProc, 0);
  }
  dialogPreview = nullptr;
}

void ClosePreviews() {
  if (HWND dialog = dialogPreview) {
    dialogPreview = nullptr;
    // Destroying a modal dialog alone would leave the main window disabled:
    // ending it first gives the owner back.
    EndDialog(dialog, 0);
    DestroyWindow(dialog);
  }
  if (HWND window = menuPreview) {
    menuPreview = nullptr;
    DestroyWindow(window);
  }
}

HWND MenuPreviewWindow() { return menuPreview; }
HWND DialogPreviewWindow() { return dialogPreview; }

ResourcePreviews MenuAndDialogPreviews(HWND owner) {
  return {ClosePreviews, [owner](const ResourceId& name) { PreviewMenu(name, owner); },
          [owner](const ResourceId& name) { PreviewDialog(name, owner); }};
}

}  // namespace vantorel
