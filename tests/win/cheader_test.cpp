// The header importer in each edition's program: MinGW-w64's own winuser.h
// read through Wine's drive Z:, and a header beside another in a folder
// whose name needs UTF-16.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cheader/header_import.h"
#include "cheader/typed_prototype.h"
#include "test_support.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;

TEST(HeaderImportWindows, ReadsTheEditionsDeclarations) {
  HeaderImportOptions options;
  options.includeDirs = {L"Z:\\usr\\share\\mingw-w64\\include"};
  options.limits.maxTime = std::chrono::minutes(2);  // Wine on a busy machine
  const HeaderImport import = ImportHeader(L"Z:\\usr\\share\\mingw-w64\\include\\winuser.h", options);
  ASSERT_EQ(import.fault, HeaderFault::None) << import.faultFile << " " << import.faultDetail;
  // The x86 edition matches the decorated name and keeps the header's stdcall.
  const CFunction* f = FindDeclaration(import.functions, testing::kX86Edition ? "_MessageBoxW@16" : "MessageBoxW");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->convention, testing::kX86Edition ? CallingConvention::Stdcall : CallingConvention::Cdecl);
  EXPECT_EQ(PrototypeLine("Prototype", f->name, MakeTypedPrototype(*f)),
            "Prototype.l MessageBoxW(hWnd.i, lpText.p-unicode, lpCaption.p-unicode, uType.l)");
}

TEST(HeaderImportWindows, FindsIncludesBesideAHeaderInAUnicodeFolder) {
  const fs::path dir = fs::temp_directory_path() / L"vantorel-\u00e9\u4e2d-header";
  fs::create_directories(dir);
  std::ofstream(dir / L"types.h") << "typedef unsigned long DWORD;\n#define API __stdcall\n";
  std::ofstream(dir / L"lib.h") << "#include \"types.h\"\nDWORD API Tick(const char *name, double scale, ...);\n";
  const HeaderImport import = ImportHeader(dir / L"lib.h", {});
  ASSERT_EQ(import.fault, HeaderFault::None) << import.faultFile << " " << import.faultDetail;
  ASSERT_EQ(import.filesRead, 2u);
  const CFunction* f = FindDeclaration(import.functions, "Tick");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->variadic);
  EXPECT_EQ(f->convention, CallingConvention::Stdcall);
  EXPECT_EQ(FormatTypedPrototype(MakeTypedPrototype(*f)), ".l(name.p-ascii, scale.d)");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vantorel
