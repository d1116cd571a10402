// What the function grid's tip tells about one export: the undecorated
// signature, ordinal, address, forwarder and the parameter count the
// decoration gives. Made for one export when its row is hovered, never for
// the whole table. Texts stay in the library's code page like the name
// itself; every fixed text is ASCII, so the caller converts the whole tip as
// it converts names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// One slot of the export table as the walk found it.
struct ExportFacts {
  std::string_view name;  // empty: the slot has no name
  // No ordinal: the name is not in the open library's table (a project row
  // whose library has changed); the tip says only what the name itself tells.
  std::optional<std::uint32_t> ordinal;
  std::uint32_t rva = 0;       // 0: an empty slot
  std::string_view forwarder;  // "LIBRARY.Name" or "LIBRARY.#n"; empty: not forwarded
  bool pe32 = false;           // the library is 32-bit (stdcall sizes count in 4-byte steps)
};

// Undecorates an MSVC name ("?..."); empty when it cannot. The system's
// undecorator on Windows; elsewhere none is given and the tip goes without
// the MSVC signature (the parameter count still comes from the decoration).
using MsvcUndecorator = std::string (*)(std::string_view decorated);

struct ParameterCount {
  int count = 0;
  bool variadic = false;  // "..." follows the counted ones
  bool hasThis = false;   // a member function: the object pointer comes first
};

// The count the decoration gives: MSVC "?..." names, Itanium "_Z..." names
// (after demangling; a 32-bit stdcall "@N" suffix is allowed), and on 32-bit
// the stdcall/fastcall forms "_Name@N", "Name@N", "@Name@N" (N / 4).
std::optional<ParameterCount> ParameterCountOf(std::string_view name, bool pe32);

// The Itanium demangling of a "_Z..." name (with a 32-bit "@N" suffix
// allowed); empty when it is not one or cannot be demangled.
std::string DemangleItanium(std::string_view name);

// The parameter list's length in a demangled C++ signature such as
// "Vt::Archive::Read(void*, unsigned int) const": the last parenthesised
// group, with its cv- and ref-qualifiers after it. Empty when the text does
// not end in one (variables, vtables).
std::optional<ParameterCount> CountDemangledParameters(std::string_view signature);

// Names, signatures and forwarders longer than this are cut, with "..." at
// the end: a tip stays readable, and a template-heavy name can undecorate to
// kilobytes.
inline constexpr std::size_t kMaxSignatureLength = 300;

struct ExportTip {
  std::string title;               // the export's name, or "(no name)"
  std::vector<std::string> lines;  // each only where it applies
};

// Lines, in this order, each only where it applies (ordinal, RVA and the
// unnamed-slot lines only with an ordinal):
//   <undecorated signature>
//   ordinal: 0x0001
//   RVA: 0x00001040                        (empty slot: "empty slot: no address")
//   forwarded to NTDLL.RtlAllocateHeap
//   no name: exported by ordinal only
//   parameters: 2 | parameters: 1 + this | parameters: at least 1
ExportTip MakeExportTip(const ExportFacts& facts, MsvcUndecorator undecorateMsvc);

// The grid's titled tip form: the title, the character 7, then the lines
// separated by CR LF.
std::string FormatTitledTip(const ExportTip& tip);

}  // namespace vantorel
