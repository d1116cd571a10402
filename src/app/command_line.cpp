#include "app/command_line.h"

namespace vantorel {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Reads one argument starting at pos (blanks before it skipped); returns
// false when the line is used up.
bool NextArgument(std::u16string_view line, std::size_t& pos, std::u16string& out) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos >= line.size()) return false;
  out.clear();
  bool quoted = false;
  for (; pos < line.size(); ++pos) {
    const char16_t c = line[pos];
    if (c == u'"') {
      quoted = !quoted;
    } else if (IsBlank(c) && !quoted) {
      break;
    } else {
      out.push_back(c);
    }
  }
  return true;
}

}  // namespace

std::u16string FirstArgument(std::u16string_view commandLine) {
  std::size_t pos = 0;
  std::u16string program, first;
  if (!NextArgument(commandLine, pos, program)) return {};
  if (!NextArgument(commandLine, pos, first)) return {};
  return first;
}

std::u16string_view PathExtension(std::u16string_view path) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == u'/' || path[i] == u'\\') return {};
    if (path[i] == u'.') return path.substr(i + 1);
  }
  return {};
}

bool IsProjectPath(std::u16string_view path) {
  const std::u16string_view ext = PathExtension(path);
  if (ext.size() != 3) return false;
  std::u16string lower(ext);
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return lower == u"prj";
}

std::u16string QuotedArgument(std::u16string_view path) {
  std::u16string s;
  s.reserve(path.size() + 2);
  s += u'"';
  s += path;
  s += u'"';
  return s;
}

}  // namespace vantorel
