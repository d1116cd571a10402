// The command-line front end: lists exports, writes loader sources and
// project files, and tells the facts of libraries, from the same core the
// window uses. It reads libraries as files and never loads them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "analysis/language_names.h"

namespace vantorel {

// Where the front end's text goes, and what it asks the system; the
// platform's main decides how bytes reach a terminal. Text is UTF-8.
class CliConsole {
 public:
  virtual ~CliConsole() = default;
  virtual void Out(std::string_view bytes) = 0;
  virtual void Err(std::string_view bytes) = 0;
  // The display name of a version resource's language. Windows names it
  // itself (as the window shows it); elsewhere the common ones are known.
  virtual std::u16string LanguageName(std::uint16_t languageId) {
    return std::u16string(LanguageDisplayName(languageId));
  }
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 1;      // the command line itself is wrong; nothing was done
inline constexpr int kExitFileFailed = 2;  // some file could not be used; the others were processed

// Runs one command line. args are the arguments after the program name, in
// UTF-8 (on Windows converted from the wide command line; on other systems
// as the system gives them, which are also the bytes of the paths).
int RunCommandLine(std::span<const std::string> args, CliConsole& console);

}  // namespace vantorel
