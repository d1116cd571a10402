#include "grid/grid_clipboard.h"

namespace vantorel {

std::u16string FormatGridBlock(const GridTextBlock& rows) {
  std::u16string out;
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) out += u'\t';
      out += row[c];
    }
    out += u"\r\n";
  }
  return out;
}

GridTextBlock ParseGridBlock(std::u16string_view text) {
  GridTextBlock rows;
  if (text.empty()) return rows;
  rows.emplace_back(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t ch = text[i];
    if (ch == u'\t') {
      rows.back().emplace_back();
    } else if (ch == u'\r' || ch == u'\n') {
      if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      if (i + 1 < text.size()) rows.emplace_back(1);
    } else {
      rows.back().back() += ch;
    }
  }
  return rows;
}

}  // namespace vantorel
