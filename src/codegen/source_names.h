// The names the generated loader gives its rows. PureBasic takes a name of
// A-Z, a-z, 0-9 and "_" that does not start with a digit, is no keyword, no
// native type letter, no library command, not the loader's own hDLL or
// procedure, holds at most 128 characters and is declared once, case
// ignored; a string literal holds no control character and at most 8192
// characters. The grid keeps what the user typed: only the text changes.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codegen/source_generator.h"
#include "platform/purebasic_names.h"

namespace vantorel {

// A longer name is cut to this, which leaves room for a "_2" that tells it
// from another cut the same way.
inline constexpr std::size_t kCutPureBasicName = 120;
inline constexpr std::size_t kMaxPureBasicLiteral = 8192;

// Why a row's loader name is not its alias; several may hold at once.
enum RenameReason : unsigned {
  kRenamedNoAlias = 1u << 0,       // Export<N>, N the row's 1-based position
  kRenamedCharacters = 1u << 1,    // other characters became "_"
  kRenamedLeadingDigit = 1u << 2,  // "_" in front
  kRenamedKeyword = 1u << 3,
  kRenamedTypeLetter = 1u << 4,
  kRenamedCommand = 1u << 5,
  kRenamedHandle = 1u << 6,     // the loader's hDLL
  kRenamedProcedure = 1u << 7,  // the loader procedure's name
  kRenamedTooLong = 1u << 8,    // cut to 120 characters
  kRenamedTaken = 1u << 9,      // an earlier row has the name: "_2", "_3"...
};

// Why a ticked row is not in the source at all.
enum class LeftOut {
  No,
  NoFunctionName,  // an export by ordinal only, or an empty slot
  NoLiteral,       // its name holds a control character or is too long
};

struct LoaderRow {
  bool written = false;   // the row is in the source
  unsigned renamed = 0;   // RenameReason bits; 0 when the loader name is the alias
  std::u16string rename;  // the loader name when it is not the alias; empty otherwise
  LeftOut leftOut = LeftOut::No;
};

struct LoaderNames {
  std::u16string procedure;      // the loader procedure, "user32_LoadDLL"
  std::vector<LoaderRow> rows;   // one per row given, in order; unticked ones are not written
  std::size_t written = 0;       // rows in the source
  std::size_t renamed = 0;       // of those, the ones whose name is not their alias
  std::size_t leftOut = 0;       // ticked rows that are not in the source
};

// The name a written row has in the source.
inline std::u16string_view LoaderName(const LoaderRow& names, const FunctionRow& row) {
  return names.renamed != 0 ? std::u16string_view(names.rename) : std::u16string_view(row.alias);
}

// Whether a name is one of PureBasic's keywords or library commands,
// ignoring case.
bool IsPureBasicKeyword(std::u16string_view name);
bool IsPureBasicCommand(std::u16string_view name);

// Whether a PureBasic string literal can hold the text: no control
// character, and at most 8192 characters between its quotes.
bool FitsPureBasicLiteral(std::u16string_view text);
// Appends the text as a literal that fits: "text", or, when it holds a quote
// or a backslash, ~"text" with a backslash before each.
void AppendPureBasicLiteral(std::u16string& out, std::u16string_view text);

// The loader procedure's name: the library's base name with every character
// a name cannot hold turned into "_", "_" in front of a leading digit, then
// "_LoadDLL" (vulkan-1.dll: vulkan_1_LoadDLL).
std::u16string LoaderProcedureName(std::u16string_view libraryPath);

// The names of the ticked rows, in row order, each taken from its alias.
LoaderNames NameLoaderRows(std::span<const FunctionRow> rows, std::u16string_view libraryPath);

// What a renamed row's Alias tip adds: "loader name: _select (same as a
// PureBasic keyword)". Empty for a row written under its alias.
std::u16string RenameNote(const LoaderRow& row);

}  // namespace vantorel
