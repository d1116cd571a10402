#include "app/pages/resource_page_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "analysis/version_info.h"
#include "platform/dib_win32.h"
#include "platform/dpi.h"
#include "platform/readable_memory_win32.h"
#include "platform/text_win32.h"
#include "resources/hex_dump.h"
#include "resources/image_decode_win32.h"
#include "resources/resource_names.h"

namespace vantorel {

namespace {
constexpr wchar_t kHexAddressTitle[] = L"Adress:";
}  // namespace

namespace {

constexpr WORD kCursor = 1, kBitmap = 2, kIcon = 3, kMenu = 4, kDialog = 5, kCursorGroup = 12, kIconGroup = 14,
               kVersion = 16, kHtml = 23, kManifest = 24;
constexpr int kLanguageImage = 0;  // shell32 icon 0
constexpr int kFolderImage = 1;    // shell32 icon 4

// The items of the current tree, indexed by a language item's lParam - 1,
// and the image they were read from. Replaced by every fill, so no key of
// an earlier library can answer for an item of the current one.
struct ResourceState {
  std::vector<ResourceItem> items;
  std::uintptr_t moduleBase = 0;
  std::size_t imageSize = 0;
  HBITMAP imageSlot = nullptr;  // the picture the image view shows, ours to free
  HIMAGELIST treeImages = nullptr;
  ~ResourceState() {
    if (imageSlot) DeleteObject(imageSlot);
    if (treeImages) ImageList_Destroy(treeImages);
  }
};

ResourceState& State() {
  static ResourceState state;
  return state;
}

// The open library's image, or an empty view when none is loaded or the
// enumerated one is no longer the loaded one.
ResourceSource& Source() {
  static ResourceSource source;
  return source;
}

ImageView LoadedImage() {
  const ResourceState& s = State();
  const LibraryState* library = ResourceLibrary();
  if (!library || !library->LibraryHandle || s.moduleBase == 0 || s.moduleBase != library->ModuleBase) return {};
  return ImageView(reinterpret_cast<const void*>(s.moduleBase), s.imageSize);
}

// The item's bytes when they lie inside the loaded image and can be read.
std::optional<std::span<const std::uint8_t>> ReadableBytes(const ResourceItem& item) {
  auto bytes = ResourceBytes(LoadedImage(), item);
  if (!bytes || !IsReadableMemory(bytes->data(), bytes->size())) return std::nullopt;
  return bytes;
}

// Puts a picture into the image view, or none; the previous one is freed.
void SetImage(HWND view, HBITMAP bitmap) {
  ResourceState& s = State();
  if (view) {
    auto previous = reinterpret_cast<HBITMAP>(
        SendMessageW(view, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    // A static control may keep a copy of a 32-bit bitmap: that copy is ours too.
    if (previous && previous != s.imageSlot) DeleteObject(previous);
  }
  if (s.imageSlot) DeleteObject(s.imageSlot);
  s.imageSlot = bitmap;
}

// The decoders give premultiplied alpha; the static control copies pixels
// as they are, so blend them onto the pane's colour first.
void FlattenOnto(HBITMAP bitmap, COLORREF colour) {
  DIBSECTION dib{};
  if (!GetObjectW(bitmap, sizeof dib, &dib) || !dib.dsBm.bmBits || dib.dsBm.bmBitsPixel != 32) return;
  GdiFlush();
  auto* pixels = static_cast<std::uint8_t*>(dib.dsBm.bmBits);
  const std::size_t count = static_cast<std::size_t>(dib.dsBm.bmWidthBytes) / 4 * std::abs(dib.dsBm.bmHeight);
  const unsigned background[3] = {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
  for (std::size_t i = 0; i < count; ++i, pixels += 4) {
    const unsigned alpha = pixels[3];
    for (int c = 0; c < 3; ++c) pixels[c] = static_cast<std::uint8_t>(pixels[c] + background[c] * (255 - alpha) / 255);
    pixels[3] = 255;
  }
}

// A picture larger than the view is shrunk to fit, keeping its proportions,
// so the whole of it shows; smaller ones keep their size. Takes ownership.
HBITMAP FitInto(HBITMAP bitmap, HWND view) {
  RECT area{};
  BITMAP info{};
  if (!bitmap || !view || !GetClientRect(view, &area) || !GetObjectW(bitmap, sizeof info, &info)) return bitmap;
  const long width = info.bmWidth;
  const long height = std::abs(info.bmHeight);
  if (area.right <= 0 || area.bottom <= 0 || (width <= area.right && height <= area.bottom)) return bitmap;
  const double scale = std::min(static_cast<double>(area.right) / width, static_cast<double>(area.bottom) / height);
  const int fitWidth = std::max(1, static_cast<int>(width * scale));
  const int fitHeight = std::max(1, static_cast<int>(height * scale));

  void* bits = nullptr;
  HBITMAP fitted = CreateTopDownDib32(nullptr, fitWidth, fitHeight, &bits);
  HDC source = CreateCompatibleDC(nullptr);
  HDC target = CreateCompatibleDC(nullptr);
  if (fitted && source && target) {
    HGDIOBJ oldSource = SelectObject(source, bitmap);
    HGDIOBJ oldTarget = SelectObject(target, fitted);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, fitWidth, fitHeight, source, 0, 0, width, height, SRCCOPY);
    SelectObject(target, oldTarget);
    SelectObject(source, oldSource);
  }
  if (target) DeleteDC(target);
  if (source) DeleteDC(source);
  if (!fitted || !source || !target) {
    if (fitted) DeleteObject(fitted);
    return bitmap;  // shown uncut is better than not at all
  }
  DeleteObject(bitmap);
  return fitted;
}

void ClearViews(const ResourceViews& views) {
  SetImage(views.imageView, nullptr);
  if (views.textView) SetWindowTextW(views.textView, L"");
  if (views.hexGrid) views.hexGrid->ClearRows();
}

void ShowOnly(const ResourceViews& views, HWND visible) {
  if (views.imageView) ShowWindow(views.imageView, visible == views.imageView ? SW_SHOW : SW_HIDE);
  if (views.textView) ShowWindow(views.textView, visible == views.textView ? SW_SHOW : SW_HIDE);
}

}  // namespace

void SetTreeImages(const ResourceViews& views) {
  ResourceState& s = State();
  int side = 0, unused = 0;
  if (s.treeImages && ImageList_GetIconSize(s.treeImages, &side, &unused) && side != views.iconSide) {
    if (views.tree) TreeView_SetImageList(views.tree, nullptr, TVSIL_NORMAL);
    ImageList_Destroy(s.treeImages);
    s.treeImages = nullptr;
  }
  // The shell's icons are 32 pixels: each size is drawn down from them.
  if (!s.treeImages) s.treeImages = ImageList_Create(views.iconSide, views.iconSide, ILC_COLOR32 | ILC_MASK, 2, 0);
  // The shell icons may come later than the first fill (a window built
  // before start-up has extracted them).
  if (s.treeImages && ImageList_GetImageCount(s.treeImages) < 2) {
    ImageList_RemoveAll(s.treeImages);
    if (Source().treeIcons) {
      for (const auto& icon : *Source().treeIcons) ImageList_AddIcon(s.treeImages, icon.get());
    }
  }
  if (views.tree) TreeView_SetImageList(views.tree, s.treeImages, TVSIL_NORMAL);
}

namespace {

void PrepareTree(const ResourceViews& views) {
  SetTreeImages(views);
  if (views.hexGrid) {
    // Nothing in the dump can be edited.
    views.hexGrid->SetCallback([](GridControl*, GridEvent event, CellEvent& record) -> std::int64_t {
      if (event == GridEvent::CellType && record.column >= 0 && record.column <= 2) record.type = 1;
      return 1;
    });
  }
}

HTREEITEM AddItem(HWND tree, HTREEITEM parent, const std::u16string& text, int image, LPARAM key) {
  std::wstring wide = ToWide(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = wide.data();
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  insert.item.lParam = key;
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::u16string IdText(const ResourceId& id) {
  return id.IsString() ? id.text : ToU16(std::to_wstring(id.id));
}

// Integer types without a name (above 24) are left out; named types keep
// their own text.
std::u16string TypeText(const ResourceId& type) {
  return type.IsString() ? type.text : ResourceTypeName(type.id);
}

std::u16string DecodeText(std::span<const std::uint8_t> bytes) {
  // A UTF-16 file keeps its byte order mark; anything else is read as UTF-8,
  // invalid sequences becoming U+FFFD.
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    }
    return text;
  }
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) bytes = bytes.subspan(3);
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return {};
  const auto* chars = reinterpret_cast<const char*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  const int wide = MultiByteToWideChar(CP_UTF8, 0, chars, length, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, chars, length, text.data(), wide);
  return ToU16(text);
}

std::u16string VersionLines() {
  std::u16string text;
  if (!Source().facts) return text;
  const auto& values = Source().facts->versionStrings;
  for (std::size_t i = 0; i < kVersionKeyCount; ++i) {
    if (!VersionKeys[i].listedWhenEmpty && values[i].empty()) continue;
    if (!text.empty()) text += u"\r\n";
    text += VersionKeys[i].key;
    text += u": \t";
    text += values[i];
  }
  return text;
}

// The bytes of a group's best member, of the member type in the group's
// language when there is one.
std::optional<std::span<const std::uint8_t>> GroupMemberBytes(const ResourceKey& group,
                                                              std::span<const std::uint8_t> bytes, bool cursor) {
  const auto member = BestGroupMember(bytes, cursor);
  if (!member) return std::nullopt;
  ResourceKey key{ResourceId{static_cast<std::uint16_t>(cursor ? kCursor : kIcon), {}},
                  ResourceId{*member, {}}, group.language};
  if (auto found = GetResourceData(key)) return found;
  for (const ResourceItem& item : State().items) {
    if (item.type == key.type && item.name == key.name) return ReadableBytes(item);
  }
  return std::nullopt;
}

HBITMAP DecodePicture(const ResourceKey& key, std::span<const std::uint8_t> bytes) {
  if (key.type.IsString()) return nullptr;
  switch (key.type.id) {
    case kCursor:
      return DecodeCursorToBitmap(bytes);
    case kIcon:
      return DecodeIconToBitmap(bytes);
    case kBitmap:
      return DecodeImageToBitmap(bytes);
    case kCursorGroup:
    case kIconGroup: {
      const bool cursor = key.type.id == kCursorGroup;
      const auto member = GroupMemberBytes(key, bytes, cursor);
      if (!member) return nullptr;
      return cursor ? DecodeCursorToBitmap(*member) : DecodeIconToBitmap(*member);
    }
    default:
      return nullptr;
  }
}

ResourcePreviews& Previews() {
  static ResourcePreviews previews;
  return previews;
}

}  // namespace

void SetResourcePreviews(ResourcePreviews previews) { Previews() = std::move(previews); }

void SetResourceSource(ResourceSource source) { Source() = source; }

LibraryState* ResourceLibrary() { return Source().library; }

void EnumerateResources(const ResourceViews& views) {
  ResourceState& s = State();
  ClearViews(views);
  s.items.clear();
  s.moduleBase = 0;
  s.imageSize = 0;
  if (!views.tree) return;
  PrepareTree(views);
  TreeView_DeleteAllItems(views.tree);

  LibraryState* open = ResourceLibrary();
  HMODULE library = open ? open->LibraryHandle : nullptr;
  const ImageView mapped = ViewLoadedImage(library);
  if (!mapped.size()) return;
  open->ModuleBase = ImageBaseOf(library);
  s.moduleBase = open->ModuleBase;
  s.imageSize = mapped.size();
  const ImageView image = LoadedImage();
  const auto span = FindResourceSpan(image);
  if (span && IsReadableMemory(reinterpret_cast<const void*>(s.moduleBase + span->begin), span->end - span->begin)) {
    s.items = ListResources(image);
  }

  SendMessageW(views.tree, WM_SETREDRAW, FALSE, 0);
  HTREEITEM typeItem = nullptr;
  HTREEITEM nameItem = nullptr;
  const ResourceItem* previous = nullptr;
  for (std::size_t i = 0; i < s.items.size(); ++i) {
    const ResourceItem& item = s.items[i];
    const std::u16string typeText = TypeText(item.type);
    if (typeText.empty()) continue;
    const bool newType = !previous || !(previous->type == item.type);
    if (newType) typeItem = AddItem(views.tree, TVI_ROOT, typeText, kFolderImage, 0);
    if (newType || !(previous->name == item.name)) {
      nameItem = AddItem(views.tree, typeItem, IdText(item.name), kFolderImage, 0);
    }
    AddItem(views.tree, nameItem, ToU16(std::to_wstring(item.language)), kLanguageImage, static_cast<LPARAM>(i + 1));
    previous = &item;
  }
  SendMessageW(views.tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(views.tree, nullptr, TRUE);
}

std::optional<ResourceKey> ResourceKeyOf(HWND tree, HTREEITEM item) {
  if (!tree || !item) return std::nullopt;
  TVITEMW data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (!TreeView_GetItem(tree, &data) || data.lParam <= 0) return std::nullopt;
  const auto& items = State().items;
  const auto index = static_cast<std::size_t>(data.lParam - 1);
  if (index >= items.size()) return std::nullopt;
  return ResourceKey{items[index].type, items[index].name, items[index].language};
}

std::optional<std::span<const std::uint8_t>> GetResourceData(const ResourceKey& key) {
  if (!LoadedImage().size()) return std::nullopt;
  for (const ResourceItem& item : State().items) {
    if (item.type == key.type && item.name == key.name && item.language == key.language) {
      return ReadableBytes(item);
    }
  }
  return std::nullopt;
}

namespace {

struct HexDumpWidths {
  int address = 0;
  int hex = 0;
  int characters = 0;
};

// The columns' widths measured with the grid's font, which is made for dpi.
HexDumpWidths MeasureHexDumpColumns(GridControl& grid, const std::wstring& hexTitle, int dpi) {
  // What the grid's drawing keeps free beside a cell's text (4 pixels each
  // side, a grid line and a current-cell frame) and beside a title's (6
  // pixels each side and the pushed-in offset of a pressed one), at 96 DPI.
  const int cellPadding = Scale(2 * 4 + 1 + 2, dpi);
  const int titlePadding = Scale(2 * 6 + 2 + 2, dpi);
  HDC dc = GetDC(grid.listWindow);
  auto font = reinterpret_cast<HFONT>(SendMessageW(grid.listWindow, WM_GETFONT, 0, 0));
  HGDIOBJ old = dc && font ? SelectObject(dc, font) : nullptr;
  auto extent = [dc](const std::wstring& text) {
    SIZE size{};
    if (dc) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  // Whatever the font, each row is as wide as its widest digits and
  // characters make it: any byte may show in the character column.
  auto widestOf = [&extent](auto&& codes) {
    int widest = 0;
    for (const int code : codes) widest = std::max(widest, extent(std::wstring(1, static_cast<wchar_t>(code))));
    return widest;
  };
  const int digit = widestOf(std::wstring(L"0123456789ABCDEF"));
  std::vector<int> shown;
  for (int b = 1; b < 256; ++b) shown.push_back(HexDumpCharacter(static_cast<std::uint8_t>(b)));
  const int character = widestOf(shown);
  const int rowBytes = static_cast<int>(kHexDumpRowBytes);
  const int labelText = 8 * digit + extent(L"H:");
  const int hexText = rowBytes * 2 * digit + (rowBytes - 1) * extent(L" ");
  HexDumpWidths widths;
  widths.address = std::max(labelText + cellPadding, extent(kHexAddressTitle) + titlePadding);
  widths.hex = std::max(hexText + cellPadding, extent(hexTitle) + titlePadding);
  widths.characters = rowBytes * character + cellPadding;
  if (old) SelectObject(dc, old);
  if (dc) ReleaseDC(grid.listWindow, dc);
  return widths;
}

}  // namespace

void AddHexDumpColumns(GridControl& grid, int dpi) {
  // Each digit over its byte: the title keeps the cells' rhythm of three
  // characters a byte.
  const std::wstring hexTitle = ToWide(HexDumpBytesTitle());
  const HexDumpWidths widths = MeasureHexDumpColumns(grid, hexTitle, dpi);
  grid.AddColumn(0, kHexAddressTitle, widths.address);
  grid.AddColumn(1, hexTitle, widths.hex);
  grid.AddColumn(2, L"", widths.characters);
}

void FitHexDumpColumns(GridControl& grid, int dpi) {
  if (!grid.listWindow || grid.GetColumnCount() < 3) return;
  const HexDumpWidths widths = MeasureHexDumpColumns(grid, ToWide(HexDumpBytesTitle()), dpi);
  // Grid column c is list column c + 1.
  ListView_SetColumnWidth(grid.listWindow, 1, widths.address);
  ListView_SetColumnWidth(grid.listWindow, 2, widths.hex);
  ListView_SetColumnWidth(grid.listWindow, 3, widths.characters);
}

void ShowHexDump(GridControl& grid, std::span<const std::uint8_t> bytes, std::size_t maxBytes) {
  grid.SetRedraw(false, false);
  grid.ClearRows();
  const std::size_t shown = std::min(bytes.size(), maxBytes - maxBytes % kHexDumpRowBytes);
  // The rows are formatted when shown, from a copy: the library the bytes
  // live in may be released while the dump is still on screen.
  std::shared_ptr<const std::vector<std::uint8_t>> copy;
  try {
    copy = std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(shown));
  } catch (const std::bad_alloc&) {
    grid.SetRedraw(true, true);
    return;
  }
  const auto rows = static_cast<std::int64_t>((shown + kHexDumpRowBytes - 1) / kHexDumpRowBytes);
  grid.AddSourceRows(rows, 0, [copy](std::int64_t row, std::int64_t column) -> GridText {
    const auto offset = static_cast<std::size_t>(row) * kHexDumpRowBytes;
    if (column < 0 || column > 2 || offset >= copy->size()) return {};
    HexDumpRow formatted = FormatHexDumpRow(offset, std::span(*copy).subspan(offset));
    return column == 0 ? std::move(formatted.label) : column == 1 ? std::move(formatted.hex) : std::move(formatted.chars);
  });
  const std::int64_t at = grid.GetRowCount();
  if (shown < bytes.size() && grid.AddRow(at, L"", 0)) {
    grid.SetCellText(0, at, ToWide(HexDumpLabel(shown)));
    grid.SetCellText(1, at, L"(" + std::to_wstring(bytes.size() - shown) + L" more bytes not shown)");
  }
  grid.SetRedraw(true, true);
}

void ShowResource(const ResourceViews& views, HTREEITEM item) {
  ClearViews(views);
  if (Previews().close) Previews().close();
  const auto key = ResourceKeyOf(views.tree, item);
  if (!key) return;  // a type or name item: its selection stays

  const auto bytes = GetResourceData(*key);
  if (bytes && views.hexGrid) ShowHexDump(*views.hexGrid, *bytes);

  const WORD type = key->type.IsString() ? 0 : key->type.id;
  switch (type) {
    case kMenu:
      if (Previews().menu) Previews().menu(*key);
      break;
    case kDialog:
      if (Previews().dialog) Previews().dialog(*key);
      break;
    case kCursor:
    case kCursorGroup:
    case kBitmap:
    case kIcon:
    case kIconGroup: {
      HBITMAP picture = bytes ? DecodePicture(*key, *bytes) : nullptr;
      if (picture) FlattenOnto(picture, GetSysColor(COLOR_BTNFACE));
      SetImage(views.imageView, FitInto(picture, views.imageView));
      ShowOnly(views, views.imageView);
      break;
    }
    case kVersion:
      if (views.textView) SetWindowTextW(views.textView, ToWide(VersionLines()).c_str());
      ShowOnly(views, views.textView);
      break;
    case kManifest:
    case kHtml:
      if (bytes && !bytes->empty() && views.textView) {
        SetWindowTextW(views.textView, ToWide(DecodeText(*bytes)).c_str());
      }
      ShowOnly(views, views.textView);
      break;
    default:
      break;
  }
  if (views.tree) TreeView_SelectItem(views.tree, nullptr);
}

}  // namespace vantorel
