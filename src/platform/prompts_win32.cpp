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

// The one-line text box, built in memory: a label, an edit field, OK and
// Cancel, in dialog units.
struct TextBox {
  std::wstring text;
};

void AppendWords(std::vector<WORD>& out, const std::wstring& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void AppendItem(std::vector<WORD>& out, DWORD style, short x, short y, short cx, short cy, WORD id, WORD kind,
                const std::wstring& text) {
  if (out.size() % 2) out.push_back(0);  // each item starts on a DWORD
  DLGITEMTEMPLATE item{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
  const auto* words = reinterpret_cast<const WORD*>(&item);
  out.insert(out.end(), words, words + sizeof item / sizeof(WORD));
  out.push_back(0xFFFF);  // a predefined class by its atom
  out.push_back(kind);
  AppendWords(out, text);
  out.push_back(0);  // no creation data
}

static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18, "templates are packed to WORDs");
constexpr WORD kTextEdit = 100;

INT_PTR CALLBACK TextBoxProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lp);
      SetDlgItemTextW(dialog, kTextEdit, reinterpret_cast<TextBox*>(lp)->text.c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        auto* box = reinterpret_cast<TextBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, kTextEdit);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        box->text = std::move(text);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

std::optional<std::wstring> RunTextBox(HWND owner, const std::wstring& title, const std::wstring& label,
                                       const std::wstring& initial) {
  std::vector<WORD> t;
  DLGTEMPLATE dialog{DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 4, 0, 0, 320, 62};
  const auto* words = reinterpret_cast<const WORD*>(&dialog);
  t.insert(t.end(), words, words + sizeof dialog / sizeof(WORD));
  t.push_back(0);  // no menu
  t.push_back(0);  // the dialog class
  AppendWords(t, title);
  t.push_back(8);  // point size of the font
  AppendWords(t, L"MS Shell Dlg");
  AppendItem(t, SS_LEFT, 7, 7, 306, 10, 0xFFFF, 0x0082, label);
  AppendItem(t, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 20, 306, 13, kTextEdit, 0x0081, L"");
  AppendItem(t, BS_DEFPUSHBUTTON | WS_TABSTOP, 209, 40, 50, 14, IDOK, 0x0080, L"OK");
  AppendItem(t, BS_PUSHBUTTON | WS_TABSTOP, 263, 40, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  TextBox box{initial};
  const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                                 owner, TextBoxProc, reinterpret_cast<LPARAM>(&box));
  if (answer != IDOK) return std::nullopt;
  return box.text;
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
  std::optional<std::wstring> AskText(HWND owner, const std::wstring& title, const std::wstring& label,
                                      const std::wstring& initial) override {
    return RunTextBox(owner, title, label, initial);
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
