// The Windows tests' entry. The same exe doubles as a helper process for
// tests that need another process, e.g. one holding a file open for writing.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// --hold-for-writing FILE EVENT: opens FILE for writing (sharing read and
// write), signals EVENT "-ready", and keeps the file until EVENT is set.
int HoldForWriting(const wchar_t* file, const wchar_t* event) {
  HANDLE h = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 2;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, (std::wstring(event) + L"-ready").c_str());
  HANDLE done = OpenEventW(SYNCHRONIZE, FALSE, event);
  if (!ready || !done) return 3;
  SetEvent(ready);
  WaitForSingleObject(done, 60000);
  CloseHandle(h);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int wargc = 0;
  wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  if (wargc == 4 && std::wcscmp(wargv[1], L"--hold-for-writing") == 0) return HoldForWriting(wargv[2], wargv[3]);
  LocalFree(wargv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
