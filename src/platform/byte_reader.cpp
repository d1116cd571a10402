#include "platform/byte_reader.h"

#include <cstring>

namespace vantorel {

namespace {

template <typename T>
std::optional<T> ReadLittleEndian(const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  if (offset > size || sizeof(T) > size - offset) return std::nullopt;
  T value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    value |= static_cast<T>(static_cast<T>(data[offset + i]) << (8 * i));
  return value;
}

}  // namespace

std::optional<std::uint8_t> ByteReader::read8(std::uint64_t offset) const {
  return ReadLittleEndian<std::uint8_t>(data_, size_, offset);
}
std::optional<std::uint16_t> ByteReader::read16(std::uint64_t offset) const {
  return ReadLittleEndian<std::uint16_t>(data_, size_, offset);
}
std::optional<std::uint32_t> ByteReader::read32(std::uint64_t offset) const {
  return ReadLittleEndian<std::uint32_t>(data_, size_, offset);
}
std::optional<std::uint64_t> ByteReader::read64(std::uint64_t offset) const {
  return ReadLittleEndian<std::uint64_t>(data_, size_, offset);
}

std::optional<std::string_view> ByteReader::readCString(std::uint64_t offset, std::size_t maxLength) const {
  if (offset >= size_) return std::nullopt;
  const std::size_t available = size_ - static_cast<std::size_t>(offset);
  // The terminator itself must lie within maxLength + 1 bytes.
  const std::size_t window = maxLength < available ? maxLength + 1 : available;
  const auto* start = data_ + offset;
  const void* zero = std::memchr(start, 0, window);
  if (!zero) return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(start),
                          static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - start));
}

std::optional<std::span<const std::uint8_t>> ByteReader::span(std::uint64_t offset,
                                                              std::uint64_t length) const {
  if (!contains(offset, length)) return std::nullopt;
  return std::span<const std::uint8_t>(data_ + offset, static_cast<std::size_t>(length));
}

std::optional<ByteReader> ByteReader::sub(std::uint64_t offset, std::uint64_t length) const {
  auto bytes = span(offset, length);
  if (!bytes) return std::nullopt;
  return ByteReader(*bytes);
}

}  // namespace vantorel
