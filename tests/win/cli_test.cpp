// The command line on Windows: vantorel-cli.exe run as a process under Wine,
// compared with the window's Save Source and with what the Linux build
// wrote; the portable code pages and language names against the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "analysis/version_info_win32.h"
#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "platform/text_win32.h"
#include "codegen/source_file.h"
#include "main_window_fixture.h"
#include "platform/code_page.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing " + std::string(path.begin(), path.end()) + ">";
  bytes.resize(GetFileSize(h, nullptr));
  DWORD got = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

struct CliRun {
  DWORD status = 0;
  std::string out, err;
};

// Runs vantorel-cli.exe with its standard output and error going to files,
// as a script redirecting them would.
CliRun RunCliExe(const std::wstring& arguments, const testing::TempFolder& folder) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring outPath = folder.File(L"stdout.bin"), errPath = folder.File(L"stderr.txt");
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + std::wstring(VANTOREL_CLI_EXE) + L"\" " + arguments;
  CliRun run;
  run.status = 0xDEAD;
  if (CreateProcessW(VANTOREL_CLI_EXE, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &si, &pi)) {
    run.status = testing::WaitForExit(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
  run.out = ReadBytes(outPath);
  run.err = ReadBytes(errPath);
  return run;
}

TEST(CliPortablePieces, CodePagesMatchTheSystem) {
  for (unsigned page : SupportedCodePages()) {
    if (page == kUtf8CodePage) continue;
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      wchar_t system = 0;
      ASSERT_EQ(MultiByteToWideChar(page, 0, &byte, 1, &system, 1), 1) << page;
      EXPECT_EQ(DecodeCodePage(std::string_view(&byte, 1), page), std::u16string(1, static_cast<char16_t>(system)))
          << "code page " << page << " byte " << b;
    }
  }
}

class CliSaveSourceTest : public testing::MainWindowFixture {
 protected:
  // The window's road: open, Preview tab, Save, the requester answered.
  std::string SaveThroughTheWindow(const std::wstring& library, const std::wstring& target) {
    LoadLibraryFile(library);
    RefreshMainView();
    TabCtrl_SetCurSel(Main().tabPanel, kPreviewTab);
    NMHDR header{Main().tabPanel, 0, TCN_SELCHANGE};
    SendMessageW(Main().window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    prompts.fileAnswers.push_back(target);
    SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdSave, 0), 0);
    return ReadBytes(target);
  }
  testing::ScriptedPrompts prompts;
};

// One library, three roads: the window's Save Source, vantorel-cli.exe and
// the Linux vantorel (its file written by the build): the same bytes. The
// x86 edition takes the 32-bit builds of Wine's libraries.
TEST_F(CliSaveSourceTest, WindowWindowsAndLinuxCommandLinesWriteTheSameFile) {
  testing::TempFolder folder;
  const std::wstring wine = testing::kWineLibraries + L"\\";
  const std::wstring wineOutput = testing::kX86Edition ? L"wine-x86-" : L"wine-";
  std::vector<std::pair<std::wstring, std::wstring>> libraries;
  if (!testing::kX86Edition) {
    libraries = {{L"named", Data(L"named.dll")},           {L"ansi_names", Data(L"ansi_names.dll")},
                 {L"gaps", Data(L"gaps.dll")},             {L"aliases", Data(L"aliases.dll")},
                 {L"cpp_exports", Data(L"cpp_exports.dll")}, {L"forwarders", Data(L"forwarders.dll")}};
  }
  // Names PureBasic knows as its own (select, ReadFile), names differing only
  // in case (imm32), a dotted base name. Wine's 32-bit loader empties the
  // slots of kernel32 that forward to its 16-bit modules, so the loaded image
  // the x86 edition lists is not the file the command line reads.
  for (const wchar_t* name : {L"version", L"comctl32", L"kernel32", L"ws2_32", L"imm32", L"windows.globalization"}) {
    if (testing::kX86Edition && name == std::wstring(L"kernel32")) continue;
    libraries.emplace_back(wineOutput + name, wine + name + L".dll");
  }
  for (const auto& [name, library] : libraries) {
    const std::string window = SaveThroughTheWindow(library, folder.File(name + L"-window.pbi"));
    ASSERT_GT(window.size(), 100u) << "the window saved nothing";
    const CliRun cli = RunCliExe(L"source \"" + library + L"\" -o \"" + folder.File(name + L"-cli.pbi") + L"\"", folder);
    EXPECT_EQ(cli.status, 0u) << cli.err;
    EXPECT_EQ(ReadBytes(folder.File(name + L"-cli.pbi")), window) << "vantorel-cli.exe";
    EXPECT_EQ(ReadBytes(Data(L"cli\\" + name + L".pbi")), window) << "vantorel on Linux";
    // Redirected standard output carries the same bytes: no CR LF doubling.
    const CliRun piped = RunCliExe(L"source \"" + library + L"\"", folder);
    EXPECT_EQ(piped.status, 0u) << piped.err;
    EXPECT_EQ(piped.out, window);
  }
  // A library with no row a loader can fetch: no road writes anything.
  const std::wstring nameless = testing::OwnTestData(L"ordinal_only.dll");
  LoadLibraryFile(nameless);
  RefreshMainView();
  TabCtrl_SetCurSel(Main().tabPanel, kPreviewTab);
  NMHDR header{Main().tabPanel, 0, TCN_SELCHANGE};
  SendMessageW(Main().window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  EXPECT_TRUE(GetMenuState(GetMenu(Main().window), CmdSave, MF_BYCOMMAND) & MF_GRAYED) << "an empty preview";
  const CliRun cli = RunCliExe(L"source \"" + nameless + L"\" -o \"" + folder.File(L"nameless-cli.pbi") + L"\"", folder);
  EXPECT_EQ(cli.status, 2u);
  EXPECT_NE(cli.err.find("4 left out"), std::string::npos) << cli.err;
  EXPECT_EQ(ReadBytes(folder.File(L"nameless-cli.pbi")).substr(0, 9), "<missing ");
}

TEST(CliExe, ConventionsOnWindows) {
  testing::TempFolder folder;
  // A folder and file names outside the ANSI code page.
  const std::wstring unicodeFolder = folder.File(L"Bibliot\u00E8que \u0416");
  ASSERT_TRUE(CreateDirectoryW(unicodeFolder.c_str(), nullptr));
  const std::wstring library = unicodeFolder + L"\\\u0416named.dll";
  ASSERT_TRUE(CopyFileW(Data(L"named.dll").c_str(), library.c_str(), FALSE));
  const CliRun batch = RunCliExe(L"source -d \"" + unicodeFolder + L"\" \"" + library + L"\" \"" +
                                     Data(L"malformed\\bad_mz.bin") + L"\" \"" + Data(L"x86\\gaps.dll") + L"\"",
                                 folder);
  EXPECT_EQ(batch.status, 2u);
  EXPECT_NE(batch.out.find(Utf8FromUtf16(ToU16(unicodeFolder + L"\\\u0416named.pbi"))), std::string::npos) << batch.out;
  EXPECT_NE(batch.out.find("gaps.pbi"), std::string::npos) << batch.out;
  EXPECT_NE(batch.err.find("bad_mz.bin: not a PE file: no MZ signature"), std::string::npos) << batch.err;
  const std::string source = ReadBytes(unicodeFolder + L"\\\u0416named.pbi");
  EXPECT_NE(source.find("Procedure.i _named_LoadDLL()"), std::string::npos) << "a letter outside A-Z becomes _";

  // An existing file is replaced whole, with nothing left beside it.
  const std::wstring target = folder.File(L"target.pbi");
  folder.Write(L"target.pbi", std::vector<unsigned char>(50000, 'x'));
  EXPECT_EQ(RunCliExe(L"source -o \"" + target + L"\" \"" + library + L"\"", folder).status, 0u);
  EXPECT_EQ(ReadBytes(target), source);
  EXPECT_EQ(testing::FilesIn(folder.path(), L"target.pbi*").size(), 1u);

  // Wildcards the shell leaves alone are expanded by the program.
  const CliRun wild = RunCliExe(L"exports \"" + Data(L"x86\\*s.dll") + L"\"", folder);
  EXPECT_EQ(wild.status, 0u) << wild.err;
  EXPECT_NE(wild.out.find("x86\\aliases.dll:\n"), std::string::npos) << wild.out;
  EXPECT_NE(wild.out.find("x86\\ansi_names.dll:\n"), std::string::npos) << wild.out;

  EXPECT_EQ(RunCliExe(L"exports --bogus", folder).status, 1u);
  const CliRun version = RunCliExe(L"--version", folder);
  EXPECT_EQ(version.out, "vantorel 0.1.0\n");
  // The language is named by the system, as the window names it.
  for (const wchar_t* name : {L"version_full.dll", L"version_mismatch.dll"}) {
    const CliRun info = RunCliExe(L"info \"" + Data(name) + L"\"", folder);
    const std::wstring shown = GetVersionString(Data(name), L"Language");
    EXPECT_FALSE(shown.empty());
    EXPECT_NE(info.out.find("Language:         " + Utf8FromUtf16(ToU16(shown)) + "\n"), std::string::npos) << info.out;
  }
}

}  // namespace
}  // namespace vantorel
