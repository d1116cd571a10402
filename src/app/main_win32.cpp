#include <windows.h>

#include "app/startup_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return vantorel::RunVantorel(GetCommandLineW()); }
