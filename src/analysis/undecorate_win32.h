#pragma once
// MSVC undecoration through the system's dbghelp, for the export tips.
#include <string>
#include <string_view>

namespace vantorel {

// "?Method@Widget@@QEAAHH@Z" gives "public: int __cdecl Widget::Method(int)";
// empty when the system cannot undecorate the name. Bytes in, bytes out: the
// ANSI entry point keeps the name in the library's code page like the rest
// of the tip.
std::string UndecorateMsvcName(std::string_view decorated);

}  // namespace vantorel
