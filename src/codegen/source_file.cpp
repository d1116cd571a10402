#include "codegen/source_file.h"

#include <algorithm>

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
  // Nearly all of a source is ASCII: its runs are copied as they stand, and
  // only the rest goes through the UTF-8 encoder. A surrogate pair never
  // spans a line end, so encoding whole runs pairs them as line by line.
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    std::size_t end = i;
    while (end < n && text[end] < 0x80 && text[end] != u'\r' && text[end] != u'\n') ++end;
    if (end > i) {
      const std::size_t at = bytes.size();
      bytes.resize(at + (end - i));
      std::transform(text.begin() + i, text.begin() + end, bytes.begin() + at,
                     [](char16_t c) { return static_cast<char>(c); });
      i = end;
      continue;
    }
    if (text[i] == u'\r' || text[i] == u'\n') {
      bytes += "\r\n";
      i += text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n' ? 2 : 1;
      continue;
    }
    while (end < n && text[end] >= 0x80) ++end;
    AppendUtf8(bytes, text.substr(i, end - i));
    i = end;
  }
  bytes += "\r\n";  // the last line, even an empty one after a final line end
  return bytes;
}

}  // namespace vantorel
