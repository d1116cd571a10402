// One run of a command: its options, where its text goes, its exit status,
// and how arguments become paths.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "cli/options.h"

namespace vantorel::cli {

std::string Utf8(std::u16string_view text);

// Arguments are UTF-8; paths on Windows are wide, elsewhere the same bytes.
std::filesystem::path PathFromArgument(const std::string& utf8);
std::string ArgumentFromPath(const std::filesystem::path& path);
// Paths on other systems are bytes; ones that are not UTF-8 still work as
// files and only show U+FFFD where the generated text names them.
std::u16string Utf16Path(const std::string& argument);

class CommandRun {
 public:
  CommandRun(CliConsole& console, const Options& options) : console_(console), options_(options) {}

  CliConsole& console() const { return console_; }
  const Options& options() const { return options_; }
  int status() const { return status_; }

  // One line on standard error about a file; the run ends with kExitFileFailed.
  void Fail(const std::string& file, std::string_view what);
  void Warn(std::string_view what);
  // Export names in the chosen ANSI code page.
  std::u16string Decode(std::string_view bytes) const;
  // The same as UTF-8: ASCII bytes, nearly every name, stand for themselves;
  // others are decoded into scratch.
  std::string_view DecodeUtf8(std::string_view bytes, std::string& scratch) const;

 private:
  CliConsole& console_;
  const Options& options_;
  int status_ = kExitSuccess;
};

}  // namespace vantorel::cli
