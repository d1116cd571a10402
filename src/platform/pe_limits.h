#pragma once
// Limits of the PE format as the system loader applies them, shared by the
// export walk and the editor component's own loader.
#include <cstddef>

namespace vantorel {

// The loader has long refused images with more sections than this; it also
// bounds the work of a hostile section table.
inline constexpr std::size_t kMaxSections = 96;

}  // namespace vantorel
