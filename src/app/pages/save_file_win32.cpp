#include "app/pages/save_file_win32.h"

#include <windows.h>

#include "platform/files_win32.h"
#include "platform/prompts_win32.h"

namespace vantorel {

namespace {

constexpr wchar_t kCannotCreate[] = L"Can't save in this directory,\nselect another one?";

std::wstring WriteFailedMessage(const wchar_t* what, const std::wstring& path) {
  return L"Can't write the " + std::wstring(what) + L" to\n" + path +
         L"\nNothing was saved; any previous file is unchanged.";
}
std::wstring WriteFailedInPlaceMessage(const wchar_t* what, const std::wstring& path) {
  return L"Can't write the " + std::wstring(what) + L" to\n" + path + L"\nThe file may be incomplete.";
}

}  // namespace

SaveOutcome SaveWithRequester(const std::wstring& defaultName, const wchar_t* filter, const wchar_t* what,
                              const std::function<std::string()>& encode) {
  std::string bytes;
  bool encoded = false;
  for (;;) {
    const std::wstring path = CurrentPrompts().AskSaveFile(GetActiveWindow(), L"", defaultName, filter);
    if (path.empty()) return SaveOutcome::Cancelled;
    if (!encoded) {
      bytes = encode();
      encoded = true;
    }
    switch (WriteFileReplacing(path, bytes)) {
      case ReplaceResult::Written:
        return SaveOutcome::Saved;
      case ReplaceResult::CannotCreate:
        if (!AskYesNo(kCannotCreate)) return SaveOutcome::Cancelled;
        break;
      case ReplaceResult::WriteFailed:
        ShowError(WriteFailedMessage(what, path));
        return SaveOutcome::Failed;
      case ReplaceResult::WriteFailedInPlace:
        ShowError(WriteFailedInPlaceMessage(what, path));
        return SaveOutcome::Failed;
    }
  }
}

}  // namespace vantorel
