// The product as shipped: Vantorel.exe's resources, and the real process
// started the way a user starts it.
#include <gtest/gtest.h>

#include <string>

#include "app/resource_ids.h"
#include "test_support.h"

namespace vantorel {
namespace {

class ExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = LoadLibraryExW(VANTOREL_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe_, nullptr);
  }
  void TearDown() override { FreeLibrary(exe_); }
  std::string Resource(LPCWSTR name, LPCWSTR type) {
    HRSRC r = FindResourceW(exe_, name, type);
    if (!r) return {};
    const char* p = static_cast<const char*>(LockResource(LoadResource(exe_, r)));
    return p ? std::string(p, SizeofResource(exe_, r)) : std::string();
  }
  HMODULE exe_ = nullptr;
};

TEST_F(ExeResources, CarriesIconManifestCommandIconsAndEditor) {
  EXPECT_FALSE(Resource(MAKEINTRESOURCEW(IDI_VANTOREL), RT_GROUP_ICON).empty());
  HICON big = static_cast<HICON>(LoadImageW(exe_, MAKEINTRESOURCEW(IDI_VANTOREL), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(big, nullptr);
  DestroyIcon(big);

  const std::string manifest = Resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);

  for (int id = 0; id < 6; ++id) {
    const std::string ico = Resource(MAKEINTRESOURCEW(IDR_COMMAND_ICON_BASE + id), RT_RCDATA);
    ASSERT_GE(ico.size(), 6u + 2 * 16) << "command icon " << id;
    EXPECT_EQ(ico.substr(0, 4), std::string("\0\0\1\0", 4));
    const int images = static_cast<unsigned char>(ico[4]);
    EXPECT_GE(images, 2);
    EXPECT_LE(images, 4);
  }
  const std::string editor = Resource(MAKEINTRESOURCEW(IDR_EDITOR_IMAGE), RT_RCDATA);
  ASSERT_GT(editor.size(), 100000u);
  EXPECT_EQ(editor.substr(0, 2), "MZ");
}

// Closes the main window of a started Vantorel and returns its exit code.
DWORD CloseMainWindow(const testing::Started& p, const std::wstring& title) {
  HWND main = testing::WaitForWindow(p.processId, L"VantorelMain", title, 20000);
  if (!main) return STILL_ACTIVE;
  PostMessageW(main, WM_CLOSE, 0, 0);
  return testing::WaitForExit(p.process, 20000);
}

// Starts the real exe with a 32-bit library: the message box appears; after
// it the window opens with nothing, and closing it ends the process with
// exit code 0, without a question.
TEST(ExeProcess, ThirtyTwoBitArgumentShowsMessageAndExitsZero) {
  const auto p = testing::StartProcess(VANTOREL_EXE, L"\"" + testing::Library32() + L"\"");
  ASSERT_NE(p.process, nullptr);
  HWND box = testing::WaitForWindow(p.processId, L"#32770", L"Vantorel", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(testing::MessageBoxText(box), L"Isn't a valid 64Bit-File\nuse Vantorel_x86.exe");
  EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
  EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
  EXPECT_EQ(GetDlgItem(box, IDYES), nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(CloseMainWindow(p, L"Vantorel"), 0u);
  CloseHandle(p.process);
}

TEST(ExeProcess, MissingFileIsReportedThenExitsZero) {
  testing::TempFolder dir;
  const auto p = testing::StartProcess(VANTOREL_EXE, L"\"" + dir.File(L"gone.dll") + L"\" second");
  ASSERT_NE(p.process, nullptr);
  HWND box = testing::WaitForWindow(p.processId, L"#32770", L"Vantorel", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(testing::MessageBoxText(box), L"File is locked\ncan't load.");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(CloseMainWindow(p, L"Vantorel"), 0u);
  CloseHandle(p.process);
}

TEST(ExeProcess, LibraryArgumentOpensInTheFirstDisplay) {
  const auto p = testing::StartProcess(VANTOREL_EXE, L"\"" + testing::Library64() + L"\"");
  ASSERT_NE(p.process, nullptr);
  EXPECT_EQ(CloseMainWindow(p, L"Vantorel - " + testing::Library64()), 0u);
  CloseHandle(p.process);
}

}  // namespace
}  // namespace vantorel
