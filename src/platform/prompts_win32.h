#pragma once
// Every modal question of the program goes through Prompts, so tests can
// answer them from a script instead of a window nobody will click.
#include <windows.h>

#include <optional>
#include <string>

namespace vantorel {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A modal message box; returns the button pressed (IDOK, IDYES, IDNO, ...).
  virtual int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style) = 0;
  // The open and save requesters: filter is "Label|patterns|Label|patterns";
  // the result is the chosen path, or empty when the user cancelled.
  virtual std::wstring AskOpenFile(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                                   const std::wstring& filter) = 0;
  virtual std::wstring AskSaveFile(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                                   const std::wstring& filter) = 0;
  // One line of text: a box titled title with the label and an edit field
  // holding initial, OK and Cancel; empty optional when cancelled.
  virtual std::optional<std::wstring> AskText(HWND owner, const std::wstring& title, const std::wstring& label,
                                              const std::wstring& initial) = 0;
};

// The implementation in force: the system's unless a test installed another.
Prompts& CurrentPrompts();
// Installs an implementation (tests); nullptr restores the system's.
void SetPrompts(Prompts* prompts);

inline constexpr wchar_t kAppCaption[] = L"Vantorel";

// The program's message conventions: caption "Vantorel", owned by the active
// window. Errors: OK without icon.
void ShowError(const std::wstring& text);
// Retry questions: Yes and No with the question icon; true for Yes.
bool AskYesNo(const std::wstring& text);
// Warnings: OK with the exclamation icon.
void ShowWarning(const std::wstring& text);

}  // namespace vantorel
