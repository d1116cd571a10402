#pragma once
// Files and processes for the Windows tests.
#include <windows.h>

#include <string>
#include <vector>

namespace vantorel::testing {

// Folders of the machine running Wine, seen through drive Z:.
inline const std::wstring kWineLibraries = L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows";
inline const std::wstring kWineLibraries32 = L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\i386-windows";
inline const std::wstring kMingwRuntime32 = L"Z:\\usr\\lib\\gcc\\i686-w64-mingw32\\12-posix";
inline const std::wstring kWineUnixLibraries = L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-unix";

// A 64-bit and a 32-bit library nobody here wrote.
inline std::wstring Library64() { return kWineLibraries + L"\\version.dll"; }
inline std::wstring Library32() { return kMingwRuntime32 + L"\\libgcc_s_dw2-1.dll"; }

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
