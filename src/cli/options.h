// The command line's words: the four commands, their options and their help.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace vantorel::cli {

inline constexpr std::string_view kProgram = "vantorel";

enum class Command { Exports, Source, Project, Info };

struct Options {
  Command command = Command::Exports;
  bool help = false;
  bool json = false;
  unsigned codePage = kWesternCodePage;
  std::optional<std::string> output;   // -o; "-" is standard output
  std::optional<std::string> dir;      // -d
  std::optional<std::string> project;  // --project
  std::vector<std::string> headers;      // --header, each in turn
  std::vector<std::string> includeDirs;  // --include, searched in turn
  std::vector<std::string> filters;  // exports --filter: any match lists a slot
  std::vector<std::string> only;     // source --only: the rows left ticked
  std::vector<std::string> except;   // source --except: rows unticked after that
  std::vector<std::string> files;
};

// Thrown nowhere: parsing reports its first complaint through this.
struct UsageError {
  std::string message;
};

// What "vantorel --help" prints.
std::string_view MainHelp();
std::optional<Command> ParseCommand(std::string_view word);
std::string_view HelpOf(Command command);
std::string_view NameOf(Command command);

// Reads the arguments after the command word into options (whose command is
// set). Options may come before or after the files; "--" ends them.
std::optional<UsageError> ParseOptions(std::span<const std::string> args, Options& options);

}  // namespace vantorel::cli
