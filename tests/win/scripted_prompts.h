#pragma once
// A Prompts implementation for tests: records every question and answers
// from queues, so no test waits for a window nobody clicks.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts_win32.h"

namespace vantorel::testing {

struct RecordedMessage {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT style;
  UINT buttons() const { return style & MB_TYPEMASK; }
  UINT icon() const { return style & MB_ICONMASK; }
};

struct RecordedRequester {
  bool save;
  std::wstring title, initialPath, filter;
};

class ScriptedPrompts final : public Prompts {
 public:
  ScriptedPrompts() { SetPrompts(this); }
  ~ScriptedPrompts() override { SetPrompts(nullptr); }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  std::vector<RecordedMessage> messages;
  std::vector<RecordedRequester> requesters;
  std::deque<int> messageAnswers;      // empty: OK or Yes, as the box offers
  std::deque<std::wstring> fileAnswers;  // empty: cancelled
  std::vector<std::wstring> textQuestions;  // the initial text of each
  std::deque<std::wstring> textAnswers;     // empty: cancelled

  int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style) override {
    messages.push_back({owner, text, caption, style});
    if (!messageAnswers.empty()) {
      const int answer = messageAnswers.front();
      messageAnswers.pop_front();
      return answer;
    }
    return (style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }
  std::wstring AskOpenFile(HWND, const std::wstring& title, const std::wstring& initialPath,
                           const std::wstring& filter) override {
    return Answer(false, title, initialPath, filter);
  }
  std::wstring AskSaveFile(HWND, const std::wstring& title, const std::wstring& initialPath,
                           const std::wstring& filter) override {
    return Answer(true, title, initialPath, filter);
  }
  std::optional<std::wstring> AskText(HWND, const std::wstring&, const std::wstring&,
                                      const std::wstring& initial) override {
    textQuestions.push_back(initial);
    if (textAnswers.empty()) return std::nullopt;
    std::wstring answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
  }

 private:
  std::wstring Answer(bool save, const std::wstring& title, const std::wstring& initialPath,
                      const std::wstring& filter) {
    requesters.push_back({save, title, initialPath, filter});
    if (fileAnswers.empty()) return {};
    std::wstring answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
  }
};

}  // namespace vantorel::testing
