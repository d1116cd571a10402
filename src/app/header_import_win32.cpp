#include "app/header_import_win32.h"

#include <windows.h>

#include <filesystem>

#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "cheader/header_import.h"
#include "codegen/typed_rows.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"
#include "platform/utf8.h"

namespace vantorel {

namespace {

constexpr wchar_t kFoldersTitle[] = L"Header Include Folders";
constexpr wchar_t kFoldersLabel[] = L"Folders searched for the headers a header includes, separated by \";\":";

std::wstring Widened(std::string_view utf8) { return ToWide(Utf16FromUtf8(utf8)); }

// The import's failure in the user's words: the header, what is wrong and
// where, and that the table is as it was.
std::wstring FaultMessage(const std::wstring& path, const HeaderImport& import) {
  std::wstring text = path + L"\n" + Widened(DescribeHeaderFault(import.fault));
  const std::wstring at = Widened(import.faultFile);
  if (!at.empty() && std::filesystem::path(at) != std::filesystem::path(path)) text += L" (" + at + L")";
  if (!import.faultDetail.empty()) text += L":\n" + Widened(import.faultDetail);
  return text + L"\nNothing was imported.";
}

// A wait cursor while a header is read (a second or two for <windows.h>).
class WaitCursor {
 public:
  WaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(old_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR old_;
};

}  // namespace

std::vector<std::wstring>& HeaderIncludeFolders() {
  static std::vector<std::wstring> folders;
  return folders;
}

bool IsHeaderPath(std::wstring_view path) {
  const std::size_t dot = path.find_last_of(L".\\/");
  return dot != std::wstring_view::npos && path.size() == dot + 2 && path[dot] == L'.' &&
         (path[dot + 1] == L'h' || path[dot + 1] == L'H');
}

bool ImportHeaderFile(const std::wstring& requested) {
  AppState& app = App();
  std::wstring path = requested;
  if (path.empty()) path = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"", L"", kHeaderFilter);
  if (path.empty()) return false;
  if (app.Session.library.path.empty()) {
    ShowError(L"Open a library before importing its header.");
    return false;
  }

  HeaderImportOptions options;
  for (const std::wstring& folder : HeaderIncludeFolders()) options.includeDirs.emplace_back(folder);
  HeaderImport import;
  {
    WaitCursor wait;
    import = ImportHeader(std::filesystem::path(path), options);
  }
  if (import.fault != HeaderFault::None) {
    ShowError(FaultMessage(path, import));
    return false;
  }

  // An edit still open in the grid counts; the rows change only when the
  // header declares some of them.
  EndFunctionGridEdit();
  FunctionRows rows = app.Session.rows;
  TypedPrototypes typed = app.Session.typed;
  if (ApplyDeclarations(rows, import.functions, typed) == 0) {
    ShowError(path + L"\ndeclares none of the library's functions.");
    return false;
  }
  app.Session.rows = std::move(rows);
  app.Session.typed = std::move(typed);
  RefreshMainView();
  return true;
}

void EditIncludeFolders() {
  std::vector<std::wstring>& folders = HeaderIncludeFolders();
  std::wstring line;
  for (const std::wstring& folder : folders) line += (line.empty() ? L"" : L";") + folder;
  const auto answer = CurrentPrompts().AskText(GetActiveWindow(), kFoldersTitle, kFoldersLabel, line);
  if (!answer) return;
  folders.clear();
  std::size_t start = 0;
  while (start <= answer->size()) {
    std::size_t end = answer->find(L';', start);
    if (end == std::wstring::npos) end = answer->size();
    std::wstring folder = answer->substr(start, end - start);
    folder.erase(0, folder.find_first_not_of(L" \t"));
    folder.erase(folder.find_last_not_of(L" \t") + 1);
    if (!folder.empty()) folders.push_back(std::move(folder));
    start = end + 1;
  }
}

}  // namespace vantorel
