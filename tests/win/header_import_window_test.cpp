// Import Header in the window: the command with a scripted requester, a
// dropped header, headers that change nothing, the include folders asked
// for, and a project that keeps the typed prototypes.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_state_win32.h"
#include "app/header_import_win32.h"
#include "app/main_window_win32.h"
#include "editor/editor_win32.h"
#include "main_window_fixture.h"
#include "scripted_prompts.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;

std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

class HeaderImportWindowTest : public testing::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    dir = fs::path(temp) / (L"vantorel-header-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    App().Session.typed.clear();
    HeaderIncludeFolders().clear();
    fs::remove_all(dir);
    MainWindowFixture::TearDown();
  }
  std::wstring Write(const std::wstring& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return (dir / name).wstring();
  }
  void Command(int id) { SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  std::wstring Cell(int column, std::int64_t row) { return Main().functionGrid->GetCellText(column, row); }
  std::string Preview() {
    const std::wstring text = GetEditorText(kPreviewEditor);
    return std::string(text.begin(), text.end());  // the loader is ASCII here
  }

  fs::path dir;
  testing::ScriptedPrompts prompts;
};

TEST_F(HeaderImportWindowTest, CommandDropAndProject) {
  // named.dll's rows: SubtractNumbers, AddNumbers, GetAnswer, MultiplyNumbers, NegateNumber.
  LoadLibraryFile(Data(L"named.dll"));
  RefreshMainView();
  const std::string untyped = Preview();

  // Headers that cannot be used, or declare none of the rows, are told and change nothing.
  struct Refused {
    std::wstring header;
    std::wstring told;
  };
  const Refused refused[] = {
      {Write(L"binary.h", std::string("int AddNumbers(int a, int b);\0\0\x01", 33)), L"is not a text file"},
      {Write(L"loop.h", "#include \"loop.h\"\nint AddNumbers(int a, int b);\n"), L"includes itself without end"},
      {(dir / L"missing.h").wstring(), L"cannot be read"},
      {Write(L"other.h", "int Unrelated(int a);\n"), L"declares none of the library's functions."},
  };
  for (const Refused& r : refused) {
    prompts.messages.clear();
    prompts.fileAnswers.push_back(r.header);
    Command(CmdImportHeader);
    ASSERT_EQ(prompts.messages.size(), 1u) << r.header;
    EXPECT_EQ(prompts.messages[0].caption, L"Vantorel");
    EXPECT_EQ(prompts.messages[0].text.rfind(r.header, 0), 0u) << prompts.messages[0].text;
    EXPECT_NE(prompts.messages[0].text.find(r.told), std::wstring::npos) << prompts.messages[0].text;
    EXPECT_EQ(Cell(3, 1), L"?");
    EXPECT_TRUE(App().Session.typed.empty());
    EXPECT_EQ(Preview(), untyped);
  }
  EXPECT_EQ(prompts.requesters.back().filter, kHeaderFilter);

  // The command, then a drop: each fills the rows it declares, the user's
  // comment stays, the preview is typed.
  App().Session.rows[3].comment = u"mine";
  RefreshMainView();
  prompts.messages.clear();
  prompts.fileAnswers.push_back(Write(L"add.h", "int AddNumbers(int a, int b);\n"));
  Command(CmdImportHeader);
  HandleDroppedFiles({Write(L"more.h", "double MultiplyNumbers(double x, double y);\nint GetAnswer(void);\n")});
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(Cell(3, 1), L"2");
  EXPECT_EQ(Cell(5, 1), L"int AddNumbers(int a, int b)");
  EXPECT_EQ(Cell(3, 2), L"0");
  EXPECT_EQ(Cell(5, 3), L"mine");
  EXPECT_EQ(Cell(3, 0), L"?");
  const std::string typed = Preview();
  for (const char* line : {"\nPrototype SubtractNumbers()\n", "\nPrototype.l AddNumbers(a.l, b.l); int AddNumbers(int a, int b)\n",
                           "\nPrototype.l GetAnswer(); int GetAnswer(void)\n", "\nPrototype.d MultiplyNumbers(x.d, y.d); mine\n"}) {
    EXPECT_NE(typed.find(line), std::string::npos) << line << "\n" << typed;
  }

  // Saved and loaded again, the project gives the same typed source.
  prompts.fileAnswers.push_back((dir / L"named.prj").wstring());
  Command(CmdSave);
  LoadProject((dir / L"named.prj").wstring());
  RefreshMainView();
  EXPECT_EQ(App().Session.typed.size(), 3u);
  EXPECT_EQ(Preview(), typed);
  // A library opened anew has no typed rows.
  LoadLibraryFile(Data(L"named.dll"));
  RefreshMainView();
  EXPECT_EQ(Preview(), untyped);
}

TEST_F(HeaderImportWindowTest, IncludeFoldersAskedAsOneLine) {
  prompts.textAnswers.push_back(L" C:\\one ; ;D:\\two dir;");
  Command(CmdIncludeFolders);
  EXPECT_EQ(HeaderIncludeFolders(), (std::vector<std::wstring>{L"C:\\one", L"D:\\two dir"}));
  Command(CmdIncludeFolders);  // cancelled: kept
  ASSERT_EQ(prompts.textQuestions.size(), 2u);
  EXPECT_EQ(prompts.textQuestions[1], L"C:\\one;D:\\two dir");
  EXPECT_EQ(HeaderIncludeFolders().size(), 2u);

  // A header finds what it includes there.
  const std::wstring sub = (dir / L"inc").wstring();
  fs::create_directories(sub);
  std::ofstream(dir / L"inc" / L"types.h") << "typedef double REAL;\n";
  HeaderIncludeFolders() = {sub};
  LoadLibraryFile(Data(L"named.dll"));
  RefreshMainView();
  HandleDroppedFiles({Write(L"lib.h", "#include <types.h>\nREAL MultiplyNumbers(REAL x, REAL y);\n")});
  EXPECT_NE(Preview().find("\nPrototype.d MultiplyNumbers(x.d, y.d); "), std::string::npos);
}

}  // namespace
}  // namespace vantorel
