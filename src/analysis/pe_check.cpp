#include "analysis/pe_check.h"

namespace vantorel {

int ClassifyPeImage(const PeHeaderScan& scan, std::uint64_t fileSize, std::string_view* reason) {
  auto invalid = [reason](std::string_view why) {
    if (reason) *reason = why;
    return kPeInvalid;
  };
  if (fileSize < 0x200) return invalid("shorter than 512 bytes");
  switch (scan.fault) {
    case PeHeaderFault::NoMzSignature: return invalid("no MZ signature");
    case PeHeaderFault::NtOffsetOutside: return invalid("the PE header offset points outside the file");
    case PeHeaderFault::NoPeSignature: return invalid("no PE signature");
    // Past the signature a cut header still has its tests: its missing
    // bytes read as zero.
    case PeHeaderFault::Cut:
    case PeHeaderFault::UnknownMagic:
    case PeHeaderFault::None: break;
  }
  if ((scan.headers.characteristics & kFileExecutableImage) == 0) return invalid("not marked as an executable image");
  switch (scan.headers.magic) {
    case kMagicPe32: return kPe32;
    case kMagicPe32Plus: return kPe32Plus;
    default: return invalid("unknown optional-header magic");
  }
}

int ClassifyPeImage(std::span<const std::uint8_t> file, std::string_view* reason) {
  return ClassifyPeImage(ScanPeHeaders(ByteReader(file)), file.size(), reason);
}

}  // namespace vantorel

namespace vantorel {

int AcceptedPeKind(Edition edition) { return TraitsOf(edition).opensPe32Plus ? kPe32Plus : kPe32; }

std::u16string PeCheckMessage(int result, Edition edition) {
  switch (result) {
    case kPeUnreadable: return u"File is locked\ncan't load.";
    case kPeInvalid: return u"Isn't a valid PE-File\ncan't load.";
    case kPe32:
    case kPe32Plus:
      if (result == AcceptedPeKind(edition)) return {};
      return std::u16string(TraitsOf(edition).wrongKind);
    default: return {};
  }
}

}  // namespace vantorel
