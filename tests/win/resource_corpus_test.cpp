// The resource walk against the system's own enumeration, over Wine's
// libraries: the same resources, names and languages in the same order.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "resources/resource_directory.h"
#include "test_support.h"

namespace vantorel {
namespace {

std::wstring IdText(LPCWSTR id) { return IS_INTRESOURCE(id) ? L"#" + std::to_wstring(LOWORD(id)) : id; }

std::wstring IdText(const ResourceId& id) {
  return id.IsString() ? std::wstring(id.text.begin(), id.text.end()) : L"#" + std::to_wstring(id.id);
}

struct Enumeration {
  HMODULE module;
  std::wstring type, name;
  std::vector<std::wstring> lines;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  auto* e = reinterpret_cast<Enumeration*>(param);
  e->lines.push_back(e->type + L"/" + e->name + L"/" + std::to_wstring(language));
  return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  reinterpret_cast<Enumeration*>(param)->name = IdText(name);
  EnumResourceLanguagesW(module, type, name, OnLanguage, param);
  return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR param) {
  reinterpret_cast<Enumeration*>(param)->type = IdText(type);
  EnumResourceNamesW(module, type, OnName, param);
  return TRUE;
}

TEST(ResourceCorpus, WalkAgreesWithTheSystemEnumeration) {
  const auto files = testing::FilesIn(testing::kWineLibraries, L"*.dll");
  ASSERT_GT(files.size(), 100u);
  std::size_t withResources = 0;
  for (const auto& path : files) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module) continue;
    Enumeration system{module, {}, {}, {}};
    EnumResourceTypesW(module, OnType, reinterpret_cast<LONG_PTR>(&system));
    MODULEINFO info{};
    ASSERT_TRUE(K32GetModuleInformation(GetCurrentProcess(), module, &info, sizeof info));
    std::vector<std::wstring> walked;
    for (const auto& item : ListResources(ImageView(info.lpBaseOfDll, info.SizeOfImage))) {
      walked.push_back(IdText(item.type) + L"/" + IdText(item.name) + L"/" + std::to_wstring(item.language));
    }
    EXPECT_EQ(walked, system.lines) << std::string(path.begin(), path.end());
    withResources += !walked.empty();
    FreeLibrary(module);
  }
  EXPECT_GT(withResources, 50u);
}

}  // namespace
}  // namespace vantorel
