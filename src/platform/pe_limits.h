#pragma once
// The one set of caps on PE data from outside: the header parser, the
// layout of a file as an image, the editor component's own loader and the
// command line all read them from here.
#include <cstddef>
#include <cstdint>

namespace vantorel {

// The loader has long refused images with more sections than this; it also
// bounds the work of a hostile section table.
inline constexpr std::size_t kMaxSections = 96;

// SizeOfImage beyond this is not laid out or mapped: far above any library
// the tools are meant for, and a hostile header cannot make an image larger.
inline constexpr std::size_t kMaxImageSize = std::size_t{512} << 20;

// Library files larger than this are not read at all.
inline constexpr std::uint64_t kMaxLibraryFileSize = std::uint64_t{1} << 30;

}  // namespace vantorel
