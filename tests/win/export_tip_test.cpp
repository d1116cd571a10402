// The export tips on Windows: MSVC names undecorated by the system's dbghelp,
// over decorated.dll as the system loader maps it and its 32-bit build as a
// file.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "analysis/export_tip.h"
#include "analysis/export_tip_win32.h"
#include "analysis/exports.h"
#include "analysis/image_view.h"

namespace vantorel {
namespace {

using Tips = std::map<std::string, std::string>;

// The tips of every export without the RVA line (addresses are the linker's).
Tips TipsOf(const ImageView& image, bool pe32) {
  Tips tips;
  for (const auto& e : ListExports(image)) {
    auto tip = MakeExportTip({e.name, e.ordinal, e.rva, e.forwarder, pe32}, UndecorateMsvcName);
    std::erase_if(tip.lines, [](const std::string& line) { return line.starts_with("RVA: "); });
    tips[e.name] = FormatTitledTip(tip);
  }
  return tips;
}

TEST(UndecorateMsvcName, SystemUndecorator) {
  // More names go through it in the library test below.
  EXPECT_EQ(UndecorateMsvcName("?Open@Archive@@QEAAHPEBD@Z"), "public: int __cdecl Archive::Open(char const *)");
  EXPECT_EQ(UndecorateMsvcName("?Run@@YGHHH@Z"), "int __stdcall Run(int,int)");
  // Outside input the system cannot undecorate gives no signature, never a
  // crash; an embedded NUL or a name past the cap is not handed over.
  for (std::string_view bad : {std::string_view("?"), std::string_view("?Func@@YAXXZ\0x", 14), std::string_view()}) {
    const std::string result = UndecorateMsvcName(bad);
    EXPECT_TRUE(result.empty() || result == bad) << result;
  }
  EXPECT_EQ(UndecorateMsvcName(std::string(kMaxSignatureLength * 20, '?')), "");
}

TEST(ExportTipText, WideTipFromTheAnsiCodePage) {
  // Wine's ANSI code page is 1252 here, as on a Western Windows.
  EXPECT_EQ(ExportTipText({"Caf\xE9", 3, 0x1040, "OTHER.Pr\x80is", false}),
            L"Caf\u00E9\aordinal: 0x0003\r\nRVA: 0x00001040\r\nforwarded to OTHER.Pr\u20ACis");
  EXPECT_EQ(ExportTipText({"?Func@@YAXXZ", 1, 0x1000, {}, false}),
            L"?Func@@YAXXZ\avoid __cdecl Func(void)\r\nordinal: 0x0001\r\nRVA: 0x00001000\r\nparameters: 0");
  // The C++ runtime's demangler of the Windows build.
  EXPECT_EQ(ExportTipText({"_ZNK2Vt7Archive4ReadEPvj", 2, 0x1000, {}, false}),
            L"_ZNK2Vt7Archive4ReadEPvj\aVt::Archive::Read(void*, unsigned int) const\r\nordinal: 0x0002\r\n"
            L"RVA: 0x00001000\r\nparameters: 2 + this");
}

TEST(ExportTipWin, DecoratedLibraryLoadedAndAsFile) {
  const std::wstring dir = VANTOREL_TESTDATA;
  HMODULE module = LoadLibraryW((dir + L"\\decorated.dll").c_str());
  ASSERT_NE(module, nullptr);
  const ImageView header(module, 4096);
  const auto size = ReadSizeOfImage(header);
  ASSERT_TRUE(size.has_value());
  const Tips loaded = TipsOf(ImageView(module, *size), false);
  FreeLibrary(module);

  std::ifstream in((dir + L"\\x86\\decorated.dll").c_str(), std::ios::binary);
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
  const auto image = LayOutImage(file);
  ASSERT_TRUE(image.has_value());
  const Tips file32 = TipsOf(ImageView(*image), true);

  const Tips expected64 = {
      {"?Func@@YAXXZ", "?Func@@YAXXZ\avoid __cdecl Func(void)\r\nordinal: 0x0001\r\nparameters: 0"},
      {"?Method@Widget@@QEAAHH@Z",
       "?Method@Widget@@QEAAHH@Z\apublic: int __cdecl Widget::Method(int)\r\nordinal: 0x0002\r\n"
       "parameters: 1 + this"},
      {"@FastFunc@8", "@FastFunc@8\aordinal: 0x0003"},
      {"PlainName", "PlainName\aordinal: 0x0004"},
      {"StdNoUnderscore@8", "StdNoUnderscore@8\aordinal: 0x0005"},
      {"_StdFunc@12", "_StdFunc@12\aordinal: 0x0006"},
  };
  EXPECT_EQ(loaded, expected64);
  // On 32-bit the stdcall and fastcall sizes give counts too.
  Tips expected32 = expected64;
  expected32["@FastFunc@8"] += "\r\nparameters: 2";
  expected32["StdNoUnderscore@8"] += "\r\nparameters: 2";
  expected32["_StdFunc@12"] += "\r\nparameters: 3";
  EXPECT_EQ(file32, expected32);
}

}  // namespace
}  // namespace vantorel
