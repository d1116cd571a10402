#include "app/status_text.h"

#include "analysis/file_facts.h"

namespace vantorel {

namespace {

std::u16string Decimal(std::int64_t n) {
  const bool negative = n < 0;
  std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  std::u16string s;
  do {
    s.insert(s.begin(), static_cast<char16_t>(u'0' + u % 10));
    u /= 10;
  } while (u);
  if (negative) s.insert(s.begin(), u'-');
  return s;
}

std::u16string PadTo(std::u16string s, std::size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), u'0');
  return s;
}

}  // namespace

std::u16string SelectionCountText(std::int64_t ticked, std::int64_t total) {
  const std::size_t width = Decimal(total).size();
  return u"   " + PadTo(Decimal(ticked), width) + u" of " + Decimal(total) + u" functions selected!";
}

std::u16string MainTitle(std::u16string_view currentPath, Edition edition) {
  const std::u16string name(TraitsOf(edition).name);
  if (currentPath.empty()) return name;
  return name + u" - " + std::u16string(currentPath);
}

std::u16string FileSizeField(std::int64_t size) { return u" Filesize: " + FormatFileSize(size, 2); }

std::u16string FileVersionField(std::u16string_view fileVersion) {
  return u" FileVersion: " + std::u16string(fileVersion);
}

}  // namespace vantorel
