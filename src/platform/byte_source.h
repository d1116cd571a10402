// Bytes that are not all in memory: a file read at offsets, and the checked
// reader over it that reads only the blocks a parser asks for.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/byte_reader.h"

namespace vantorel {

// Random access to bytes. ReadAt fills what exists and returns how many bytes
// it read: fewer at the end, or when reading failed.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
  // All the bytes, when they are in memory already: readers then copy nothing.
  virtual std::optional<std::span<const std::uint8_t>> Memory() const { return std::nullopt; }
};

class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  std::optional<std::span<const std::uint8_t>> Memory() const override { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
};

// A file opened for reading; its size is taken once, at opening. Reads go
// straight to the system, one call each, with no buffer of their own.
class FileByteSource final : public ByteSource {
 public:
  explicit FileByteSource(const std::filesystem::path& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  bool IsOpen() const { return descriptor_ >= 0; }
  // Whether the size could be learnt; the file reads as empty otherwise.
  bool HasSize() const { return sized_; }
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  int descriptor_ = -1;
  std::uint64_t size_ = 0;
  bool sized_ = false;
};

// Checked reads of a source. What is read stays: every span handed out is
// valid as long as the reader. A file is read in blocks, each at most once,
// and only where asked; bytes in memory are handed out as they are.
class SourceReader {
 public:
  static constexpr std::size_t kDefaultBlockSize = std::size_t{16} << 10;

  explicit SourceReader(const ByteSource& source, std::size_t blockSize = kDefaultBlockSize);
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  std::uint64_t size() const { return size_; }
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  // Exactly length contiguous bytes at offset; none past the end or when they
  // could not be read.
  std::optional<ByteReader> sub(std::uint64_t offset, std::uint64_t length) const;
  // Up to length bytes at offset, fewer where the source ends.
  ByteReader upTo(std::uint64_t offset, std::uint64_t length) const;
  // The bytes from offset on, at least one and at most maxLength, cut where a
  // block ends, so that a scan for a terminator reads block by block. None
  // at or past the end, or when reading failed.
  std::optional<std::span<const std::uint8_t>> spanUpTo(std::uint64_t offset, std::uint64_t maxLength) const {
    // Reads come in runs within one block: that block answers without a lookup.
    const std::uint64_t within = offset - lastStart_;
    if (within < lastBlock_.size() && maxLength != 0) {
      return lastBlock_.subspan(static_cast<std::size_t>(within),
                                static_cast<std::size_t>(std::min<std::uint64_t>(maxLength, lastBlock_.size() - within)));
    }
    return SpanInBlock(offset, maxLength);
  }
  // A read came back short: the file shrank or could not be read.
  bool failed() const { return failed_; }

 private:
  // A block read from the source, or bytes read across blocks; either
  // stays until the reader goes.
  struct Loaded {
    std::uint64_t index;  // the block's, or kJoined
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size;
  };
  static constexpr std::uint64_t kJoined = UINT64_MAX;

  std::span<const std::uint8_t> Block(std::uint64_t index) const;
  std::optional<std::span<const std::uint8_t>> SpanInBlock(std::uint64_t offset, std::uint64_t maxLength) const;
  // Reads length bytes at offset into storage of their own; empty when the
  // source delivers fewer.
  std::optional<std::span<const std::uint8_t>> ReadJoined(std::uint64_t offset, std::size_t length) const;

  const ByteSource& source_;
  std::optional<std::span<const std::uint8_t>> memory_;
  std::uint64_t size_;
  std::size_t blockSize_;
  bool blockIsPowerOfTwo_ = false;
  unsigned blockShift_ = 0;
  // Only what was read: a reader of a large file holds the few blocks a
  // parser looked at, sorted by index, and nothing in proportion to the file.
  mutable std::vector<Loaded> blocks_;
  mutable std::vector<Loaded> joined_;  // reads that cross blocks
  mutable std::uint64_t lastStart_ = 0;  // where lastBlock_ starts (all of memory_ when given)
  mutable std::span<const std::uint8_t> lastBlock_;
  // The block before the last: a walk goes back and forth between a table
  // and the strings it points at.
  mutable std::uint64_t otherIndex_ = kJoined;
  mutable std::span<const std::uint8_t> otherBlock_;
  mutable bool failed_ = false;
};

}  // namespace vantorel
