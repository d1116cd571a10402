#include "analysis/export_tip_win32.h"

#include <windows.h>
#include <dbghelp.h>

#include <algorithm>
#include <optional>

#include "analysis/msvc_decoration.h"
#include "platform/code_page_win32.h"
#include "platform/text_win32.h"

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

namespace {

// The tip's names are bytes in the ANSI code page, as the rows' are: they
// are decoded the same way.
std::wstring WideTip(const ExportTip& tip) { return ToWide(DecodeAnsi(FormatTitledTip(tip))); }

// The name's bytes in the ANSI code page, as the export table holds them;
// none when a character has no place there (no export can have that name).
std::optional<std::string> AnsiOf(std::wstring_view text) {
  if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; }))
    return std::string(text.begin(), text.end());
  // Best-fit mappings would make a name match an export it is not; UTF-8
  // takes neither the flag nor the question.
  const UINT page = GetACP();
  const DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* askLossy = page == CP_UTF8 ? nullptr : &lossy;
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(page, flags, text.data(), size, nullptr, 0, nullptr, askLossy);
  if (n <= 0 || lossy) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(page, flags, text.data(), size, bytes.data(), n, nullptr, askLossy);
  if (lossy) return std::nullopt;
  return bytes;
}

}  // namespace

std::wstring ExportTipText(const ExportFacts& facts) { return WideTip(MakeExportTip(facts, UndecorateMsvcName)); }

std::wstring RowTipText(const ExportTable& exports, std::size_t row, std::wstring_view function) {
  const auto name = AnsiOf(function);
  if (!name) return {};
  const ExportTip tip = MakeExportTip(exports.FactsFor(row, *name), UndecorateMsvcName);
  if (tip.lines.empty()) return {};
  return WideTip(tip);
}

}  // namespace vantorel
