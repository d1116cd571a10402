#include "platform/prompts_win32.h"

#include <commdlg.h>

#include <vector>

namespace vantorel {

namespace {

// "A|B|C|D" as the requester wants it: NUL-separated, doubly terminated.
std::vector<wchar_t> RequesterFilter(const std::wstring& filter) {
  std::vector<wchar_t> out(filter.begin(), filter.end());
  for (wchar_t& c : out) {
    if (c == L'|') c = L'\0';
  }
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

std::wstring RunRequester(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                          const std::wstring& filter, bool save) {
  std::vector<wchar_t> file(32768, L'\0');
  initialPath.copy(file.data(), file.size() - 1);
  const std::vector<wchar_t> filters = RequesterFilter(filter);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filters.data();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | (save ? 0 : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  return ok ? std::wstring(file.data()) : std::wstring();
}

class SystemPrompts final : public Prompts {
 public:
  int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style) override {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), style);
  }
  std::wstring AskOpenFile(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                           const std::wstring& filter) override {
    return RunRequester(owner, title, initialPath, filter, false);
  }
  std::wstring AskSaveFile(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                           const std::wstring& filter) override {
    return RunRequester(owner, title, initialPath, filter, true);
  }
};

SystemPrompts systemPrompts;
Prompts* current = &systemPrompts;

}  // namespace

Prompts& CurrentPrompts() { return *current; }

void SetPrompts(Prompts* prompts) { current = prompts ? prompts : &systemPrompts; }

void ShowError(const std::wstring& text) {
  CurrentPrompts().ShowMessage(GetActiveWindow(), text, kAppCaption, MB_OK);
}

bool AskYesNo(const std::wstring& text) {
  return CurrentPrompts().ShowMessage(GetActiveWindow(), text, kAppCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShowWarning(const std::wstring& text) {
  CurrentPrompts().ShowMessage(GetActiveWindow(), text, kAppCaption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace vantorel
