// File facts shown beside a library: its size as text and its SHA-1
// fingerprint (FIPS 180-4), streamed so that files of any size fit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace vantorel {

// "1023 Byte", "1.00 KB", "5.00 GB": decimals apply from KB upwards, rounding
// as printf's fixed-point format does. Any 64-bit value is accepted.
std::u16string FormatFileSize(std::int64_t size, int decimals);

using Sha1Digest = std::array<std::uint8_t, 20>;

class Sha1 {
 public:
  enum class Engine {
    Automatic,  // the SHA extensions when the CPU has them
    Portable,
    ShaExtensions,  // only valid when ShaExtensionsAvailable()
  };

  explicit Sha1(Engine engine = Engine::Automatic);

  void Update(std::span<const std::uint8_t> bytes);
  // Finishes the digest; the hasher starts over afterwards.
  Sha1Digest Final();

  Engine engine() const { return engine_; }
  static bool ShaExtensionsAvailable();

 private:
  using CompressFunction = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

  void Reset();

  Engine engine_;
  CompressFunction compress_;
  std::array<std::uint32_t, 5> state_{};
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t totalBytes_ = 0;
};

// 40 lower-case hex digits, high nibble first.
std::u16string DigestToHex(const Sha1Digest& digest);

inline constexpr std::size_t kFingerprintChunkSize = 512 * 1024;

// Fills the buffer with the next bytes of a file; returns how many it read, or
// a negative number when reading failed. Fewer than asked means the end.
using ReadChunk = std::function<std::int64_t(std::uint8_t* buffer, std::size_t capacity)>;

// The SHA-1 of everything the reader delivers, asked for in 512 KiB chunks,
// as 40 hex digits; empty when a read fails. No bytes at all give the digest
// of empty input.
std::u16string FingerprintStream(const ReadChunk& read, Sha1::Engine engine = Sha1::Engine::Automatic);

// The same over a file named by a native path (std::FILE based: for tests,
// benchmarks and command-line use; the application opens files itself).
std::u16string FileFingerprintNative(const char* path, Sha1::Engine engine = Sha1::Engine::Automatic);

}  // namespace vantorel
