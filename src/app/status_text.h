#pragma once
// The texts of the main window's title and status fields.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/edition.h"

namespace vantorel {

// "   007 of 123 functions selected!": both numbers padded with "0" to the
// number of digits of the total.
std::u16string SelectionCountText(std::int64_t ticked, std::int64_t total);

// "Vantorel - PATH", or "Vantorel" when nothing is open; the x86 edition
// names itself "Vantorel x86".
std::u16string MainTitle(std::u16string_view currentPath, Edition edition = kEdition);

// Status field 2 for a file of the given size (-1: the file system cannot say).
std::u16string FileSizeField(std::int64_t size);

// Status field 3 for a file version string.
std::u16string FileVersionField(std::u16string_view fileVersion);

}  // namespace vantorel
