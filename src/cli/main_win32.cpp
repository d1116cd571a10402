// The command line's entry on Windows: wide arguments become UTF-8 for the
// front end; text for a console window is written as UTF-16 so every name
// shows whatever the console's code page, while redirected output stays the
// exact UTF-8 bytes (a generated source keeps its BOM and CR LF).
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/utf8.h"

namespace {

class Win32Console final : public vantorel::CliConsole {
 public:
  Win32Console() : out_(GetStdHandle(STD_OUTPUT_HANDLE)), err_(GetStdHandle(STD_ERROR_HANDLE)) {}
  ~Win32Console() override { Flush(); }

  void Out(std::string_view bytes) override {
    pending_ += bytes;
    if (pending_.size() >= (std::size_t{1} << 20)) Flush();
  }
  void Err(std::string_view bytes) override {
    Flush();
    Write(err_, bytes);
  }
  bool Flush() {
    const bool ok = Write(out_, pending_);
    pending_.clear();
    failed_ = failed_ || !ok;
    return ok;
  }
  bool failed() const { return failed_; }

  std::u16string LanguageName(std::uint16_t languageId) override {
    wchar_t name[128] = {};
    VerLanguageNameW(languageId, name, 128);
    // Some systems count the terminating zero in the result: stop at it.
    return std::u16string(name, name + wcsnlen(name, 128));
  }

 private:
  static bool Write(HANDLE handle, std::string_view bytes) {
    if (bytes.empty()) return true;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    if (GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode)) {
      const std::u16string text = vantorel::Utf16FromUtf8(bytes);
      DWORD written = 0;
      return WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0;
    }
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::size_t{1} << 24));
      DWORD written = 0;
      if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
      bytes.remove_prefix(written);
    }
    return true;
  }

  HANDLE out_;
  HANDLE err_;
  std::string pending_;
  bool failed_ = false;
};

}  // namespace

// The Windows shells hand "*.dll" over as it is; the C runtime expands it, as
// a shell elsewhere would, so batch use reads the same on every system.
extern "C" int _dowildcard;
int _dowildcard = -1;

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg(argv[i]);
    args.push_back(vantorel::Utf8FromUtf16(std::u16string(arg.begin(), arg.end())));
  }
  Win32Console console;
  const int status = vantorel::RunCommandLine(args, console);
  if (!console.Flush() || console.failed()) return status == 0 ? vantorel::kExitFileFailed : status;
  return status;
}
