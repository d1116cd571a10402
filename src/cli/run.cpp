#include "cli/run.h"

#include <algorithm>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace vantorel::cli {

namespace fs = std::filesystem;

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

fs::path PathFromArgument(const std::string& utf8) {
#ifdef _WIN32
  const std::u16string wide = Utf16FromUtf8(utf8);
  return fs::path(std::wstring(wide.begin(), wide.end()));
#else
  return fs::path(utf8);
#endif
}

std::string ArgumentFromPath(const fs::path& path) {
#ifdef _WIN32
  const std::wstring wide = path.wstring();
  return Utf8(std::u16string(wide.begin(), wide.end()));
#else
  return path.string();
#endif
}

std::u16string Utf16Path(const std::string& argument) { return Utf16FromUtf8(argument); }

void CommandRun::Fail(const std::string& file, std::string_view what) {
  console_.Err(std::string(kProgram) + ": " + file + ": " + std::string(what) + "\n");
  status_ = kExitFileFailed;
}

void CommandRun::Warn(std::string_view what) {
  console_.Err(std::string(kProgram) + ": warning: " + std::string(what) + "\n");
}

std::u16string CommandRun::Decode(std::string_view bytes) const { return DecodeCodePage(bytes, options_.codePage); }

std::string_view CommandRun::DecodeUtf8(std::string_view bytes, std::string& scratch) const {
  // ASCII reads the same in every code page the options accept.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return bytes;
  scratch.clear();
  AppendUtf8(scratch, Decode(bytes));
  return scratch;
}

}  // namespace vantorel::cli
