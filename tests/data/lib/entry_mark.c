/* The entry point of entry_mark.dll: it leaves a mark that shows whether
 * the library's code ran, by creating the file named in the environment
 * variable VANTOREL_ENTRY_MARK, and then fails, so the system refuses to
 * load the library. Only kernel32 is imported. */
#include <windows.h>

BOOL WINAPI MarkEntry(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    wchar_t path[MAX_PATH];
    DWORD length;
    HANDLE file;
    (void)module;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    length = GetEnvironmentVariableW(L"VANTOREL_ENTRY_MARK", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return FALSE;
}
