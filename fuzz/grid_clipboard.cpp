// The grid's clipboard reader takes any text another program left there:
// parsed, written back out and parsed again it must give the same cells, and
// mapping it onto a grid never reaches past the grid.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "grid/grid_clipboard.h"
#include "grid/grid_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantorel;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const GridTextBlock cells = ParseGridBlock(text);
  if (ParseGridBlock(FormatGridBlock(cells)) != cells) std::abort();

  GridModel model;
  for (int c = 0; c < 3; ++c) model.InsertColumn(-1);
  for (int r = 0; r < 4; ++r) model.InsertRow(-1, u"", 0);
  const GridCell at{size % 4 ? 1 : 0, size % 3 ? 2 : 0};
  for (const GridCellWrite& write : PasteWrites(model, at, text))
    if (!model.HasCell(write.column, write.row) || write.row < at.row || write.column < 0) std::abort();
  return 0;
}
