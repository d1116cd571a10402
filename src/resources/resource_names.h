// Display names of the predefined resource types.
#pragma once

#include <cstdint>
#include <string>

namespace vantorel {

// The name the resource tree shows for an integer type id: "Cursor" for 1
// up to "Manifest" for 24 (ids without a predefined name show as their
// number). Empty for 0 and for ids above 24, which the tree leaves out.
std::u16string ResourceTypeName(std::uint32_t id);

}  // namespace vantorel
