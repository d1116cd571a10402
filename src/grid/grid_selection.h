#pragma once
// The block selection: which cells it covers, whether one is being made,
// and which kind of block the grid makes (cells, whole columns, whole rows,
// or none at all).
#include <cstdint>

#include "grid/grid_model.h"
#include "grid/grid_rules.h"

namespace vantorel {

struct GridSelection {
  GridBlock block;
  std::uint8_t mode = 0;  // 0 none, 2 a block being made
  std::uint8_t kind = 0;  // 0 cells, 1 whole columns, 2 whole rows, 3 no blocks

  bool HasBlock() const { return block.anchorColumn >= 0; }
  // Whether block cells are painted as such: always without a current cell,
  // and with one when the block is more than that cell.
  bool Shows(bool hasCurrentCell) const {
    if (!HasBlock()) return false;
    return !hasCurrentCell || block.width > 1 || block.height > 1;
  }
  // Whether the current cell moving off repaints the whole list: a larger
  // block goes, or whole columns or rows follow it.
  bool MoveRepaintsAll(bool hasCurrentCell) const { return Shows(hasCurrentCell) || kind == 1 || kind == 2; }
  // A block being made from one cell (its column or row for kinds 1 and 2);
  // nothing while blocks are off.
  void StartAt(const GridModel& model, GridCell cell) {
    if (kind == 3) return;
    block = BlockBetween(model, cell, cell, kind);
    mode = 2;
  }
  // Where moves start without a current cell: the block's moving corner.
  GridCell MovingCorner() const { return GridCell{block.currentRow, block.currentColumn}; }
  void Clear() {
    block = GridBlock{};
    mode = 0;
  }
};

}  // namespace vantorel
