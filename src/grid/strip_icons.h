#pragma once
// The grid's built-in strip icons, held in the program as a list of ICO
// files, each preceded by its 32-bit little-endian byte count; a count of 0
// ends the list. Order: empty tick box, ticked box, plus box, minus box and
// two blanks, each one image of 32 bits with alpha, of one side: 16, 20,
// 24 or 32 pixels.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/ico.h"

namespace vantorel {

inline constexpr int kBuiltInStripIconCount = 6;

// Empty for a side the icons are not drawn at.
std::span<const std::uint8_t> BuiltInStripIconData(int side = 16);

// The blobs of a length-prefixed list, in order. None when a count runs past
// the end of the data or the terminating 0 is missing.
std::optional<std::vector<std::span<const std::uint8_t>>> SplitLengthPrefixed(std::span<const std::uint8_t> data);

}  // namespace vantorel
