#pragma once
// Starting other processes: new copies of the program and the web browser.
// Tests install their own Launcher to see what would have been started.
#include <string>

namespace vantorel {

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts the program's own executable with the given argument text (empty
  // for none), without waiting. False when the system refused.
  virtual bool StartCopy(const std::wstring& arguments) = 0;
  // Opens an address with the system's default handler, without waiting.
  virtual bool OpenAddress(const std::wstring& address) = 0;
};

Launcher& CurrentLauncher();
// Installs an implementation (tests); nullptr restores the system's.
void SetLauncher(Launcher* launcher);

}  // namespace vantorel
