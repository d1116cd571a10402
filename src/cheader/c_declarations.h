// The C function declarations of a preprocessed translation unit, with their
// parameters' and result's PureBasic types. The text is parsed by a real C
// parser; typedefs are followed in declaration order, as a compiler does.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// A PureBasic type as a Prototype writes it. None is untyped: a PureBasic
// integer, which is also what a struct passed by value is left as.
enum class PbType : std::uint8_t {
  None,
  Byte,      // .b    char, signed char
  Ascii,     // .a    unsigned char, BYTE
  Word,      // .w    short
  Unicode,   // .u    unsigned short, wchar_t
  Long,      // .l    int, long, their unsigned forms, enums
  Quad,      // .q    long long
  Float,     // .f
  Double,    // .d
  Integer,   // .i    pointers, handles, size_t and the other pointer-sized integers
  PAscii,    // .p-ascii    const char *
  PUnicode,  // .p-unicode  const wchar_t *
};

// ".l", ".p-unicode", or "" for None.
std::string_view PbTypeSuffix(PbType type);

enum class CallingConvention : std::uint8_t { Cdecl, Stdcall, Fastcall, Thiscall, Vectorcall };

struct CParameter {
  std::string name;  // as declared; empty for an unnamed parameter
  PbType type = PbType::None;
  bool structByValue = false;  // a struct or union passed by value (type is None)
};

struct CFunction {
  std::string name;
  std::vector<CParameter> parameters;  // the fixed ones; a lone void is none
  bool variadic = false;               // ends in "..."
  PbType result = PbType::None;        // None also for void
  bool resultStructByValue = false;
  CallingConvention convention = CallingConvention::Cdecl;  // C's default when none is written
  std::string text;                    // the declaration on one line, e.g. "int MessageBoxW(HWND hWnd, ...)"
};

// A calling convention the preprocessed text no longer shows (the importer
// takes it out, as the parser does not accept it everywhere compilers do),
// for the top-level statement that starts at this offset of the text.
struct StatementConvention {
  std::size_t offset = 0;
  CallingConvention convention = CallingConvention::Cdecl;
};

// The declaration text stored with a function is cut to this many bytes.
inline constexpr std::size_t kMaxDeclarationText = 512;

struct DeclarationScan {
  std::vector<CFunction> functions;  // sorted by name, the first declaration of each name
  std::size_t unknownTypeNames = 0;  // uses of type names nothing declared (nor is well known)
};

// Every function declared or defined at file scope. conventions must be
// sorted by offset. Empty optional when the parser ran out of time.
std::optional<DeclarationScan> ScanDeclarations(std::string_view text,
                                                const std::vector<StatementConvention>& conventions,
                                                std::chrono::microseconds time_limit);

}  // namespace vantorel
