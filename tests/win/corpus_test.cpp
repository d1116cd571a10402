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
#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "analysis/version_info.h"
#include "analysis/version_info_win32.h"
#include "analysis/version_resource.h"
#include "codegen/function_table.h"
#include "codegen/source_generator.h"
#include "platform/code_page_win32.h"
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

// The pattern also matches by short names: "*.dll" finds avifile.dll16.
const std::vector<std::wstring>& Corpus() {
  static const std::vector<std::wstring> files = [] {
    std::vector<std::wstring> dlls;
    for (auto& f : testing::FilesIn(testing::kWineLibraries, L"*.dll")) {
      if (f.size() > 4 && _wcsicmp(f.c_str() + f.size() - 4, L".dll") == 0) dlls.push_back(f);
    }
    return dlls;
  }();
  return files;
}

// The test environment switches off Wine's .NET and HTML engines
// (WINEDLLOVERRIDES "mscoree,mshtml="): the loader refuses those two.
bool DisabledByTestEnvironment(const std::wstring& path) {
  const std::string name = FileName(path);
  return name == "mscoree.dll" || name == "mshtml.dll";
}

// The loader source of a listing fetches every named row, in order, by its
// export name, with one Prototype each; rows without a name are left out.
void ExpectSourceAgrees(const FunctionRows& listing, const std::wstring& path) {
  std::vector<std::u16string> named;
  for (const FunctionRow& f : listing) {
    if (!f.exportName.empty()) named.push_back(f.exportName);
  }
  const std::u16string text = BuildSourceText(listing, ToU16(path));
  std::vector<std::u16string> fetches;
  std::size_t prototypes = 0;
  std::size_t start = 0;
  for (std::size_t lf = text.find(u'\n'); lf != std::u16string::npos; start = lf + 1, lf = text.find(u'\n', start)) {
    const std::u16string_view line(text.data() + start, lf - start);
    if (line.starts_with(u"Prototype")) ++prototypes;
    if (line.find(u" = GetFunction(hDLL, ") != std::u16string_view::npos) fetches.emplace_back(line);
  }
  ASSERT_EQ(prototypes, named.size()) << FileName(path);
  ASSERT_EQ(fetches.size(), named.size()) << FileName(path);
  for (std::size_t i = 0; i < named.size(); ++i) {
    ASSERT_TRUE(fetches[i].ends_with(u" = GetFunction(hDLL, \"" + named[i] + u"\")")) << FileName(path) << " row " << i;
  }
}

// Every library of the edition's kind passes the PE check; the listing from
// the image the system maps equals the listing from the file laid out by
// hand; the source made from it agrees. Mapped without running its code:
// several of these libraries expect to be loaded by Wine itself.
TEST(WineCorpus, LoadedImageListsWhatTheFileHolds) {
  ASSERT_GT(Corpus().size(), 500u);
  int withExports = 0;
  int resolvedForwarders = 0;
  for (const auto& path : Corpus()) {
    ASSERT_EQ(CheckPeFile(path), AcceptedPeKind()) << FileName(path);
    HMODULE mapped = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!mapped && DisabledByTestEnvironment(path)) continue;
    ASSERT_NE(mapped, nullptr) << FileName(path);
    const FunctionRows loaded = MakeFunctionRows(WalkMappedExports(mapped, true).entries(), DecodeAnsi);
    FreeLibrary(mapped);

    const auto bytes = ReadWholeFile(path);
    const auto image = LayOutImage(bytes);
    ASSERT_TRUE(image) << FileName(path);
    const auto fromFile = ListExports(ImageView(*image));
    ASSERT_EQ(loaded.size(), fromFile.size()) << FileName(path);
    const DataDirectory exportDirectory = ReadPeHeaders(ImageView(*image))->directories[kDirectoryExport];
    for (std::size_t i = 0; i < loaded.size(); ++i) {
      // Wine's 32-bit loader empties the slots that forward to its 16-bit
      // modules (krnl386.exe16 and the like), which no 32-bit program can
      // call: the loaded image, which the tool lists, differs from the file
      // there and only there.
      const bool forwarder = fromFile[i].rva - std::uint64_t{exportDirectory.rva} < exportDirectory.size;
      const auto target = forwarder ? ImageView(*image).readCString(fromFile[i].rva, 256) : std::nullopt;
      if (testing::kX86Edition && target && target->find("16.") != std::string_view::npos &&
          loaded[i].exportName.empty()) {
        ++resolvedForwarders;
        continue;
      }
      ASSERT_EQ(ToWide(loaded[i].exportName), FromAnsi(fromFile[i].name)) << FileName(path) << " slot " << i;
    }
    ExpectSourceAgrees(loaded, path);
    withExports += loaded.empty() ? 0 : 1;
  }
  EXPECT_GT(withExports, 400);
  EXPECT_EQ(resolvedForwarders > 0, testing::kX86Edition);
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
