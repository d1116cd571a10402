#pragma once
// Import Header: a library's C header read into the open function table,
// from the command or a dropped ".h" file, and the folders searched for the
// headers it includes. The program keeps no settings, so the folders last
// for the session.
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

inline constexpr wchar_t kHeaderFilter[] = L"C headers (*.h)|*.h|All Files (*.*)|*.*";

// Searched in this order after the header's own folder.
std::vector<std::wstring>& HeaderIncludeFolders();

// A path whose extension is "h", in any letter case.
bool IsHeaderPath(std::wstring_view path);

// Reads the header (asked for when path is empty) and fills the rows of the
// open table it declares (Para, Conv in the x86 edition, empty Comments,
// typed prototypes), then refreshes the view. A header that cannot be used,
// or declares none of the rows, is told in a message box and changes
// nothing. True when rows were filled.
bool ImportHeaderFile(const std::wstring& path);

// Asks for the include folders as one line, ";" between them.
void EditIncludeFolders();

}  // namespace vantorel
