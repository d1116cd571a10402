#include "cli/cli.h"

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/run.h"
#include "platform/version.h"

namespace vantorel {

using namespace cli;

namespace {

std::string WideVersion() {
  std::string version;
  for (const wchar_t* c = kVantorelVersion; *c; ++c) version += static_cast<char>(*c);
  return version;
}

}  // namespace

int RunCommandLine(std::span<const std::string> args, CliConsole& console) {
  auto usage = [&console](std::string_view message, std::string_view hint) {
    console.Err(std::string(kProgram) + ": " + std::string(message) + "\nTry '" + std::string(hint) +
                " --help'.\n");
    return kExitUsage;
  };
  if (args.empty()) {
    console.Err(MainHelp());
    return kExitUsage;
  }
  const std::string& first = args.front();
  if (first == "--help" || first == "-h" || first == "help") {
    console.Out(MainHelp());
    return kExitSuccess;
  }
  if (first == "--version") {
    console.Out(std::string(kProgram) + " " + WideVersion() + "\n");
    return kExitSuccess;
  }
  auto command = ParseCommand(first);
  if (!command) return usage("unknown command '" + first + "'", kProgram);

  Options options;
  options.command = *command;
  if (auto error = ParseOptions(args.subspan(1), options))
    return usage(error->message, std::string(kProgram) + " " + first);
  if (options.help) {
    console.Out(HelpOf(*command));
    return kExitSuccess;
  }
  CommandRun run(console, options);
  switch (options.command) {
    case Command::Exports: RunExports(run); break;
    case Command::Source: RunSource(run); break;
    case Command::Project: RunProject(run); break;
    case Command::Info: RunInfo(run); break;
  }
  return run.status();
}

}  // namespace vantorel
