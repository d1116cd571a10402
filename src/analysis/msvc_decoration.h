// Reads the parameter list out of an MSVC-decorated name ("?Open@Archive@@
// QEAAHPEBD@Z") without undecorating it: the count is what a declaration
// needs, and it must be known on every platform, not only where the system's
// undecorator exists. Export names are outside input, so the reader checks
// every character it takes and gives up on anything it does not understand.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// Longer decorated names are not read (the compiler's own limit is 4096).
inline constexpr std::size_t kMaxDecoratedNameLength = 4096;
// Types nest (pointer to function taking pointer to template of ...); the
// reader stops at this depth rather than recurse without bound.
inline constexpr int kMaxDecorationDepth = 32;

struct MsvcParameters {
  int count = 0;         // declared parameters, "..." not counted
  bool variadic = false; // the list ends in "..."
  bool hasThis = false;  // a non-static member: the object pointer comes first
};

// The parameter list of a decorated function name. Empty for names that are
// not decorated functions (variables, vtables, plain names) and for anything
// the reader does not follow to the end.
std::optional<MsvcParameters> ReadMsvcParameters(std::string_view name);

// The qualified name a decorated name declares, scopes outermost first:
// "?Open@Archive@Vt@@QEAAHPEBD@Z" gives "Vt::Archive::Open", a constructor
// "??0Archive@@..." "Archive::Archive", a destructor "Archive::~Archive".
// What the system's undecorator would call the symbol, for where there is
// none; empty for operators, templates and anything else it does not read.
std::string MsvcQualifiedName(std::string_view name);

}  // namespace vantorel
