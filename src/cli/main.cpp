// The command line's entry on systems other than Windows: arguments and
// paths are bytes, output goes straight to the standard streams.
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/cli.h"

namespace {

class StdioConsole final : public vantorel::CliConsole {
 public:
  void Out(std::string_view bytes) override { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }
  void Err(std::string_view bytes) override {
    std::fflush(stdout);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Into a file or a pipe, output goes in large writes; a terminal keeps
  // seeing each line as it comes.
  if (!isatty(fileno(stdout))) std::setvbuf(stdout, nullptr, _IOFBF, std::size_t{1} << 16);
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  StdioConsole console;
  const int status = vantorel::RunCommandLine(args, console);
  // A full disk or a closed pipe must not pass for success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return status == 0 ? vantorel::kExitFileFailed : status;
  return status;
}
