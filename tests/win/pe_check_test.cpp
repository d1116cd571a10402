#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pe_check_win32.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::FilesIn;
using testing::TempFolder;
using testing::Library32;
using testing::Library64;
using testing::kMingwRuntime32;
using testing::kWineLibraries64;
using testing::kWineLibraries32;
using testing::kWineUnixLibraries;

std::vector<unsigned char> Pe64Header(std::size_t length) {
  std::vector<unsigned char> b(length, 0);
  b[0] = 'M';
  b[1] = 'Z';
  b[0x3C] = 0x80;
  b[0x80] = 'P';
  b[0x81] = 'E';
  b[0x80 + 0x16] = 0x22;  // executable image
  b[0x80 + 0x18] = 0x0B;
  b[0x80 + 0x19] = 0x02;
  return b;
}

TEST(CheckPeFile, ReadsHeadersFromDisk) {
  TempFolder dir;
  EXPECT_EQ(CheckPeFile(dir.Write(L"ok.dll", Pe64Header(512))), 1);
  EXPECT_EQ(CheckPeFile(dir.Write(L"short.dll", Pe64Header(511))), -1);
  EXPECT_EQ(CheckPeFile(dir.Write(L"empty.dll", {})), -1);
  EXPECT_EQ(CheckPeFile(Library64()), 1);
  EXPECT_EQ(CheckPeFile(Library32()), 0);
}

TEST(CheckPeFile, UnreadablePathsGiveMinusTwo) {
  TempFolder dir;
  EXPECT_EQ(CheckPeFile(dir.File(L"missing.dll")), -2);
  EXPECT_EQ(CheckPeFile(dir.path()), -2);
  EXPECT_EQ(CheckPeFile(L""), -2);
}

TEST(CheckPeFile, FileHeldForWritingByAnotherProcessIsUnreadable) {
  TempFolder dir;
  const std::wstring file = dir.Write(L"busy.dll", Pe64Header(512));
  const std::wstring event = L"vantorel-hold-" + std::to_wstring(GetCurrentProcessId());
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (event + L"-ready").c_str());
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const auto holder = testing::StartProcess(self, L"--hold-for-writing \"" + file + L"\" " + event);
  ASSERT_NE(holder.process, nullptr);
  ASSERT_EQ(WaitForSingleObject(ready, 20000), WAIT_OBJECT_0);

  EXPECT_EQ(CheckPeFile(file), -2);

  SetEvent(done);
  EXPECT_EQ(testing::WaitForExit(holder.process, 20000), 0u);
  EXPECT_EQ(CheckPeFile(file), 1) << "the check must work again once the writer is gone";
  // The check closes the file again: it can be replaced right away.
  EXPECT_TRUE(DeleteFileW(file.c_str()));
  CloseHandle(holder.process);
  CloseHandle(done);
  CloseHandle(ready);
}

TEST(CheckPeFile, ReadersDoNotBlockTheCheck) {
  TempFolder dir;
  const std::wstring file = dir.Write(L"read.dll", Pe64Header(600));
  HANDLE reader = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CheckPeFile(file), 1);
  CloseHandle(reader);
}

// A corpus nobody here wrote: Wine's own libraries and the MinGW runtime.
TEST(CheckPeFile, ClassifiesWineAndMingwCorpus) {
  const auto wine64 = FilesIn(kWineLibraries64);
  ASSERT_GT(wine64.size(), 500u);
  for (const auto& f : wine64) EXPECT_EQ(CheckPeFile(f), 1) << std::string(f.begin(), f.end());

  std::vector<std::wstring> pe32 = FilesIn(kMingwRuntime32, L"*.dll");
  ASSERT_GE(pe32.size(), 5u);
  pe32.push_back(kWineLibraries32 + L"\\zlib1.dll");
  for (const auto& f : pe32) EXPECT_EQ(CheckPeFile(f), 0) << std::string(f.begin(), f.end());

  const auto elf = FilesIn(kWineUnixLibraries, L"*.so");
  ASSERT_GT(elf.size(), 10u);
  for (const auto& f : elf) EXPECT_EQ(CheckPeFile(f), -1) << std::string(f.begin(), f.end());
}

}  // namespace
}  // namespace vantorel
