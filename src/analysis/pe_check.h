#pragma once
// Classifying a file as a PE image before it is handed to the system loader.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/edition.h"
#include "platform/pe_image.h"

namespace vantorel {

// Results of the PE check; the callers map them to their messages.
inline constexpr int kPeUnreadable = -2;
inline constexpr int kPeInvalid = -1;
inline constexpr int kPe32 = 0;
inline constexpr int kPe32Plus = 1;

// Runs the header tests in their fixed order over a scan of a file's
// headers: length, MZ, e_lfanew, PE signature, executable bit,
// optional-header magic. A field past the end of the file reads as zero.
// Returns kPeInvalid, kPe32 or kPe32Plus (never kPeUnreadable: opening the
// file is the caller's part). For kPeInvalid, reason (when given) receives a
// few words on the test that failed.
int ClassifyPeImage(const PeHeaderScan& scan, std::uint64_t fileSize, std::string_view* reason = nullptr);
// The same over a file's bytes in memory.
int ClassifyPeImage(std::span<const std::uint8_t> file, std::string_view* reason = nullptr);

}  // namespace vantorel

namespace vantorel {

// The check result of the libraries the edition opens: kPe32Plus or kPe32.
int AcceptedPeKind(Edition edition = kEdition);

// What the user is told when a library fails the check; empty for the kind
// the edition opens. The other kind is sent to the other edition.
std::u16string PeCheckMessage(int result, Edition edition = kEdition);

}  // namespace vantorel
