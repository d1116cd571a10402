#include "analysis/pe_check_win32.h"

#include <windows.h>

#include "analysis/pe_check.h"
#include "platform/handles_win32.h"

namespace vantorel {

namespace {

class HandleByteSource final : public ByteSource {
 public:
  HandleByteSource(HANDLE file, std::uint64_t size) : file_(file), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    if (offset >= size_ || out.empty()) return 0;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file_, out.data(), static_cast<DWORD>(out.size()), &got, &at)) return 0;
    return got;
  }

 private:
  HANDLE file_;
  std::uint64_t size_;
};

}  // namespace

int CheckPeFile(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return kPeUnreadable;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return kPeUnreadable;
  const HandleByteSource source(file.get(), static_cast<std::uint64_t>(size.QuadPart));
  return ClassifyPeImage(ScanPeHeaders(SourceReader(source)), source.Size());
}

}  // namespace vantorel
