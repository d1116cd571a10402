#include "cli/options.h"

#include <charconv>
#include <system_error>

namespace vantorel::cli {

namespace {

// The header options, alike for source and project.
#define HEADER_HELP                                                              \
  "  --header H         read the C header H (repeatable): every export it\n"    \
  "                     declares gets its parameter count, comment and typed\n" \
  "                     Prototype (PureBasic types, the header's names)\n"      \
  "  --include DIR      look for the headers H includes in DIR too (repeatable)\n"

constexpr std::string_view kMainHelp =
    "Usage: vantorel COMMAND [OPTION]... FILE...\n"
    "Lists the exports of Windows libraries and writes PureBasic loaders for them,\n"
    "reading the libraries as files (they are never loaded or run).\n"
    "\n"
    "Commands:\n"
    "  exports   every export slot: ordinal, RVA, name, forwarder\n"
    "  source    the loader source, as the window's Save Source writes it\n"
    "  project   the project file for a freshly opened library\n"
    "  info      PE check, machine, size, SHA-1 and version strings\n"
    "\n"
    "  vantorel COMMAND --help   describes a command\n"
    "  vantorel --version        prints the version\n"
    "\n"
    "Exit status: 0 success, 1 wrong command line, 2 a file could not be used\n"
    "(the other files are still processed).\n";

constexpr std::string_view kExportsHelp =
    "Usage: vantorel exports [--json] [--filter PATTERN]... [--codepage N] FILE...\n"
    "Lists every slot of each library's export address table in slot order:\n"
    "ordinal, RVA, name (the last of several names wins; empty for slots without\n"
    "one) and, for a slot that forwards to another library, its target.\n"
    "\n"
    "  --json        JSON: an array per library; with several files, an object\n"
    "                keyed by file name\n"
    "  --filter P    only the slots whose name, alias or undecorated C++ name\n"
    "                contains P, case ignored; with * or ? P is a wildcard\n"
    "                pattern for the whole text (repeatable: any match counts)\n"
    "  --codepage N  the ANSI code page of the names (default 1252)\n"
    "  -h, --help    this text\n";

constexpr std::string_view kSourceHelp =
    "Usage: vantorel source [-o OUT | -d DIR] [--project PRJ] [--header H]...\n"
    "                       [--include DIR]... [--only P]... [--except P]...\n"
    "                       [--codepage N] FILE...\n"
    "Writes the PureBasic loader source of each library exactly as the window's\n"
    "Save Source does (UTF-8 with BOM, CR LF), with every export ticked. Names\n"
    "follow PureBasic's rules; the rows renamed or left out for them are told\n"
    "on standard error.\n"
    "\n"
    "  -o, --output OUT   write to OUT (\"-\" or nothing: standard output)\n"
    "  -d, --dir DIR      write DIR/<base>.pbi per library, one line per file\n"
    "  --project PRJ      take the rows (ticks, aliases, Para, comments) from a\n"
    "                     project file; FILE, when given, is where the library is\n"
    "                     now; a moved or changed library is reported as a warning\n"
    HEADER_HELP
    "  --only P           leave ticked only the rows whose name, alias, comment\n"
    "                     or undecorated C++ name contains P, case ignored; with\n"
    "                     * or ? P is a wildcard pattern for the whole text\n"
    "                     (repeatable: any match counts)\n"
    "  --except P         then untick the rows P matches (repeatable); with\n"
    "                     --project both start from the project's ticks\n"
    "  --codepage N       the ANSI code page of the names (default 1252)\n"
    "  -h, --help         this text\n";

constexpr std::string_view kProjectHelp =
    "Usage: vantorel project [-o OUT] [--header H]... [--include DIR]... [--codepage N] FILE\n"
    "Writes the project file that Save on the Functions tab writes for the\n"
    "freshly opened library: its full path, SHA-1 and every export, ticked.\n"
    "\n"
    "  -o, --output OUT   write to OUT (\"-\" or nothing: standard output)\n"
    HEADER_HELP
    "  --codepage N       the ANSI code page of the names (default 1252)\n"
    "  -h, --help         this text\n";

constexpr std::string_view kInfoHelp =
    "Usage: vantorel info FILE...\n"
    "Tells the PE check's verdict, the machine, the file size, the SHA-1\n"
    "fingerprint and the 13 version strings of each file.\n"
    "\n"
    "  -h, --help   this text\n";

#undef HEADER_HELP

}  // namespace

std::string_view MainHelp() { return kMainHelp; }

std::optional<Command> ParseCommand(std::string_view word) {
  if (word == "exports") return Command::Exports;
  if (word == "source") return Command::Source;
  if (word == "project") return Command::Project;
  if (word == "info") return Command::Info;
  return std::nullopt;
}

std::string_view HelpOf(Command command) {
  switch (command) {
    case Command::Exports: return kExportsHelp;
    case Command::Source: return kSourceHelp;
    case Command::Project: return kProjectHelp;
    case Command::Info: return kInfoHelp;
  }
  return kMainHelp;
}

std::string_view NameOf(Command command) {
  switch (command) {
    case Command::Exports: return "exports";
    case Command::Source: return "source";
    case Command::Project: return "project";
    case Command::Info: return "info";
  }
  return "";
}

std::optional<UsageError> ParseOptions(std::span<const std::string> args, Options& options) {
  const Command c = options.command;
  const bool takesCodePage = c != Command::Info;
  const bool takesOutput = c == Command::Source || c == Command::Project;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (arg.starts_with("--")) {
      if (const auto equals = arg.find('='); equals != std::string::npos) {
        name = arg.substr(0, equals);
        value = arg.substr(equals + 1);
      }
    } else if (arg.size() > 2) {  // -oFILE
      name = arg.substr(0, 2);
      value = arg.substr(2);
    }
    auto takeValue = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto needsValue = [&](std::optional<std::string>& slot) -> std::optional<UsageError> {
      auto v = takeValue();
      if (!v) return UsageError{"option " + name + " needs a value"};
      if (slot) return UsageError{"option " + name + " is given twice"};
      slot = std::move(v);
      return std::nullopt;
    };
    std::optional<UsageError> error;
    if (name == "-h" || name == "--help") {
      if (value) return UsageError{"option " + name + " takes no value"};
      options.help = true;
    } else if (name == "--json" && c == Command::Exports) {
      if (value) return UsageError{"option --json takes no value"};
      options.json = true;
    } else if (name == "--codepage" && takesCodePage) {
      auto v = takeValue();
      unsigned number = 0;
      if (!v) return UsageError{"option --codepage needs a value"};
      const auto [end, status] = std::from_chars(v->data(), v->data() + v->size(), number);
      if (status != std::errc() || end != v->data() + v->size() || !IsSupportedCodePage(number)) {
        std::string known;
        for (unsigned page : SupportedCodePages()) known += (known.empty() ? "" : ", ") + std::to_string(page);
        return UsageError{"code page '" + *v + "' is not one of " + known};
      }
      options.codePage = number;
    } else if ((name == "-o" || name == "--output") && takesOutput) {
      error = needsValue(options.output);
    } else if ((name == "-d" || name == "--dir") && c == Command::Source) {
      error = needsValue(options.dir);
    } else if (name == "--project" && c == Command::Source) {
      error = needsValue(options.project);
    } else if ((name == "--filter" && c == Command::Exports) ||
               ((name == "--only" || name == "--except") && c == Command::Source)) {
      auto v = takeValue();
      if (!v || v->empty()) return UsageError{"option " + name + " needs a pattern"};
      (name == "--filter" ? options.filters : name == "--only" ? options.only : options.except).push_back(std::move(*v));
    } else if ((name == "--header" || name == "--include") && takesOutput) {
      auto v = takeValue();
      if (!v || v->empty()) return UsageError{"option " + name + " needs a value"};
      (name == "--header" ? options.headers : options.includeDirs).push_back(std::move(*v));
    } else {
      return UsageError{"unknown option '" + arg + "' for " + std::string(NameOf(c))};
    }
    if (error) return error;
  }
  if (options.help) return std::nullopt;

  const std::size_t files = options.files.size();
  if (c == Command::Source && options.project) {
    if (files > 1) return UsageError{"--project takes at most one library"};
  } else if (files == 0) {
    return UsageError{c == Command::Project ? "no library given" : "no file given"};
  }
  if (c == Command::Project && files > 1) return UsageError{"project takes one library"};
  if (options.output && options.dir) return UsageError{"-o and -d exclude each other"};
  if (c == Command::Source && files > 1 && !options.dir)
    return UsageError{"several libraries need -d DIR (one source file each)"};
  if (options.dir && *options.dir == "-") return UsageError{"-d needs a folder, not '-'"};
  for (const std::string& file : options.files) {
    if (file == "-") return UsageError{"'-' (standard input) is not a library; name the file"};
  }
  return std::nullopt;
}

}  // namespace vantorel::cli
