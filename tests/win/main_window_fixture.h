#pragma once
// The real main window built in the test process: the process prepared and
// the editor component mapped once per suite, a fresh window per test, and
// the application state emptied after it.
#include <windows.h>

#include <gtest/gtest.h>

#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_win32.h"
#include "editor/editor_component_win32.h"

namespace vantorel::testing {

class MainWindowFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PrepareProcess();
    ASSERT_TRUE(MapEditorComponent());
  }
  static void TearDownTestSuite() { ReleaseProcess(); }

  void SetUp() override { ASSERT_NE(BuildMainWindow(), nullptr); }
  void TearDown() override {
    TearDownMainWindow();
    ReleaseLibrary();
    App().Session = {};
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
};

}  // namespace vantorel::testing
