// A library named on the command line, read only as far as a command needs:
// its headers, its export table, its version resource; never laid out.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/exports.h"
#include "analysis/pe_check.h"
#include "cli/run.h"
#include "codegen/session.h"
#include "platform/byte_source.h"
#include "platform/pe_image.h"

namespace vantorel::cli {

struct LibraryFile {
  std::string argument;  // as given, for messages and names
  std::unique_ptr<FileByteSource> source;
  std::unique_ptr<SourceReader> reader;  // over source
  int check = kPeInvalid;
  PeHeaders headers;
  std::vector<ExportEntry> exports;  // when asked for

  std::uint64_t size() const { return source->Size(); }
};

// Opens a library file, runs the PE check and reads its headers and, with
// walkExports, its export table. Every failure is told through run.Fail.
std::optional<LibraryFile> OpenLibraryFile(CommandRun& run, const std::string& argument, bool walkExports);

// All bytes of a file (a project), with the same complaints.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(CommandRun& run, const std::string& argument);

// The library's SHA-1 as 40 hex digits, streamed; empty when reading failed.
std::u16string FingerprintOf(const LibraryFile& library);

// The library as freshly opened at `path`: its export table (moved out of
// `library`) and every export a ticked row, named in the chosen code page.
Session OpenedSession(const CommandRun& run, LibraryFile& library, std::u16string path);

}  // namespace vantorel::cli
