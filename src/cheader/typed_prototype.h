// A C declaration as PureBasic declares it: the typed parameter list and
// result of a Prototype line, with parameter names PureBasic accepts, and the
// one-line form a project file keeps it in.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cheader/c_declarations.h"
#include "platform/purebasic_names.h"

namespace vantorel {

struct TypedParameter {
  std::string name;  // a valid PureBasic name, unique in the list ignoring case
  PbType type = PbType::None;

  bool operator==(const TypedParameter&) const = default;
};

struct TypedPrototype {
  PbType result = PbType::None;
  std::vector<TypedParameter> parameters;

  bool operator==(const TypedPrototype&) const = default;
};

// A stored prototype names at most this many parameters (C compilers take 127
// and more; no DLL export takes this many).
inline constexpr std::size_t kMaxTypedParameters = 256;

// The declaration's types, and its parameter names made valid PureBasic
// names: characters other than A-Z, a-z, 0-9 and _ become _; a name that
// starts with a digit or is a PureBasic keyword or command gets _ in front
// (len -> _len); an unnamed parameter is p1, p2 ... by its position; a name
// taken by an earlier parameter (ignoring case) gets _2, _3 ...
TypedPrototype MakeTypedPrototype(const CFunction& function);

// "hWnd.i, lpText.p-unicode, lpCaption.p-unicode, uType.l"
std::string TypedParameterList(const TypedPrototype& prototype);

// keyword "Prototype" or "PrototypeC" and the prototype's name:
// "Prototype.l MessageBoxW(hWnd.i, lpText.p-unicode, lpCaption.p-unicode, uType.l)"
std::string PrototypeLine(std::string_view keyword, std::string_view name, const TypedPrototype& prototype);

// The one-line form a project keeps: the result suffix and the parameter list
// in parentheses, ".l(hWnd.i, lpText.p-unicode, lpCaption.p-unicode, uType.l)".
std::string FormatTypedPrototype(const TypedPrototype& prototype);
// Reads that form back; empty optional for anything it would not write.
std::optional<TypedPrototype> ParseTypedPrototype(std::string_view text);

// What a row's empty Comment gets from the header: "variadic" and the
// parameters passed as a struct by value when there are such, then the
// declaration's text: "variadic; int wsprintfW(LPWSTR, LPCWSTR, ...)".
std::string DeclarationComment(const CFunction& function, const TypedPrototype& prototype);

}  // namespace vantorel
