// Reading a library's C header: the header and the headers it includes that
// are found beside it or in the given folders are preprocessed as the
// edition's Windows compiler would see them, parsed, and every C function
// they declare is returned with its parameters' PureBasic types.
//
// Headers come from outside and are not trusted: every file is size-checked
// before it is read, binary files are refused, and the preprocessor's and the
// parser's work is bounded in tokens, bytes and time. A header that breaks a
// bound gives a fault and no functions, never a partial answer.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cheader/c_declarations.h"
#include "platform/edition.h"

namespace vantorel {

struct HeaderLimits {
  std::uint64_t maxFileBytes = 16u << 20;   // one header (the largest Windows headers are under 1 MiB)
  std::uint64_t maxTotalBytes = 64u << 20;  // all headers read in one import
  std::size_t maxFiles = 4096;              // distinct headers read in one import
  // Tokens the preprocessor may make, read and expanded (<windows.h> makes
  // under a million): each costs about 200 bytes while it lives.
  std::size_t maxTokens = 6'000'000;
  std::size_t maxTextBytes = 48u << 20;     // the preprocessed text handed to the parser
  std::chrono::milliseconds maxTime{10000}; // preprocessing and parsing together
};

struct HeaderImportOptions {
  Edition edition = kEdition;  // whose compiler's predefined macros and pointer size
  std::vector<std::filesystem::path> includeDirs;  // searched for includes after the including file's folder
  HeaderLimits limits;
};

enum class HeaderFault {
  None,
  Unreadable,         // the file cannot be opened or read, or is no regular file
  TooLarge,           // one file is over maxFileBytes
  Binary,             // holds NUL bytes (and is no UTF-16 text)
  TooManyFiles,       // more than maxFiles headers
  TooMuchInput,       // all files together over maxTotalBytes
  NestedTooDeeply,    // includes itself (or a circle of headers) without end
  TooMuchWork,        // the preprocessor made more than maxTokens, or its text is over maxTextBytes
  TimedOut,           // preprocessing and parsing took longer than maxTime
  PreprocessorError,  // an #error the header means, or a directive the preprocessor cannot read
};

// A few words for a message, e.g. "includes itself without end".
std::string_view DescribeHeaderFault(HeaderFault fault);

struct HeaderImport {
  HeaderFault fault = HeaderFault::None;
  std::string faultFile;    // UTF-8 path of the header at fault, when one is
  std::string faultDetail;  // the preprocessor's own words, with the line, when it has any
  std::vector<CFunction> functions;          // sorted by name, one per name; empty after a fault
  std::vector<std::string> missingIncludes;  // includes found nowhere, as written: "<mm_malloc.h>"
  std::size_t filesRead = 0;
  bool readWindowsH = false;  // <windows.h> was among them (or was read first, for a header that needs it)
};

// The whole import of one header file. Bounded by options.limits; safe to
// call from any thread, one import per thread at a time.
HeaderImport ImportHeader(const std::filesystem::path& header, const HeaderImportOptions& options);

// The same over a header's text held in memory (named path for the messages
// and for finding the files it includes beside it).
HeaderImport ImportHeaderText(std::string_view text, const std::filesystem::path& path,
                              const HeaderImportOptions& options);

// The declaration an export stands for: its own name, or in the x86 edition a
// decorated name of stdcall or fastcall (_Name@8, @Name@8, Name@8) whose
// undecorated name is declared. functions must be sorted by name, as an
// import leaves them. Null when none matches.
const CFunction* FindDeclaration(const std::vector<CFunction>& functions, std::string_view export_name);

}  // namespace vantorel
