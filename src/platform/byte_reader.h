// The checked reader every parser of outside data reads through: it fails
// instead of reading past the end of its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vantorel {

// Every read of outside data goes through this. Offsets are 64-bit so that
// "offset + length" never wraps for any 32-bit field read from a file.
class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(data ? size : 0) {}
  explicit ByteReader(std::span<const std::uint8_t> bytes) : ByteReader(bytes.data(), bytes.size()) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  // How many whole elements of elementSize fit from offset to the end.
  std::uint64_t countFitting(std::uint64_t offset, std::uint64_t elementSize) const {
    if (elementSize == 0 || offset >= size_) return 0;
    return (size_ - offset) / elementSize;
  }

  std::optional<std::uint8_t> read8(std::uint64_t offset) const;
  std::optional<std::uint16_t> read16(std::uint64_t offset) const;
  std::optional<std::uint32_t> read32(std::uint64_t offset) const;
  std::optional<std::uint64_t> read64(std::uint64_t offset) const;

  // The zero-terminated byte string at offset, without its terminator. Fails
  // when offset is outside the data or no zero byte follows within
  // maxLength bytes (or before the end of the data).
  std::optional<std::string_view> readCString(std::uint64_t offset, std::size_t maxLength = SIZE_MAX) const;

  std::optional<std::span<const std::uint8_t>> span(std::uint64_t offset, std::uint64_t length) const;
  std::optional<ByteReader> sub(std::uint64_t offset, std::uint64_t length) const;

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace vantorel
