#include "analysis/export_tip_win32.h"

#include <windows.h>
#include <dbghelp.h>

#include "analysis/msvc_decoration.h"

namespace vantorel {

std::string UndecorateMsvcName(std::string_view decorated) {
  if (decorated.empty() || decorated.size() > kMaxDecoratedNameLength) return {};
  // The API wants a terminated string; an embedded NUL would end it early.
  if (decorated.find('\0') != std::string_view::npos) return {};
  const std::string input(decorated);
  // __ptr64 on every pointer and member of a 64-bit name says nothing a
  // declaration needs.
  constexpr DWORD kNoPtr64 = 0x20000;  // UNDNAME_NO_PTR64, missing from MinGW's headers
  constexpr DWORD kFlags = UNDNAME_COMPLETE | kNoPtr64;
  char buffer[4096];
  const DWORD length = UnDecorateSymbolName(input.c_str(), buffer, sizeof buffer, kFlags);
  if (length == 0 || length >= sizeof buffer) return {};
  // Wine's dbghelp ignores the flag: take the keyword out ourselves, so the
  // tip reads the same everywhere.
  std::string text(buffer, length);
  constexpr std::string_view kPtr64 = " __ptr64";
  for (std::size_t at; (at = text.find(kPtr64)) != std::string::npos;) text.erase(at, kPtr64.size());
  return text;
}

std::wstring ExportTipText(const ExportFacts& facts) {
  const std::string text = FormatTitledTip(MakeExportTip(facts, UndecorateMsvcName));
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

}  // namespace vantorel
