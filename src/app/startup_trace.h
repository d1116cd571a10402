#pragma once
// The steps of start-up, each reported as it ends to an observer that a
// timing harness may install; the program itself installs none, and then a
// report costs one test of a null pointer.

namespace vantorel {

enum class StartupStep : int {
  Facilities,      // the common controls
  Argument,        // the command line read and a library argument checked
  WindowBuilt,     // the main window with menu, toolbar and status bar
  FileOpened,      // the library or project of the command line opened: a
                   // library beside the window's build, a project before it
  FunctionsFilled, // the function grid made and filled
  Shown,           // the window shown and painted
  HiddenFacilities,// the rich-edit library, the menus' and the shell icons
  EditorMapped,    // the editor component mapped from the program's data
  PreviewBuilt,    // the Preview page's editor
  ResourcesBuilt,  // the Resources page's controls
  ResourceTree,    // the resource tree filled
  Ready,           // about to handle the first event
  Count,
};

using StartupObserver = void (*)(StartupStep);

inline StartupObserver startupObserver = nullptr;

inline void ReportStartupStep(StartupStep step) {
  if (startupObserver) startupObserver(step);
}

}  // namespace vantorel
