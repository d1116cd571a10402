#pragma once
// Making a library the current subject: choosing, checking and mapping it
// (read, never run), and reading its export names and version strings.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/export_table.h"
#include "analysis/image_view.h"
#include "analysis/version_info.h"

namespace vantorel {

inline constexpr wchar_t kLibraryFilter[] =
    L"DLLs (*.dll, *.ocx, *.sys, *.exe)|*.dll;*.ocx;*.sys;*.exe|All Files (*.*)|*.*";

// The open library as every page sees it. Opening a library or a project
// writes it; the application holds the one instance.
struct LibraryState {
  // Full path of the open library; empty means no library is open.
  std::wstring CurrentPath;
  // The handle of the open library's mapping, and its image base (the
  // handle without the flags the system keeps in its low bits).
  HMODULE LibraryHandle = nullptr;
  std::uintptr_t ModuleBase = 0;
  // The open library's version strings (and its path, handle and base).
  vantorel::LibraryInfo LibraryInfo;
  // The open library's export slots: kept from the walk that lists a library
  // when it is opened, walked on first need for a project's library (whose
  // rows come from the file), empty (none) once it is released.
  std::optional<ExportTable> Exports;
};

// Releases the previous library, asks for a file when path is empty (and
// checks the chosen one), makes it the current path, calls forgetResources
// (whatever shows the previous library's resources must let go of them
// before its image goes), maps it without running any of its code and reads
// its version strings. The names of its export-table slots come back, in slot
// order (empty when nothing was loaded); what happened shows in CurrentPath
// and LibraryHandle.
std::vector<std::u16string> LoadLibraryFile(LibraryState& library, const std::wstring& path,
                                            const std::function<void()>& forgetResources);

// The image base behind a library handle: a mapping made for reading
// keeps flags in the handle's low bits. 0 for no handle.
std::uintptr_t ImageBaseOf(HMODULE library);

// The image the system mapped for a library (loaded or mapped for reading),
// with its pages that may not be read marked as such. Empty when no image
// is mapped there.
ImageView ViewLoadedImage(HMODULE library);

// The name of every export-table slot of a library the system has mapped,
// converted from the ANSI code page. Empty for anything that is not a
// readable PE image.
std::vector<std::u16string> ListLoadedExports(HMODULE library);

// The export table of the open library, walked now if it has not been (a
// project's library). Without a library: an empty table of the edition's
// own kind, so rows still get what their names tell.
const ExportTable& OpenLibraryExports(LibraryState& library);

// Whether a file dropped while no library is open goes to LoadLibraryFile.
// The x86 edition tells the user of a 64-bit library where it belongs, with
// the message of the open requester, and refuses it; anything else (and
// every file in the 64-bit edition) goes to LoadLibraryFile unchecked.
bool AcceptDroppedLibrary(const std::wstring& path);

// Releases the open library, if any, and forgets its handle, base and
// export table.
void ReleaseLibrary(LibraryState& library);

// Makes path the open library's path (an empty one included) and moves the
// current directory to its folder, so relative paths of the user's files
// resolve beside it.
void SetLibraryPath(LibraryState& library, const std::wstring& path);

// Maps CurrentPath as an image, laid out by section, without resolving its
// imports or calling its entry point (nothing when it is empty), and records
// the handle and the image base. A library of the other edition's kind is
// refused, as the system would refuse to load it: no handle.
void LoadCurrentLibrary(LibraryState& library);

}  // namespace vantorel
