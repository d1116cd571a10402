#include "codegen/source_file.h"

#include "platform/utf8.h"

namespace vantorel {

std::u16string ReplaceFileExtension(std::u16string_view path, std::u16string_view extension) {
  const std::size_t slash = path.find_last_of(u"\\/");
  const std::size_t fileStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind(u'.');
  // A "." in a folder name is no extension: the new one is appended then.
  const bool hasExtension = dot != std::u16string_view::npos && dot >= fileStart;
  std::u16string result(hasExtension ? path.substr(0, dot) : path);
  result += u'.';
  result += extension;
  return result;
}

std::u16string DefaultSourcePath(std::u16string_view libraryPath) { return ReplaceFileExtension(libraryPath, u"pbi"); }

void AppendSourceLine(std::string& out, std::u16string_view line) {
  AppendUtf8(out, line);
  out += "\r\n";
}

std::string EncodeSourceFile(std::span<const std::u16string> lines) {
  std::size_t length = kUtf8Bom.size();
  for (const std::u16string& line : lines) length += line.size() + 2;
  std::string bytes;
  bytes.reserve(length);
  bytes += kUtf8Bom;
  for (const std::u16string& line : lines) AppendSourceLine(bytes, line);
  return bytes;
}

std::string EncodeSourceText(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(kUtf8Bom.size() + text.size() + text.size() / 16);
  bytes += kUtf8Bom;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    AppendSourceLine(bytes, text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  AppendSourceLine(bytes, text.substr(start));
  return bytes;
}

}  // namespace vantorel
