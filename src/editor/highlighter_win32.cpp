#include "editor/highlighter_win32.h"

#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "editor/highlighter.h"

namespace vantorel {
namespace {

// Talks to the control through its direct function where it offers one: a
// pass over a long document sends hundreds of thousands of messages, and the
// window manager's dispatch would dominate the time.
class Control {
 public:
  explicit Control(HWND window) : window_(window) {
    function_ = reinterpret_cast<SciFnDirect>(SendMessageW(window, SCI_GETDIRECTFUNCTION, 0, 0));
    pointer_ = static_cast<sptr_t>(SendMessageW(window, SCI_GETDIRECTPOINTER, 0, 0));
  }
  std::int64_t operator()(unsigned message, std::int64_t wParam = 0, std::int64_t lParam = 0) const {
    if (function_ && pointer_) {
      return function_(pointer_, message, static_cast<uptr_t>(wParam), static_cast<sptr_t>(lParam));
    }
    return SendMessageW(window_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
  }

 private:
  HWND window_;
  SciFnDirect function_ = nullptr;
  sptr_t pointer_ = 0;
};

// While a pass sets fold levels the control would report every changed level
// to the parent, which needs none of it (no lines are added). On a fresh
// document of 200,000 lines those reports took twelve seconds under Wine.
class QuietFoldChanges {
 public:
  explicit QuietFoldChanges(const Control& sci) : sci_(sci), mask_(sci(SCI_GETMODEVENTMASK)) {
    sci_(SCI_SETMODEVENTMASK, mask_ & ~static_cast<std::int64_t>(SC_MOD_CHANGEFOLD | SC_MOD_CHANGEMARKER));
  }
  ~QuietFoldChanges() { sci_(SCI_SETMODEVENTMASK, mask_); }
  QuietFoldChanges(const QuietFoldChanges&) = delete;
  QuietFoldChanges& operator=(const QuietFoldChanges&) = delete;

 private:
  const Control& sci_;
  std::int64_t mask_;
};

// Styles go to the control in blocks of about this many bytes, so memory
// stays bounded however long the document is.
constexpr std::size_t kStyleBlock = 1 << 18;

}  // namespace

EditorLexer HighlighterLexer() { return {RestyleLines, HandleEditorNotification}; }

void RestyleLines(int number, std::int64_t first, std::int64_t last, std::int64_t end) {
  HWND window = GetEditorWindow(number);
  const EditorState* state = GetEditorState(number);
  if (!window || !state) return;
  const Control sci(window);
  const std::int64_t lineCount = sci(SCI_GETLINECOUNT);
  if (last == -1 || last >= lineCount) last = lineCount - 1;
  if (first < 0) first = 0;
  int level = kFoldLevelBase;
  if (first > 0) {
    --first;
    level = static_cast<int>(sci(SCI_GETFOLDLEVEL, first)) & kFoldLevelNumberMask;
  }
  if (first > last) return;
  std::int64_t position = sci(SCI_POSITIONFROMLINE, first);
  if (position < 0) return;
  std::int64_t remaining = end - position;

  const QuietFoldChanges quiet(sci);
  try {
    const Highlighter highlighter(*state);
    std::vector<StyleRun> runs;
    std::string styles;
    std::vector<int> levels;
    styles.reserve(kStyleBlock + 4096);
    std::int64_t blockFirst = first;
    const auto flush = [&](std::int64_t nextLine) {
      if (!styles.empty())
        sci(SCI_SETSTYLINGEX, static_cast<std::int64_t>(styles.size()), reinterpret_cast<std::int64_t>(styles.data()));
      for (std::size_t i = 0; i < levels.size(); ++i) {
        sci(SCI_SETFOLDLEVEL, blockFirst + static_cast<std::int64_t>(i), levels[i]);
      }
      styles.clear();
      levels.clear();
      blockFirst = nextLine;
    };

    sci(SCI_STARTSTYLING, position, 0);
    for (std::int64_t line = first; line <= last; ++line) {
      std::int64_t length = sci(SCI_LINELENGTH, line);
      if (end != -1 && remaining < length) length = remaining < 0 ? 0 : remaining;
      remaining -= length;
      int delta = 0;
      if (length > 0) {
        // The text does not move while only styles and levels change, so the
        // pointer stays good until this line is tokenised.
        const auto* bytes = reinterpret_cast<const char*>(sci(SCI_GETRANGEPOINTER, position, length));
        if (!bytes) break;  // styles could no longer follow the text: end the pass
        delta = highlighter.StyleLine({bytes, static_cast<std::size_t>(length)}, level, runs);
        for (const StyleRun& run : runs) styles.append(run.length, static_cast<char>(run.style));
        position += length;
      }
      levels.push_back(StoredFoldLevel(level, delta));
      level = NextFoldLevel(level, delta);
      if (styles.size() >= kStyleBlock) flush(line + 1);
    }
    flush(last + 1);
  } catch (const std::bad_alloc&) {
    // The pass ends; lines already handed over keep their styles.
  }
}

void HandleEditorNotification(int number, const SCNotification& notification) {
  HWND window = GetEditorWindow(number);
  if (!window) return;
  const Control sci(window);
  switch (notification.nmhdr.code) {
    case SCN_STYLENEEDED: {
      std::int64_t first = sci(SCI_LINEFROMPOSITION, sci(SCI_GETENDSTYLED));
      // A display line, not a document line: with folds above it the range
      // is styled over several requests.
      std::int64_t last = sci(SCI_VISIBLEFROMDOCLINE, sci(SCI_LINEFROMPOSITION, notification.position));
      if (last < first) {
        const std::int64_t oldFirst = first;
        first = last;
        last = oldFirst + 1;
      }
      RestyleLines(number, first, last, notification.position);
      break;
    }
    case SCN_MARGINCLICK: {
      if (notification.margin != 2) break;
      const std::int64_t line = sci(SCI_LINEFROMPOSITION, notification.position);
      if (sci(SCI_GETFOLDLEVEL, line) & kFoldLevelHeaderFlag) sci(SCI_TOGGLEFOLD, line);
      break;
    }
    case SCN_NEEDSHOWN: {
      const std::int64_t from = sci(SCI_LINEFROMPOSITION, notification.position);
      const std::int64_t to = sci(SCI_LINEFROMPOSITION, notification.position + notification.length);
      for (std::int64_t line = from; line <= to; ++line) sci(SCI_ENSUREVISIBLE, line);
      const std::int64_t level = sci(SCI_GETFOLDLEVEL, to);
      if ((level & kFoldLevelHeaderFlag) &&
          (level & kFoldLevelNumberMask) < (sci(SCI_GETFOLDLEVEL, to + 1) & kFoldLevelNumberMask)) {
        sci(SCI_ENSUREVISIBLE, to + 1);
      }
      break;
    }
    default:
      break;  // the editor keeps the line-number margin itself on SCN_MODIFIED
  }
}

}  // namespace vantorel
