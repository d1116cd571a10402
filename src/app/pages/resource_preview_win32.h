#pragma once
// Live previews of a library's menu and dialog resources: the menu as the
// menu bar of a small window of its own (window number 1), the dialog as a
// modal dialog over the main window.
#include <windows.h>

#include "app/pages/resource_page_win32.h"
#include "resources/resource_directory.h"

namespace vantorel {

// Both show the resource of the key's language, the bytes the dump shows,
// from a checked copy; a template that runs past its bytes, or a dialog
// naming a menu or picture that would not pass the same checks, shows
// nothing.

// Loads the menu and shows it in the menu preview window, which then owns
// it. A menu that does not load shows nothing. The window is owned by
// `owner`, so it goes away with the main window.
void PreviewMenu(const ResourceKey& key, HWND owner);

// Shows the dialog modally over `owner` and returns when it has been closed
// (only its close box or the system close command end it). A template that
// cannot be created returns at once and shows nothing.
void PreviewDialog(const ResourceKey& key, HWND owner);

// Destroys the open dialog preview and the menu preview window, if any.
void ClosePreviews();

// The menu preview window (null when closed) and the open dialog preview
// (null when none).
HWND MenuPreviewWindow();
HWND DialogPreviewWindow();

// The previews wired for the resource page, owned by the given window.
ResourcePreviews MenuAndDialogPreviews(HWND owner);

}  // namespace vantorel
