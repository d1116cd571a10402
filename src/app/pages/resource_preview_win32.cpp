#include "app/pages/resource_preview_win32.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/dpi_win32.h"
#include "platform/readable_memory_win32.h"
#include "platform/window_class_win32.h"
#include "resources/image_decode_win32.h"
#include "resources/image_format.h"
#include "resources/resource_template.h"

namespace vantorel {

namespace {

constexpr wchar_t kMenuPreviewClass[] = L"VantorelMenuPreview";
// Its client area at 96 DPI.
constexpr int kMenuPreviewWidth = 450;
constexpr int kMenuPreviewHeight = 50;
constexpr UINT kBringToFront = WM_APP + 1;

HWND menuPreview = nullptr;
HWND dialogPreview = nullptr;

// The icons of a dialog's icon controls. The system would load them shared,
// kept for as long as the module they come from, and that is a new mapping
// at every open: they are made here instead from the library's bytes, given
// to their controls, and destroyed with the dialog.
struct PreviewIcon {
  std::size_t control;  // its place in the template, as among the dialog's children
  ResourceId name;
  bool realSize;  // SS_REALSIZEIMAGE: the image's own size, not the icon size
};
std::vector<PreviewIcon> pendingIcons;
std::vector<HICON> shownIcons;
void ShowPreviewIcons(HWND dialog);

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
  static const bool registered = RegisterFaceClass(kMenuPreviewClass, MenuPreviewProc);
  return registered;
}

// Answers nothing itself, so the platform's dialog handling applies; push
// buttons, Enter and Escape therefore leave the preview open.
INT_PTR CALLBACK DialogPreviewProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      dialogPreview = hwnd;
      ShowPreviewIcons(hwnd);
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

constexpr WORD kCursor = 1, kBitmap = 2, kIcon = 3, kMenu = 4, kCursorGroup = 12, kIconGroup = 14;
// More members than any real icon or cursor group; each one is decoded.
constexpr std::size_t kMaxGroupMembers = 256;
constexpr std::size_t kGroupHeader = 6, kGroupEntry = 14, kGroupEntryId = 12;

// A template as it is shown: copied to a DWORD boundary, so that the walk
// over the copy, which aligns by offset, sees the fields where the platform
// will look for them, and nothing can change the bytes after they were
// checked.
class TemplateCopy {
 public:
  explicit TemplateCopy(std::span<const std::uint8_t> bytes)
      : words_((bytes.size() + sizeof(DWORD) - 1) / sizeof(DWORD), 0), size_(bytes.size()) {
    if (size_) std::memcpy(words_.data(), bytes.data(), size_);
  }
  std::span<const std::uint8_t> Bytes() const { return {reinterpret_cast<const std::uint8_t*>(words_.data()), size_}; }
  DWORD& Word32(std::size_t offset) { return words_[offset / sizeof(DWORD)]; }
  const void* Data() const { return words_.data(); }

 private:
  std::vector<DWORD> words_;
  std::size_t size_;
};

// The bytes of the library's resource that the platform's own loaders
// would pick for this name and type (its language choice), when they can
// be read; the address is where the platform will read them.
std::optional<std::span<const std::uint8_t>> SystemPick(const ResourceId& name, WORD type) {
  const std::wstring text(name.text.begin(), name.text.end());
  HRSRC found = FindResourceW(Library(), NameArgument(name, text), MAKEINTRESOURCEW(type));
  if (!found) return std::nullopt;
  const DWORD size = SizeofResource(Library(), found);
  HGLOBAL loaded = LoadResource(Library(), found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || !IsReadableMemory(data, size)) return std::span<const std::uint8_t>{};
  return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size);
}

bool MisalignedMenuFits(std::span<const std::uint8_t> bytes) {
  return !bytes.empty() && WalkMenuTemplate(bytes, reinterpret_cast<std::uintptr_t>(bytes.data()) % 4);
}

// An icon or cursor group as the platform's loaders read it: the directory,
// then whichever member they pick, so every member found must decode.
bool GroupFits(std::span<const std::uint8_t> group, bool cursor) {
  if (group.size() < kGroupHeader) return false;
  const std::size_t count = group[4] | group[5] << 8;
  if (count > kMaxGroupMembers || kGroupHeader + count * kGroupEntry > group.size()) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kGroupHeader + i * kGroupEntry + kGroupEntryId;
    const auto member = SystemPick(ResourceId{static_cast<std::uint16_t>(group[at] | group[at + 1] << 8), {}},
                                   cursor ? kCursor : kIcon);
    if (!member) continue;  // a missing member is never read
    HBITMAP decoded = cursor ? DecodeCursorToBitmap(*member) : DecodeIconToBitmap(*member);
    if (!decoded) return false;
    DeleteObject(decoded);
  }
  return true;
}

// What a dialog makes the platform load from the library by itself: each
// such resource must pass the same checks as one the user clicks. One that
// is not there is fine (the platform finds nothing either).
bool ReferencesFit(const std::vector<TemplateReference>& references) {
  for (const TemplateReference& ref : references) {
    if (!ref.name.IsString() && ref.name.id == 0) continue;
    switch (ref.kind) {
      case TemplateReference::Kind::Menu:
        if (const auto menu = SystemPick(ref.name, kMenu); menu && !MisalignedMenuFits(*menu)) return false;
        break;
      case TemplateReference::Kind::Icon:
        // The static control falls back to a cursor of that name.
        if (const auto group = SystemPick(ref.name, kIconGroup); group && !GroupFits(*group, false)) return false;
        if (const auto group = SystemPick(ref.name, kCursorGroup); group && !GroupFits(*group, true)) return false;
        break;
      case TemplateReference::Kind::Bitmap:
        if (const auto bitmap = SystemPick(ref.name, kBitmap); bitmap && !DecodeDib(*bitmap)) return false;
        break;
    }
  }
  return true;
}

// Which controls name a class the system cannot create in a dialog of the
// library: an ordinal other than the six predefined ones, or a name that is
// neither the library's own class (none is registered) nor a global or
// system one.
std::vector<bool> UnknownClasses(const DialogTemplateFacts& facts) {
  std::vector<bool> unknown;
  unknown.reserve(facts.items.size());
  for (const TemplateControl& control : facts.items) {
    const ResourceId& cls = control.windowClass;
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    const std::wstring name(cls.text.begin(), cls.text.end());
    unknown.push_back(cls.IsString() ? !GetClassInfoExW(reinterpret_cast<HINSTANCE>(Library()), name.c_str(), &info)
                                     : !IsPredefinedControlClass(cls));
  }
  return unknown;
}

// What becomes of each control of the preview: a placeholder for a class
// the system does not know, an icon control without its title for an icon
// the preview gives it (listed in `icons`).
std::vector<ControlRewrite> PreviewRewrites(const DialogTemplateFacts& facts, std::vector<PreviewIcon>& icons) {
  std::vector<ControlRewrite> rewrites(facts.items.size(), ControlRewrite::Keep);
  const std::vector<bool> unknown = UnknownClasses(facts);
  for (std::size_t i = 0; i < facts.items.size(); ++i) {
    const TemplateControl& control = facts.items[i];
    if (unknown[i]) {
      rewrites[i] = ControlRewrite::Placeholder;
    } else if (control.picture == TemplateReference::Kind::Icon &&
               (control.title.IsString() || control.title.id != 0)) {
      rewrites[i] = ControlRewrite::WithoutTitle;
      icons.push_back({i, control.title, (control.style & SS_REALSIZEIMAGE) != 0});
    }
  }
  return rewrites;
}

// The icon an icon control shows for the name: the icon group's image for
// the size, failing that the cursor group's, made from the library's bytes
// (checked before the dialog is shown); the caller destroys it.
HICON LoadPreviewIcon(const ResourceId& name, bool realSize) {
  const int width = realSize ? 0 : GetSystemMetrics(SM_CXICON);
  const int height = realSize ? 0 : GetSystemMetrics(SM_CYICON);
  for (const bool icon : {true, false}) {
    const auto group = SystemPick(name, icon ? kIconGroup : kCursorGroup);
    if (!group || group->empty()) continue;
    const TemplateCopy directory(*group);
    const int id = LookupIconIdFromDirectoryEx(static_cast<BYTE*>(const_cast<void*>(directory.Data())), icon, width,
                                               height, LR_DEFAULTCOLOR);
    if (id <= 0 || id > 0xFFFF) continue;
    const auto member = SystemPick(ResourceId{static_cast<std::uint16_t>(id), {}}, icon ? kIcon : kCursor);
    if (!member || member->empty()) continue;
    const TemplateCopy image(*member);
    HICON made = CreateIconFromResourceEx(static_cast<BYTE*>(const_cast<void*>(image.Data())),
                                          static_cast<DWORD>(member->size()), icon, 0x00030000, width, height,
                                          LR_DEFAULTCOLOR);
    if (made) return made;
  }
  return nullptr;
}

void ShowPreviewIcons(HWND dialog) {
  // The dialog makes its controls in template order, each below the last.
  auto next = pendingIcons.begin();
  std::size_t index = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child && next != pendingIcons.end();
       child = GetWindow(child, GW_HWNDNEXT), ++index) {
    if (index != next->control) continue;
    if (HICON icon = LoadPreviewIcon(next->name, next->realSize)) {
      shownIcons.push_back(icon);
      SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    ++next;
  }
}

// The clicked resource's bytes (its own language, as the dump shows them).
std::optional<std::span<const std::uint8_t>> ClickedBytes(const ResourceKey& key) {
  if (!LibraryLoaded()) return std::nullopt;
  const auto bytes = GetResourceData(key);
  if (!bytes || bytes->empty() || bytes->size() > kMaxTemplateBytes) return std::nullopt;
  return bytes;
}

}  // namespace

void PreviewMenu(const ResourceKey& key, HWND owner) {
  const auto bytes = ClickedBytes(key);
  if (!bytes) return;
  const TemplateCopy copy(*bytes);
  if (!WalkMenuTemplate(copy.Bytes())) return;
  HMENU loaded = LoadMenuIndirectW(copy.Data());
  if (!loaded) return;
  ClosePreviews();  // at most one: a direct call must not leave one behind
  HMENU empty = CreateMenu();
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  const int dpi = owner ? WindowDpi(owner) : SystemDpi();
  RECT frame{0, 0, Scale(kMenuPreviewWidth, dpi), Scale(kMenuPreviewHeight, dpi)};
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

void PreviewDialog(const ResourceKey& key, HWND owner) {
  ClosePreviews();
  const auto bytes = ClickedBytes(key);
  if (!bytes) return;
  TemplateCopy copy(*bytes);
  auto facts = WalkDialogTemplate(copy.Bytes());
  if (!facts) return;
  // A child template would sit inside the disabled main window, and one
  // without a close box could not be closed at all: such a template is
  // shown as a popup with caption and close box. The style bits changed
  // here do not move any field, and the walk below is over the final bytes.
  constexpr DWORD kCloseBox = WS_CAPTION | WS_SYSMENU;
  if ((facts->style & WS_CHILD) || (facts->style & kCloseBox) != kCloseBox) {
    copy.Word32(facts->styleOffset) =
        (facts->style & ~static_cast<DWORD>(WS_CHILD | DS_CONTROL)) | WS_POPUP | kCloseBox;
    facts = WalkDialogTemplate(copy.Bytes());
  }
  if (!facts || !ReferencesFit(facts->references)) return;
  // Nothing of the library ran, so a class it registers for itself is
  // unknown here, and one unknown class fails the whole dialog: such
  // controls are shown as placeholders of their size, named by class.
  std::vector<PreviewIcon> icons;
  const std::vector<ControlRewrite> rewrites = PreviewRewrites(*facts, icons);
  if (std::any_of(rewrites.begin(), rewrites.end(), [](ControlRewrite r) { return r != ControlRewrite::Keep; })) {
    copy = TemplateCopy(RewriteControls(copy.Bytes(), *facts, rewrites));
    if (!WalkDialogTemplate(copy.Bytes())) return;
  }
  pendingIcons = std::move(icons);
  DialogBoxIndirectParamW(reinterpret_cast<HINSTANCE>(Library()), static_cast<const DLGTEMPLATE*>(copy.Data()),
                          owner, DialogPreviewProc, 0);
  dialogPreview = nullptr;
  pendingIcons.clear();
  for (HICON icon : shownIcons) DestroyIcon(icon);
  shownIcons.clear();
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
  return {ClosePreviews, [owner](const ResourceKey& key) { PreviewMenu(key, owner); },
          [owner](const ResourceKey& key) { PreviewDialog(key, owner); }};
}

}  // namespace vantorel
