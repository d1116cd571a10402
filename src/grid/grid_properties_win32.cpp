#include "grid/grid_properties_win32.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <unordered_map>

namespace vantorel {
namespace {

std::size_t PropertySlot(const wchar_t* name) {
  if (name == kGridProp || std::wcscmp(name, kGridProp) == 0) return 0;
  if (name == kListPointerProp || std::wcscmp(name, kListPointerProp) == 0) return 1;
  return 2;
}

std::unordered_map<HWND, std::array<HANDLE, 3>>& PropertyTable() {
  static std::unordered_map<HWND, std::array<HANDLE, 3>> table;
  return table;
}

}  // namespace

void SetGridProperty(HWND window, const wchar_t* name, HANDLE value) {
  SetPropW(window, name, value);
  PropertyTable()[window][PropertySlot(name)] = value;
}

void RemoveGridProperty(HWND window, const wchar_t* name) {
  RemovePropW(window, name);
  auto& table = PropertyTable();
  const auto entry = table.find(window);
  if (entry == table.end()) return;
  entry->second[PropertySlot(name)] = nullptr;
  if (std::all_of(entry->second.begin(), entry->second.end(), [](HANDLE h) { return h == nullptr; }))
    table.erase(entry);
}

HANDLE GridProperty(HWND window, const wchar_t* name) {
  const auto& table = PropertyTable();
  const auto entry = table.find(window);
  return entry == table.end() ? nullptr : entry->second[PropertySlot(name)];
}

}  // namespace vantorel
