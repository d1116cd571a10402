#include "platform/launcher_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace vantorel {

namespace {

std::wstring OwnExecutable() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

class SystemLauncher final : public Launcher {
 public:
  bool StartCopy(const std::wstring& arguments) override {
    const std::wstring program = OwnExecutable();
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
      return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }
  bool OpenAddress(const std::wstring& address) override {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = address.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
  }
};

SystemLauncher systemLauncher;
Launcher* current = &systemLauncher;

}  // namespace

Launcher& CurrentLauncher() { return *current; }
void SetLauncher(Launcher* launcher) { current = launcher ? launcher : &systemLauncher; }

}  // namespace vantorel
