#pragma once
// The editor component (the Scintilla DLL image the program carries as data)
// mapped for the life of the process.
#include "editor/memory_loader_win32.h"

namespace vantorel {

// Maps the component from the program's own RCDATA resource
// IDR_EDITOR_IMAGE and keeps it; true when the window class "Scintilla" is
// then available. Mapping again while it is mapped changes nothing.
bool MapEditorComponent();
// Releases the component; editors must have been freed before.
void ReleaseEditorComponent();
// The mapped component, or null.
const MappedImage* EditorComponent();

}  // namespace vantorel
