#include "codegen/save_source_win32.h"

#include <algorithm>

#include "platform/handles_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"
#include "codegen/source_file.h"

namespace vantorel {

namespace {

constexpr wchar_t kEmptySource[] = L"The source is empty";
constexpr wchar_t kCannotCreate[] = L"Can't save in this directory,\nselect another one?";

std::wstring WriteFailedMessage(const std::wstring& path) {
  return L"Can't write the source to\n" + path + L"\nNothing was saved; any previous file is unchanged.";
}
std::wstring WriteFailedInPlaceMessage(const std::wstring& path) {
  return L"Can't write the source to\n" + path + L"\nThe file may be incomplete.";
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  constexpr std::size_t kChunk = std::size_t{1} << 24;
  while (!bytes.empty()) {
    const auto want = static_cast<DWORD>(std::min(bytes.size(), kChunk));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), want, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A new, empty file beside path that nobody else has open; empty when none
// can be made.
std::wstring CreateTemporaryBeside(const std::wstring& path, UniqueHandle& handle) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name =
        path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".tmp";
    handle.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle) return name;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

std::string EncodeEditorLines(const SourceLines& editor) {
  std::string bytes(kUtf8Bom);
  const std::int64_t count = editor.lineCount ? editor.lineCount() : 0;
  for (std::int64_t i = 0; i < count; ++i) {
    AppendSourceLine(bytes, editor.line ? ToU16(editor.line(i)) : std::u16string());
  }
  return bytes;
}

}  // namespace

ReplaceResult WriteFileReplacing(const std::wstring& path, std::string_view bytes) {
  // The file must be writable where it is: a read-only file, a folder of
  // that name or a missing folder are refused here, before anything is
  // written. Opening does not truncate, so an existing file stays whole.
  bool createdHere = false;
  {
    UniqueHandle target(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) return ReplaceResult::CannotCreate;
    createdHere = GetLastError() != ERROR_ALREADY_EXISTS;
  }
  // The placeholder made by the check must not outlive a failed save.
  auto forgetPlaceholder = [&] {
    if (createdHere) DeleteFileW(path.c_str());
  };

  UniqueHandle temporary;
  const std::wstring temporaryPath = CreateTemporaryBeside(path, temporary);
  if (temporaryPath.empty()) {
    // No file can be made beside the target (its path is within a few
    // characters of the length limit, or the folder lets files be changed but
    // not created), yet the target itself opened for writing: write it
    // directly. Only in this case can a failed write leave the previous
    // content damaged; the caller tells the user so.
    UniqueHandle target(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool written = target && WriteAll(target.get(), bytes) && SetEndOfFile(target.get()) &&
                         FlushFileBuffers(target.get()) && CloseHandle(target.release());
    if (written) return ReplaceResult::Written;
    target.reset();
    forgetPlaceholder();
    return createdHere ? ReplaceResult::WriteFailed : ReplaceResult::WriteFailedInPlace;
  }
  const bool complete = WriteAll(temporary.get(), bytes) && FlushFileBuffers(temporary.get()) &&
                        CloseHandle(temporary.release());
  if (!complete || !MoveFileExW(temporaryPath.c_str(), path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    temporary.reset();
    DeleteFileW(temporaryPath.c_str());
    forgetPlaceholder();
    return ReplaceResult::WriteFailed;
  }
  return ReplaceResult::Written;
}

SaveSourceResult SaveSource(const SourceLines& editor, const std::wstring& currentPath) {
  const std::wstring defaultName = ToWide(DefaultSourcePath(ToU16(currentPath)));
  if (!editor.text || editor.text().empty()) {
    ShowError(kEmptySource);
    return SaveSourceResult::Empty;
  }
  std::string bytes;
  bool encoded = false;
  for (;;) {
    const std::wstring path = CurrentPrompts().AskSaveFile(GetActiveWindow(), L"", defaultName, kSourceFilter);
    if (path.empty()) return SaveSourceResult::Cancelled;
    if (!encoded) {
      bytes = EncodeEditorLines(editor);
      encoded = true;
    }
    switch (WriteFileReplacing(path, bytes)) {
      case ReplaceResult::Written:
        return SaveSourceResult::Saved;
      case ReplaceResult::CannotCreate:
        if (!AskYesNo(kCannotCreate)) return SaveSourceResult::Cancelled;
        break;
      case ReplaceResult::WriteFailed:
        ShowError(WriteFailedMessage(path));
        return SaveSourceResult::Failed;
      case ReplaceResult::WriteFailedInPlace:
        ShowError(WriteFailedInPlaceMessage(path));
        return SaveSourceResult::Failed;
    }
  }
}

}  // namespace vantorel
