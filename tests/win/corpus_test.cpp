// Wine's own libraries, several hundred files nobody here wrote, against
// independent oracles: the file-based export walk, the portable version
// reader, sha1sum and exiftool.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>

#include "analysis/exports.h"
#include "analysis/image_view.h"
#include "analysis/library_win32.h"
#include "analysis/version_info.h"
#include "analysis/version_info_win32.h"
#include "analysis/version_resource.h"
#include "codegen/function_table.h"
#include "platform/text_win32.h"
#include "test_support.h"

namespace vantorel {
namespace {

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::wstring FromUtf8(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::wstring FromAnsi(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string FileName(const std::wstring& path) {
  const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return std::string(name.begin(), name.end());
}

// Lines of "file<TAB>values..." (exiftool -T) or "digest  file" (sha1sum).
std::map<std::string, std::vector<std::string>> ReadOracle(const wchar_t* name, bool sha1sum) {
  std::map<std::string, std::vector<std::string>> rows;
  std::ifstream in((std::wstring(VANTOREL_BUILD_DIR) + L"\\" + name).c_str());
  std::string line;
  while (std::getline(in, line)) {
    if (sha1sum) {
      const auto gap = line.find("  ");
      if (gap != std::string::npos) rows[line.substr(gap + 2)] = {line.substr(0, gap)};
      continue;
    }
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) fields.push_back(field == "-" ? "" : field);
    if (!fields.empty()) rows[fields[0]] = {fields.begin() + 1, fields.end()};
  }
  return rows;
}

const std::vector<std::wstring>& Corpus() {
  static const std::vector<std::wstring> files = testing::FilesIn(testing::kWineLibraries, L"*.dll");
  return files;
}

// The test environment switches off Wine's .NET and HTML engines
// (WINEDLLOVERRIDES "mscoree,mshtml="): the loader refuses those two.
bool DisabledByTestEnvironment(const std::wstring& path) {
  const std::string name = FileName(path);
  return name == "mscoree.dll" || name == "mshtml.dll";
}

// The listing from the image the system maps equals the listing from the
// file laid out by hand. Mapped without running its code: several of these
// libraries expect to be loaded by Wine itself.
TEST(WineCorpus, LoadedImageListsWhatTheFileHolds) {
  ASSERT_GT(Corpus().size(), 500u);
  int withExports = 0;
  for (const auto& path : Corpus()) {
    HMODULE mapped = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!mapped && DisabledByTestEnvironment(path)) continue;
    ASSERT_NE(mapped, nullptr) << FileName(path);
    const FunctionList loaded = MakeFunctionList(ListLoadedExports(mapped));
    FreeLibrary(mapped);

    const auto bytes = ReadWholeFile(path);
    const auto image = LayOutImage(bytes);
    ASSERT_TRUE(image) << FileName(path);
    const auto fromFile = ListExports(ImageView(*image));
    ASSERT_EQ(loaded.size(), fromFile.size()) << FileName(path);
    for (std::size_t i = 0; i < loaded.size(); ++i) {
      ASSERT_EQ(ToWide(loaded[i].Function), FromAnsi(fromFile[i].name)) << FileName(path) << " slot " << i;
    }
    withExports += loaded.empty() ? 0 : 1;
  }
  EXPECT_GT(withExports, 400);
}

TEST(WineCorpus, VersionApiAgreesWithPortableReaderAndExiftool) {
  const auto exif = ReadOracle(L"corpus.exif", false);
  ASSERT_GT(exif.size(), 500u);
  int versioned = 0;
  for (const auto& path : Corpus()) {
    const auto portable = ReadFileVersionStrings(ReadWholeFile(path));
    std::array<std::wstring, kVersionKeyCount> api;
    for (std::size_t i = 0; i < kVersionKeyCount; ++i) {
      api[i] = GetVersionString(path, ToWide(VersionKeys[i].key));
      if (i != kLanguageIndex) {
        EXPECT_EQ(api[i], ToWide(portable.values[i])) << FileName(path) << " key " << i;
      }
    }
    // FileVersion, FileDescription, CompanyName and ProductName.
    const auto row = exif.find(FileName(path));
    ASSERT_NE(row, exif.end()) << FileName(path);
    ASSERT_EQ(row->second.size(), 4u);
    EXPECT_EQ(TrimSpaces(ToU16(api[0])), TrimSpaces(ToU16(FromUtf8(row->second[0])))) << FileName(path);
    EXPECT_EQ(TrimSpaces(ToU16(api[1])), TrimSpaces(ToU16(FromUtf8(row->second[1])))) << FileName(path);
    EXPECT_EQ(TrimSpaces(ToU16(api[7])), TrimSpaces(ToU16(FromUtf8(row->second[2])))) << FileName(path);
    // exiftool names the first string table's product; kernel32's first table
    // is a translation (Arabic), while the first translation listed, which
    // this program reads, is US English.
    if (FileName(path) != "kernel32.dll") {
      EXPECT_EQ(TrimSpaces(ToU16(api[5])), TrimSpaces(ToU16(FromUtf8(row->second[3])))) << FileName(path);
    }
    if (!api[0].empty()) {
      ++versioned;
      EXPECT_FALSE(api[kLanguageIndex].empty()) << FileName(path);
    }
  }
  EXPECT_GT(versioned, 150);
}

TEST(WineCorpus, FingerprintsEqualSha1sum) {
  const auto sums = ReadOracle(L"corpus.sha1", true);
  ASSERT_GT(sums.size(), 500u);
  for (const auto& path : Corpus()) {
    const auto row = sums.find(FileName(path));
    ASSERT_NE(row, sums.end()) << FileName(path);
    const std::string& expected = row->second[0];
    EXPECT_EQ(FileFingerprint(path), std::wstring(expected.begin(), expected.end())) << FileName(path);
  }
}

}  // namespace
}  // namespace vantorel
