#pragma once
// The Resources page: the tree of the open library's resources and the
// views that show one of them.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "analysis/library_win32.h"
#include "analysis/version_info.h"
#include "grid/grid_win32.h"
#include "platform/handles_win32.h"
#include "resources/resource_directory.h"

namespace vantorel {

// What the page needs of the application: the open library's mapping, whose
// image base every fill records again, its facts (the version resource's
// view lists their version strings), and the two shell icons of the tree
// (read at each fill: they may be extracted after the page is built).
// Without a library the page lists and shows nothing.
struct ResourceSource {
  LibraryState* library = nullptr;
  const LibraryInfo* facts = nullptr;
  const std::array<UniqueIcon, 2>* treeIcons = nullptr;
};
void SetResourceSource(ResourceSource source);
// The library the page reads; null before SetResourceSource.
LibraryState* ResourceLibrary();

struct ResourceViews {
  HWND tree = nullptr;
  GridControl* hexGrid = nullptr;
  HWND imageView = nullptr;
  HWND textView = nullptr;
  int iconSide = 16;  // of the tree's icons, for the window's DPI
};

// What a language item of the tree stands for.
struct ResourceKey {
  ResourceId type;
  ResourceId name;
  std::uint16_t language = 0;
};

// The menu and dialog previews live in their own module and plug in here:
// every click closes an open preview first, and a click on a menu or dialog
// language item hands its key over after the dump is shown.
struct ResourcePreviews {
  std::function<void()> close;
  std::function<void(const ResourceKey& key)> menu;
  std::function<void(const ResourceKey& key)> dialog;
};
void SetResourcePreviews(ResourcePreviews previews);

// Empties the views and the tree and lists the open library's resources
// into the tree: type, name and language items, one level each.
void EnumerateResources(const ResourceViews& views);

// What a left click on a tree item does: clears the views, and for a
// language item dumps the resource's bytes into the hex grid and renders
// images, version lines, manifests and HTML. The tree's selection is
// cleared afterwards so that a second click on the item shows it again.
void ShowResource(const ResourceViews& views, HTREEITEM item);

// The key of a language item of the current tree; empty for other items.
std::optional<ResourceKey> ResourceKeyOf(HWND tree, HTREEITEM item);

// The bytes of the open library's resource for a key (its own language),
// or empty when it is not found or lies outside the loaded image.
std::optional<std::span<const std::uint8_t>> GetResourceData(const ResourceKey& key);

// Adds the dump's three columns (address, bytes in hex, characters) to the
// hex grid, each as wide as its widest content and its title in the grid's
// font as set now, so that every row shows all 16 bytes and characters and
// every title fits on one line. The paddings are scaled for dpi.
void AddHexDumpColumns(GridControl& grid, int dpi = 96);
// The tree's icons at views.iconSide pixels (made again when that changed).
void SetTreeImages(const ResourceViews& views);
// The three columns measured again, after the font changed for a new DPI.
void FitHexDumpColumns(GridControl& grid, int dpi);

// A dump stops after this many bytes (two million rows). Rows cost their
// record only (texts are formatted when shown), but a hostile library can
// claim a resource of gigabytes.
inline constexpr std::size_t kMaxHexDumpBytes = std::size_t{32} << 20;

// Fills the hex grid with the bytes, 16 to a row, with redraw off. Past
// maxBytes a last row tells how many bytes are not shown.
void ShowHexDump(GridControl& grid, std::span<const std::uint8_t> bytes, std::size_t maxBytes = kMaxHexDumpBytes);

}  // namespace vantorel
