#pragma once
// The export tips on Windows: MSVC undecoration through the system's
// dbghelp, and the tip as the grid shows it.
#include <string>
#include <string_view>

#include "analysis/export_table.h"
#include "analysis/export_tip.h"

namespace vantorel {

// "?Method@Widget@@QEAAHH@Z" gives "public: int __cdecl Widget::Method(int)";
// empty when the system cannot undecorate the name. Bytes in, bytes out: the
// ANSI entry point keeps the name in the library's code page like the rest
// of the tip.
std::string UndecorateMsvcName(std::string_view decorated);

// The titled tip of one export (title, the character 7, the lines), MSVC
// names undecorated by the system, converted from the ANSI code page as the
// export names are: the text a TooltipQuery answer carries.
std::wstring ExportTipText(const ExportFacts& facts);

// The tip of function-grid row `row`, whose Function cell holds `function`,
// from the open library's table. Empty when it would only repeat the name
// (a project row the library no longer has, with no decoration to read).
std::wstring RowTipText(const ExportTable& exports, std::size_t row, std::wstring_view function);

}  // namespace vantorel
