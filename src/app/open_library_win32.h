#pragma once
// Opening a library as the current subject: the Open command's requester,
// the messages of the PE check, and the session made from the mapping.
#include <functional>
#include <string>

#include "analysis/library_win32.h"
#include "codegen/session.h"

namespace vantorel {

inline constexpr wchar_t kLibraryFilter[] =
    L"DLLs (*.dll, *.ocx, *.sys, *.exe)|*.dll;*.ocx;*.sys;*.exe|All Files (*.*)|*.*";

// Releases the previous library and its session, asks for a file when path
// is empty (and checks the chosen one, telling the user why it is refused),
// moves the current directory to the file's folder, calls forgetResources
// (whatever shows the previous library's resources must let go of them
// before its image goes), maps the file without running any of its code
// and makes the session: the file's facts and one fresh row per slot of its
// export table, named in the system's ANSI code page. What happened shows
// in the session's path and in LibraryHandle.
void OpenLibrary(LibraryState& library, Session& session, const std::wstring& path,
                 const std::function<void()>& forgetResources);

// OpenLibrary's two halves once the current directory is the file's folder:
// the mapping with the file's facts and walked export table, and the
// session made from them.
struct WalkedLibrary {
  LibraryInfo info;
  ExportTable exports;
};
WalkedLibrary WalkLibrary(LibraryState& library, const std::wstring& path);
Session SessionOf(WalkedLibrary walked);

// Whether a file dropped while no library is open goes to OpenLibrary. The
// x86 edition tells the user of a 64-bit library where it belongs, with the
// message of the open requester, and refuses it; anything else (and every
// file in the 64-bit edition) is opened unchecked.
bool AcceptDroppedLibrary(const std::wstring& path);

}  // namespace vantorel
