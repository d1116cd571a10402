#pragma once
// The Preview page: the loader source of the session's rows shown in the
// preview editor, and Save Source, which writes that text (never what the
// editor holds) as a PureBasic source file.
#include <string>
#include <string_view>

#include "codegen/session.h"

namespace vantorel {

inline constexpr wchar_t kSourceFilter[] = L"PB-Source (*.pb, *.pbi)|*.pb;*.pbi";

// Builds the source from the session's ticked rows and its library's path
// and puts it into the preview editor (read-only again afterwards). The text
// comes back for Save Source; empty while there is no preview editor.
std::u16string ShowGeneratedSource(const Session& session);

enum class SaveSourceResult {
  Saved,
  Empty,      // there is no source; the user was told
  Cancelled,  // the requester was cancelled or the retry question answered No
  Failed,     // the file could not be written completely; the user was told
};

// The Save command on the Preview page: proposes the library's path with the
// extension "pbi", asks for the file, retries on a folder where nothing can
// be created, and writes the generated text as the preview editor shows it:
// UTF-8 after a byte order mark, one CR LF line per editor line.
SaveSourceResult SaveSource(std::u16string_view generated, const std::wstring& libraryPath);

}  // namespace vantorel
