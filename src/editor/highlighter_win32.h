#pragma once
// The container lexer of the editors: restyles lines through the control and
// answers its styling, fold-margin and show-lines notifications.
#include <Scintilla.h>
#include <windows.h>

#include <cstdint>

#include "editor/editor_win32.h"

namespace vantorel {

// The lexer to hand to SetEditorLexer.
EditorLexer HighlighterLexer();

// Restyles lines first..last (-1 = the last line) of editor `number`, never
// past the document position end (-1 = no limit), and sets their fold levels.
// The line before first is restyled too, since its fold delta decides the
// level first starts at.
void RestyleLines(int number, std::int64_t first, std::int64_t last, std::int64_t end);

// Style needed, fold-margin clicks and lines that must be shown; others are
// ignored (the editor itself keeps the line-number margin up to date).
void HandleEditorNotification(int number, const SCNotification& notification);

}  // namespace vantorel
