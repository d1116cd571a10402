#pragma once
// Classifying a file as a PE image before it is handed to the system loader.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/edition.h"

namespace vantorel {

// Results of the PE check; the callers map them to their messages.
inline constexpr int kPeUnreadable = -2;
inline constexpr int kPeInvalid = -1;
inline constexpr int kPe32 = 0;
inline constexpr int kPe32Plus = 1;

// Random access to a file's bytes. ReadAt fills what exists and returns how
// many bytes it read; the rest of the buffer is left to the caller.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// Runs the header tests in their fixed order over an opened file: length,
// MZ, e_lfanew, PE signature, executable bit, optional-header magic.
// Returns kPeInvalid, kPe32 or kPe32Plus (never kPeUnreadable: opening the
// file is the caller's part). For kPeInvalid, reason (when given) receives a
// few words on the test that failed.
int ClassifyPeImage(const ByteSource& file, std::string_view* reason = nullptr);

}  // namespace vantorel

namespace vantorel {

// The check result of the libraries the edition opens: kPe32Plus or kPe32.
int AcceptedPeKind(Edition edition = kEdition);

// What the user is told when a library fails the check; empty for the kind
// the edition opens. The other kind is sent to the other edition.
std::u16string PeCheckMessage(int result, Edition edition = kEdition);

}  // namespace vantorel
