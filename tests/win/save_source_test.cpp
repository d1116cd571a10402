// Saving the generated source under Wine: the file's bytes, the requester and
// its retry question, and that a failed save leaves the previous file whole.
#include "app/pages/preview_page_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/text_win32.h"
#include "codegen/source_generator.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::FilesIn;
using testing::ScriptedPrompts;
using testing::TempFolder;

std::optional<std::string> ReadBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD got = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

// The system's UTF-8 encoder, as an oracle independent of ours.
std::string SystemUtf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// The generated text as Save Source is given it: the text the preview
// editor shows, never read back from the editor.
class FakeEditor {
 public:
  explicit FakeEditor(std::wstring text) : text_(std::move(text)) {}
  std::u16string Source() const { return ToU16(text_); }
  const std::wstring& text() const { return text_; }

 private:
  std::wstring text_;
};

std::wstring GeneratedText() {
  std::vector<FunctionRow> rows(2);
  rows[0].alias = rows[0].exportName = u"MessageBoxW";
  rows[0].parameters = u"4";
  rows[0].comment = u"zeigt \u00FCber \u20AC und \U0001F600";
  rows[1].alias = u"Ete";
  rows[1].exportName = u"\u00C9t\u00E9";
  rows[1].parameters = u"0";
  return ToWide(BuildSourceText(rows, u"C:\\Libs\\user32.dll"));
}

const std::wstring kLibrary = L"C:\\Libs\\user32.dll";
const std::string kOld = "previous content, longer than nothing\r\n";

class SaveSourceTest : public ::testing::Test {
 protected:
  ScriptedPrompts prompts;
  TempFolder folder;
  FakeEditor editor{GeneratedText()};

  void ExpectNoTemporaryFiles() { EXPECT_EQ(FilesIn(folder.path(), L"*.tmp").size(), 0u); }
};

void ExpectMessage(const testing::RecordedMessage& m, const std::wstring& text, UINT buttons, UINT icon) {
  EXPECT_EQ(m.text, text);
  EXPECT_EQ(m.caption, L"Vantorel");
  EXPECT_EQ(m.buttons(), buttons);
  EXPECT_EQ(m.icon(), icon);
}

const std::wstring kCannotCreate = L"Can't save in this directory,\nselect another one?";

TEST_F(SaveSourceTest, WritesBomAndOneCrLfLinePerEditorLine) {
  const std::wstring target = folder.File(L"user32.pbi");
  prompts.fileAnswers = {target};
  EXPECT_EQ(SaveSource(editor.Source(), kLibrary), SaveSourceResult::Saved);

  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_TRUE(prompts.requesters[0].save);
  EXPECT_EQ(prompts.requesters[0].title, L"");
  EXPECT_EQ(prompts.requesters[0].initialPath, L"C:\\Libs\\user32.pbi");
  EXPECT_EQ(prompts.requesters[0].filter, L"PB-Source (*.pb, *.pbi)|*.pb;*.pbi");
  EXPECT_TRUE(prompts.messages.empty());

  std::wstring crlf;
  for (wchar_t c : editor.text()) crlf += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
  const std::optional<std::string> bytes = ReadBytes(target);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "\xEF\xBB\xBF" + SystemUtf8(crlf) + "\r\n");
  EXPECT_EQ(bytes->substr(0, 5), "\xEF\xBB\xBF;=");
  EXPECT_EQ(bytes->substr(bytes->size() - 16), "EndProcedure\r\n\r\n");
  EXPECT_NE(bytes->find("zeigt \xC3\xBC" "ber \xE2\x82\xAC und \xF0\x9F\x98\x80\r\n"), std::string::npos);
  EXPECT_NE(bytes->find("Ete = GetFunction(hDLL, \"\xC3\x89t\xC3\xA9\")\r\n"), std::string::npos);
  EXPECT_EQ(FilesIn(folder.path()).size(), 1u);
}

TEST_F(SaveSourceTest, ReplacesAnExistingFileWithoutAQuestion) {
  const FakeEditor small(L"x\n");
  const std::wstring target = folder.Write(L"old.pb", std::vector<unsigned char>(4096, 'z'));
  prompts.fileAnswers = {target};
  EXPECT_EQ(SaveSource(small.Source(), kLibrary), SaveSourceResult::Saved);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(ReadBytes(target), "\xEF\xBB\xBFx\r\n\r\n");
  EXPECT_EQ(FilesIn(folder.path()).size(), 1u);
}

// A name so long that the temporary name beside it exceeds the file
// system's limit for one name component: the target is then written
// directly, new or existing, and no retry question is asked.
TEST_F(SaveSourceTest, TargetWrittenDirectlyWhenNoTemporaryFitsBesideIt) {
  const FakeEditor small(L"x\n");
  const std::wstring longName = std::wstring(246, L'n') + L".pbi";
  const std::vector<unsigned char> old(4096, 'z');
  for (bool existing : {false, true}) {
    const std::wstring target = existing ? folder.Write(longName, old) : folder.File(longName);
    prompts.fileAnswers = {target};
    EXPECT_EQ(SaveSource(small.Source(), kLibrary), SaveSourceResult::Saved) << existing;
    EXPECT_TRUE(prompts.messages.empty()) << existing;
    EXPECT_EQ(ReadBytes(target), "\xEF\xBB\xBFx\r\n\r\n") << existing;
    EXPECT_EQ(FilesIn(folder.path()), std::vector<std::wstring>{target}) << existing;
  }
}

TEST_F(SaveSourceTest, CancelWritesNothingAndEmptySourceAsksNothing) {
  EXPECT_EQ(SaveSource(editor.Source(), L"C:\\Libs\\mylib"), SaveSourceResult::Cancelled);
  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_EQ(prompts.requesters[0].initialPath, L"C:\\Libs\\mylib.pbi");
  EXPECT_TRUE(prompts.messages.empty());

  const FakeEditor empty(L"");
  prompts.fileAnswers = {folder.File(L"never.pbi")};
  EXPECT_EQ(SaveSource(empty.Source(), kLibrary), SaveSourceResult::Empty);
  EXPECT_EQ(prompts.requesters.size(), 1u) << "no requester for an empty source";
  ASSERT_EQ(prompts.messages.size(), 1u);
  ExpectMessage(prompts.messages[0], L"The source is empty", MB_OK, 0);

  EXPECT_EQ(SaveSource({}, kLibrary), SaveSourceResult::Empty) << "no text at all";
  EXPECT_TRUE(FilesIn(folder.path()).empty());
}

TEST_F(SaveSourceTest, UnwritablePlaceAsksForAnotherAndYesAsksAgain) {
  const std::wstring missingFolder = folder.File(L"missing\\x.pbi");
  ASSERT_TRUE(CreateDirectoryW(folder.File(L"taken.pbi").c_str(), nullptr));
  const std::wstring good = folder.File(L"good.pbi");
  prompts.fileAnswers = {missingFolder, folder.File(L"taken.pbi"), good};
  EXPECT_EQ(SaveSource(editor.Source(), kLibrary), SaveSourceResult::Saved);

  ASSERT_EQ(prompts.requesters.size(), 3u);
  for (const auto& r : prompts.requesters) EXPECT_EQ(r.initialPath, L"C:\\Libs\\user32.pbi") << "every retry proposes the default";
  ASSERT_EQ(prompts.messages.size(), 2u);
  for (const auto& m : prompts.messages) ExpectMessage(m, kCannotCreate, MB_YESNO, MB_ICONQUESTION);
  EXPECT_TRUE(ReadBytes(good));
  EXPECT_EQ(GetFileAttributesW(folder.File(L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FilesIn(folder.path()), std::vector<std::wstring>{good});
}

TEST_F(SaveSourceTest, UnwritablePlaceAnsweredNoStops) {
  prompts.fileAnswers = {folder.File(L"missing\\x.pbi"), folder.File(L"unused.pbi")};
  prompts.messageAnswers = {IDNO};
  EXPECT_EQ(SaveSource(editor.Source(), kLibrary), SaveSourceResult::Cancelled);
  EXPECT_EQ(prompts.requesters.size(), 1u);
  ASSERT_EQ(prompts.messages.size(), 1u);
  ExpectMessage(prompts.messages[0], kCannotCreate, MB_YESNO, MB_ICONQUESTION);
  EXPECT_TRUE(FilesIn(folder.path()).empty());
}

TEST_F(SaveSourceTest, FailedReplaceIsReportedAndThePreviousFileSurvives) {
  const std::wstring target = folder.Write(L"busy.pbi", {kOld.begin(), kOld.end()});
  // Another program has the file open and lets others read and write it but
  // not delete or rename it: the finished new content cannot take its place.
  HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  prompts.fileAnswers = {target};
  const SaveSourceResult result = SaveSource(editor.Source(), kLibrary);
  CloseHandle(holder);

  EXPECT_EQ(result, SaveSourceResult::Failed);
  ASSERT_EQ(prompts.messages.size(), 1u);
  ExpectMessage(prompts.messages[0],
                L"Can't write the source to\n" + target + L"\nNothing was saved; any previous file is unchanged.", MB_OK,
                0);
  EXPECT_EQ(prompts.requesters.size(), 1u) << "a write failure is no retry question";
  EXPECT_EQ(ReadBytes(target), kOld);
  ExpectNoTemporaryFiles();
  EXPECT_EQ(FilesIn(folder.path()).size(), 1u);
}

}  // namespace
}  // namespace vantorel
