#include "app/open_library_win32.h"

#include <windows.h>

#include <algorithm>

#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "analysis/version_info_win32.h"
#include "platform/arena_new_win32.h"
#include "platform/code_page_win32.h"
#include "platform/full_path_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

// The most the rows' blocks can take: an export's decoded name and its
// alias (neither longer than the name's bytes), and its convention label;
// past a quarter of a gigabyte the rest is the heap's.
std::size_t RowBlocksFor(const ExportTable& exports) {
  constexpr std::size_t kLargest = std::size_t{256} << 20;
  const auto block = [](std::size_t units) { return (units * sizeof(char16_t) + 15) & ~std::size_t{15}; };
  const std::size_t label = block(kEditionTraits.convention.size() + 1);
  std::size_t total = 0;
  for (const ExportEntry& e : exports.entries()) {
    if (total >= kLargest) return kLargest;
    total += 2 * block(std::min(e.name.size(), kLargest) + 1) + label;
  }
  return total;
}

}  // namespace

void OpenLibrary(LibraryState& library, Session& session, const std::wstring& requested,
                 const std::function<void()>& forgetResources) {
  ReleaseLibrary(library);
  session = Session{};

  std::wstring path = requested;
  if (path.empty()) {
    path = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"Load DLL", L"", kLibraryFilter);
    if (!path.empty()) {
      const int check = CheckPeFile(path);
      if (check != AcceptedPeKind()) {
        ShowError(ToWide(PeCheckMessage(check)));
        path.clear();
      }
    }
  }

  EnterFolderOf(path);
  if (forgetResources) forgetResources();
  session = SessionOf(WalkLibrary(library, path));
}

WalkedLibrary WalkLibrary(LibraryState& library, const std::wstring& path) {
  MapLibrary(library, path);
  // The rows are made from this walk, one per slot in slot order; the
  // walked table stays for the tips. A library the mapping refused keeps
  // its facts: the title and status bar show the file, with no rows.
  ExportTable exports = WalkMappedExports(library.LibraryHandle, true);
  return {ReadLibraryInfo(path), std::move(exports)};
}

Session SessionOf(WalkedLibrary walked) {
  // A row's texts are small heap blocks of their own, slow to make and free
  // one by one under Wine: made from a region of their own, a library of
  // 65,535 exports makes its rows in two thirds of the time.
  BlockArenaScope rowBlocks(RowBlocksFor(walked.exports));
  return OpenedLibrarySession(std::move(walked.info), std::move(walked.exports), DecodeAnsi);
}

bool AcceptDroppedLibrary(const std::wstring& path) {
  if (!kEditionTraits.checksDroppedFiles) return true;
  const int check = CheckPeFile(path);
  if (check != kPe32 && check != kPe32Plus) return true;
  if (check == AcceptedPeKind()) return true;
  ShowError(ToWide(PeCheckMessage(check)));
  return false;
}

}  // namespace vantorel
