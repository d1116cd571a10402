#include "platform/byte_source.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vantorel {

std::size_t MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset >= bytes_.size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), bytes_.size() - offset));
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
  return n;
}

#ifdef _WIN32
FileByteSource::FileByteSource(const std::filesystem::path& path)
    : descriptor_(_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT)) {
  if (descriptor_ < 0) return;
  const std::int64_t size = _lseeki64(descriptor_, 0, SEEK_END);
#else
FileByteSource::FileByteSource(const std::filesystem::path& path)
    : descriptor_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
  if (descriptor_ < 0) return;
  // The end as a seek finds it, not what stat says: a pipe or a terminal
  // has no size and so no bytes to read.
  const off_t size = lseek(descriptor_, 0, SEEK_END);
#endif
  if (size < 0) return;
  size_ = static_cast<std::uint64_t>(size);
  sized_ = true;
}

FileByteSource::~FileByteSource() {
#ifdef _WIN32
  if (descriptor_ >= 0) _close(descriptor_);
#else
  if (descriptor_ >= 0) close(descriptor_);
#endif
}

std::size_t FileByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (!sized_ || offset >= size_ || out.empty()) return 0;
  std::size_t done = 0;
  while (done < out.size()) {
    // At most 1 GiB a call: every system reads that much at once.
    const std::size_t want = std::min<std::size_t>(out.size() - done, std::size_t{1} << 30);
#ifdef _WIN32
    if (_lseeki64(descriptor_, static_cast<std::int64_t>(offset + done), SEEK_SET) < 0) break;
    const int got = _read(descriptor_, out.data() + done, static_cast<unsigned>(want));
#else
    const ssize_t got = pread(descriptor_, out.data() + done, want, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
#endif
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

SourceReader::SourceReader(const ByteSource& source, std::size_t blockSize)
    : source_(source), memory_(source.Memory()), size_(source.Size()), blockSize_(std::max<std::size_t>(blockSize, 1)) {
  if (memory_) lastBlock_ = *memory_;
  if ((blockSize_ & (blockSize_ - 1)) == 0) {
    blockIsPowerOfTwo_ = true;
    while ((std::size_t{1} << blockShift_) < blockSize_) ++blockShift_;
  }
}

std::span<const std::uint8_t> SourceReader::Block(std::uint64_t index) const {
  std::span<const std::uint8_t> bytes;
  if (index == otherIndex_) {
    bytes = otherBlock_;
  } else {
    auto at = std::lower_bound(blocks_.begin(), blocks_.end(), index,
                               [](const Loaded& b, std::uint64_t i) { return b.index < i; });
    if (at == blocks_.end() || at->index != index) {
      // Read without clearing first: every byte is overwritten or cut off.
      const std::uint64_t start = index * blockSize_;
      const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(blockSize_, size_ - start));
      Loaded block{index, std::make_unique_for_overwrite<std::uint8_t[]>(length), length};
      const std::size_t got = source_.ReadAt(start, {block.bytes.get(), length});
      if (got < length) {
        failed_ = true;
        block.size = got;
      }
      at = blocks_.insert(at, std::move(block));
    }
    bytes = {at->bytes.get(), at->size};
  }
  // The block read before becomes the other one at hand.
  if (!memory_ && !lastBlock_.empty() && lastBlock_.data() != bytes.data()) {
    otherIndex_ = lastStart_ / blockSize_;
    otherBlock_ = lastBlock_;
  }
  lastStart_ = index * blockSize_;
  lastBlock_ = bytes;
  return bytes;
}

std::optional<std::span<const std::uint8_t>> SourceReader::SpanInBlock(std::uint64_t offset,
                                                                     std::uint64_t maxLength) const {
  // Bytes in memory were answered by spanUpTo already, wherever they lie.
  if (offset >= size_ || maxLength == 0 || memory_) return std::nullopt;
  // A power of two (the default) needs no division.
  const std::uint64_t index = blockIsPowerOfTwo_ ? offset >> blockShift_ : offset / blockSize_;
  const std::span<const std::uint8_t> block = Block(index);
  const std::uint64_t within = offset - index * blockSize_;
  if (within >= block.size()) return std::nullopt;
  return block.subspan(within, static_cast<std::size_t>(std::min<std::uint64_t>(maxLength, block.size() - within)));
}

std::optional<std::span<const std::uint8_t>> SourceReader::ReadJoined(std::uint64_t offset, std::size_t length) const {
  Loaded joined{kJoined, std::make_unique_for_overwrite<std::uint8_t[]>(length), length};
  if (source_.ReadAt(offset, {joined.bytes.get(), length}) != length) {
    failed_ = true;
    return std::nullopt;
  }
  return std::span<const std::uint8_t>(joined_.emplace_back(std::move(joined)).bytes.get(), length);
}

std::optional<ByteReader> SourceReader::sub(std::uint64_t offset, std::uint64_t length) const {
  if (!contains(offset, length)) return std::nullopt;
  if (length == 0) return ByteReader();
  if (memory_) return ByteReader(memory_->subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)));
  if (offset / blockSize_ == (offset + length - 1) / blockSize_) {
    auto bytes = spanUpTo(offset, length);
    if (!bytes || bytes->size() != length) return std::nullopt;
    return ByteReader(*bytes);
  }
  // Across blocks: read once into storage of its own rather than through
  // the blocks, so a large range is not held twice.
  auto joined = ReadJoined(offset, static_cast<std::size_t>(length));
  if (!joined) return std::nullopt;
  return ByteReader(*joined);
}

ByteReader SourceReader::upTo(std::uint64_t offset, std::uint64_t length) const {
  if (offset >= size_) return {};
  return sub(offset, std::min(length, size_ - offset)).value_or(ByteReader());
}

}  // namespace vantorel
