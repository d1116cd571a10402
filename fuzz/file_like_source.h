// Fuzz input reachable only through ReadAt, as a file's bytes are: readers
// then take their block-reading road instead of the one for memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/byte_source.h"

class FileLikeSource final : public vantorel::ByteSource {
 public:
  FileLikeSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    if (offset >= size_) return 0;
    const std::size_t n = out.size() < size_ - offset ? out.size() : static_cast<std::size_t>(size_ - offset);
    std::memcpy(out.data(), data_ + offset, n);
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};
