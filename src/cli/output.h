// What the commands print and write: text that keeps one entry a line,
// padded table columns, JSON strings, and files written whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run.h"

namespace vantorel::cli {

// A name or version string with a line break or other control character
// must not break the one-line-per-entry layout (or forge lines of its own):
// such bytes show as \xNN. JSON escapes them its own way.
std::string Printable(std::string text);
void AppendPrintable(std::string& out, std::string_view text);
// Columns Printable(text) takes.
std::size_t PrintableWidth(std::string_view utf8);
// Columns a UTF-8 text takes: its code points.
std::size_t DisplayWidth(std::string_view utf8);
void AppendPadded(std::string& out, std::string_view text, std::size_t width, bool right);
// "0x" and 8 upper-case hex digits.
std::string Hex32(std::uint32_t value);
void AppendHex32(std::string& out, std::uint32_t value);
void AppendJsonString(std::string& out, std::string_view utf8);

// Writes a run's output files.
class FileWriter {
 public:
  explicit FileWriter(CommandRun& run) : run_(run) {}

  // Writes bytes to target, or to standard output for "-". A folder or an
  // input of the run is never replaced; a failure is told for forFile.
  bool Write(const std::string& target, std::string_view bytes, const std::string& forFile);

 private:
  bool IsInput(const std::filesystem::path& target);

  struct InputStamp {
    std::filesystem::path path;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time;
  };

  CommandRun& run_;
  std::vector<InputStamp> inputStamps_;
};

}  // namespace vantorel::cli
