#include "analysis/version_info_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "analysis/file_facts.h"
#include "analysis/version_resource.h"
#include "platform/handles_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

// The file's whole version resource as the version API returns it; empty
// when there is none.
std::vector<std::uint8_t> ReadVersionBlock(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<std::uint8_t> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return {};
  return info;
}

std::wstring QueryVersionString(std::vector<std::uint8_t>& info, const std::wstring& key) {
  if (info.empty()) return {};
  void* translation = nullptr;
  UINT translationBytes = 0;
  if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &translation, &translationBytes) ||
      !translation || translationBytes < 4) {
    return {};
  }
  VersionTranslation first;
  std::memcpy(&first.language, translation, 2);
  std::memcpy(&first.codePage, static_cast<const std::uint8_t*>(translation) + 2, 2);

  if (key == L"Language") {
    wchar_t name[128] = {};
    // Some systems count the terminating zero in the result: stop at it.
    VerLanguageNameW(first.language, name, 128);
    return std::wstring(name, wcsnlen(name, 128));
  }
  const std::wstring subBlock = ToWide(StringFileInfoPath(first, ToU16(key)));
  void* value = nullptr;
  UINT chars = 0;
  if (!VerQueryValueW(info.data(), subBlock.c_str(), &value, &chars) || !value) return {};
  // The value ends at the reported length or its first zero, whichever is
  // first; it lies inside the buffer the system filled.
  const auto* text = static_cast<const wchar_t*>(value);
  const auto* end = reinterpret_cast<const wchar_t*>(info.data() + info.size());
  const std::size_t room = static_cast<std::size_t>(std::max<std::ptrdiff_t>(end - text, 0));
  const std::size_t limit = std::min<std::size_t>(chars, room);
  return std::wstring(text, std::find(text, text + limit, L'\0'));
}

}  // namespace

std::wstring GetVersionString(const std::wstring& path, const std::wstring& key) {
  std::vector<std::uint8_t> info = ReadVersionBlock(path);
  return QueryVersionString(info, key);
}

VersionStrings ReadVersionStrings(const std::wstring& path) {
  // Read once for all keys: each read opens and maps the file again.
  std::vector<std::uint8_t> info = ReadVersionBlock(path);
  VersionStrings strings;
  for (std::size_t i = 0; i < kVersionKeyCount; ++i) {
    strings[i] = TrimSpaces(ToU16(QueryVersionString(info, ToWide(VersionKeys[i].key))));
  }
  return strings;
}

LibraryInfo ReadLibraryInfo(const std::wstring& path) {
  LibraryInfo info;
  if (path.empty()) return info;
  info.path = ToU16(path);
  info.size = CurrentFileSize(path);
  info.versionStrings = ReadVersionStrings(path);
  return info;
}

std::wstring FileFingerprint(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {};
  return ToWide(FingerprintStream([&](std::uint8_t* buffer, std::size_t capacity) -> std::int64_t {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, static_cast<DWORD>(capacity), &got, nullptr)) return -1;
    return got;
  }));
}

long long CurrentFileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return -1;
  }
  return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

}  // namespace vantorel
