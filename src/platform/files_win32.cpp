#include "platform/files_win32.h"

#include <algorithm>

#include "platform/handles_win32.h"

namespace vantorel {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
  constexpr std::size_t kChunk = std::size_t{1} << 24;
  while (!bytes.empty()) {
    const auto want = static_cast<DWORD>(std::min(bytes.size(), kChunk));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), want, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A new, empty file beside path that nobody else has open; empty when none
// can be made.
std::wstring CreateTemporaryBeside(const std::wstring& path, UniqueHandle& handle) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name =
        path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".tmp";
    handle.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle) return name;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

}  // namespace

ReplaceResult WriteFileReplacing(const std::wstring& path, std::string_view bytes) {
  // The file must be writable where it is: a read-only file, a folder of
  // that name or a missing folder are refused here, before anything is
  // written. Opening does not truncate, so an existing file stays whole.
  bool createdHere = false;
  {
    UniqueHandle target(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) return ReplaceResult::CannotCreate;
    createdHere = GetLastError() != ERROR_ALREADY_EXISTS;
  }
  // The placeholder made by the check must not outlive a failed save.
  auto forgetPlaceholder = [&] {
    if (createdHere) DeleteFileW(path.c_str());
  };

  UniqueHandle temporary;
  const std::wstring temporaryPath = CreateTemporaryBeside(path, temporary);
  if (temporaryPath.empty()) {
    // No file can be made beside the target (its path is within a few
    // characters of the length limit, or the folder lets files be changed but
    // not created), yet the target itself opened for writing: write it
    // directly. Only in this case can a failed write leave the previous
    // content damaged; the caller tells the user so.
    UniqueHandle target(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool written = target && WriteAll(target.get(), bytes) && SetEndOfFile(target.get()) &&
                         FlushFileBuffers(target.get()) && CloseHandle(target.release());
    if (written) return ReplaceResult::Written;
    target.reset();
    forgetPlaceholder();
    return createdHere ? ReplaceResult::WriteFailed : ReplaceResult::WriteFailedInPlace;
  }
  const bool complete = WriteAll(temporary.get(), bytes) && FlushFileBuffers(temporary.get()) &&
                        CloseHandle(temporary.release());
  if (!complete || !MoveFileExW(temporaryPath.c_str(), path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    temporary.reset();
    DeleteFileW(temporaryPath.c_str());
    forgetPlaceholder();
    return ReplaceResult::WriteFailed;
  }
  return ReplaceResult::Written;
}

ReadResult ReadWholeDiskFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return ReadResult::Unreadable;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return ReadResult::Unreadable;
  if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) return ReadResult::TooLarge;
  // One byte more than the size, to notice a file that grew while it was read.
  bytes.assign(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - have, std::size_t{1} << 30));
    if (!ReadFile(file.get(), bytes.data() + have, want, &got, nullptr)) return ReadResult::Unreadable;
    if (got == 0) break;
    have += got;
  }
  if (have > maxBytes) return ReadResult::TooLarge;
  bytes.resize(have);
  return ReadResult::Read;
}

bool IsDiskFile(const std::wstring& path) {
  if (path.empty()) return false;
  UniqueHandle probe(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  return probe && GetFileType(probe.get()) == FILE_TYPE_DISK;
}

bool HasNonEmptyFile(const std::wstring& path) {
  if (path.empty()) return false;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  return data.nFileSizeHigh != 0 || data.nFileSizeLow != 0;
}

}  // namespace vantorel
