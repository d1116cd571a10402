#pragma once
// Files and processes for the Windows tests.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/edition.h"

namespace vantorel::testing {

// The tests run in both editions; what depends on it is named here.
inline constexpr bool kX86Edition = kEdition == Edition::X86;

// Folders of the machine running Wine, seen through drive Z:.
inline const std::wstring kWineLibraries64 = L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows";
inline const std::wstring kWineLibraries32 = L"Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows";
// Wine's libraries of the kind this edition opens.
inline const std::wstring kWineLibraries = kX86Edition ? kWineLibraries32 : kWineLibraries64;
inline const std::wstring kMingwRuntime32 = L"Z:\\usr\\lib\\gcc\\i686-w64-mingw32\\12-posix";
inline const std::wstring kWineUnixLibraries = L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-unix";

// A 64-bit and a 32-bit library nobody here wrote.
inline std::wstring Library64() { return kWineLibraries64 + L"\\version.dll"; }
inline std::wstring Library32() { return kMingwRuntime32 + L"\\libgcc_s_dw2-1.dll"; }
// One this edition opens (with version strings), and one of the other kind.
inline std::wstring OwnLibrary() { return kWineLibraries + L"\\version.dll"; }
inline std::wstring OtherLibrary() { return kX86Edition ? Library64() : Library32(); }
// What the PE check tells a user who brings the other kind.
inline std::wstring WrongKindMessage() {
  return std::wstring(kEditionTraits.wrongKind.begin(), kEditionTraits.wrongKind.end());
}
// The convention of a freshly listed export.
// Tests beside this one share the clipboard: wait for it as a user's
// program would, instead of failing on a moment's contention.
inline bool OpenClipboardSoon() {
  for (int attempt = 0; attempt < 250; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(4);
  }
  return false;
}

inline std::u16string FreshConvention() { return std::u16string(kEditionTraits.convention); }

#ifdef VANTOREL_TESTDATA
// The project's test libraries: those of this edition's kind, and the same
// library built for the other kind (64-bit ones at the top, 32-bit in x86\).
inline std::wstring OwnTestData(const std::wstring& name) {
  return std::wstring(VANTOREL_TESTDATA) + (kX86Edition ? L"\\x86\\" : L"\\") + name;
}
inline std::wstring OtherTestData(const std::wstring& name) {
  return std::wstring(VANTOREL_TESTDATA) + (kX86Edition ? L"\\" : L"\\x86\\") + name;
}
#endif

// Whether the address range at `at` can be reserved again, i.e. nothing holds
// it any more. (A 32-bit process under Wine reports address space it keeps
// for itself as reserved even when it is free for the taking, so the state
// VirtualQuery gives is not the test.)
inline bool AddressRangeFree(std::uint64_t at, std::size_t size) {
  void* want = reinterpret_cast<void*>(static_cast<std::uintptr_t>(at));
  void* got = VirtualAlloc(want, size, MEM_RESERVE, PAGE_NOACCESS);
  if (got) VirtualFree(got, 0, MEM_RELEASE);
  return got == want;
}

// A fresh, empty folder below the temp folder, removed with its content.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Writes bytes to a file in the folder and returns its path.
  std::wstring Write(const std::wstring& name, const std::vector<unsigned char>& bytes) const;

 private:
  std::wstring path_;
};

// The names of the files in a folder that match a pattern, as full paths.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& pattern = L"*");

// Starts a program with a command line (program path quoted first).
struct Started {
  HANDLE process = nullptr;
  DWORD processId = 0;
};
Started StartProcess(const std::wstring& program, const std::wstring& arguments);

// Waits for a top-level window of the process with the given class and
// caption; null after timeoutMs.
HWND WaitForWindow(DWORD processId, const std::wstring& className, const std::wstring& caption, DWORD timeoutMs);

// The text of a message box's message (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);

// The exit code of a process, waiting up to timeoutMs; STILL_ACTIVE when it
// did not end.
DWORD WaitForExit(HANDLE process, DWORD timeoutMs);

}  // namespace vantorel::testing
