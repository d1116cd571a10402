#pragma once
// The program's entry and exit, in their fixed order.
#include <string>

namespace vantorel {

// Start-up steps 1-4: OLE and the common controls, the shell and command
// icons, the empty state.
void PrepareProcess();
// Steps 5-6: reads the first argument of the command line into CurrentPath
// and checks a library named there, telling the user when it fails.
void ReadStartupArgument(const std::wstring& commandLine);
// Step 8: opens the library (or project) left in CurrentPath.
void OpenStartupFile();
// The whole life of the process; the result is the exit code, always 0.
int RunVantorel(const std::wstring& commandLine);
// Shutdown: releases the state and the facilities of PrepareProcess.
void ReleaseProcess();

}  // namespace vantorel
