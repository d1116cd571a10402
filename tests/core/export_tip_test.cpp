// The export tips: parameter counts from every kind of decoration (hostile
// ones included), the tip texts, and the tips of the g++-built and the
// forwarding test libraries.
#include "analysis/export_tip.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "analysis/export_table.h"
#include "analysis/exports.h"
#include "analysis/image_view.h"
#include "analysis/msvc_decoration.h"

namespace vantorel {
namespace {

// -1: no count offered.
struct CountCase {
  std::string_view name;
  bool pe32;
  int count;
  bool hasThis = false;
  bool variadic = false;
};

TEST(ParameterCountOf, EveryDecoration) {
  const CountCase cases[] = {
      // MSVC: hand-written, and as clang mangles them (counts checked against llvm-undname)
      {"?Func@@YAXXZ", false, 0}, {"?Method@Widget@@QEAAHH@Z", false, 1, true},
      {"??0Widget@@QEAA@XZ", false, 0, true}, {"??1Widget@@UEAA@XZ", false, 0, true},
      {"?Count@Archive@@SAHXZ", false, 0}, {"?Print@@YAHPEBDZZ", false, 1, false, true},
      {"?Apply@@YAHP6AHHH@ZH@Z", false, 2}, {"??$Largest@H@@YAHHH@Z", false, 2},
      {"?Copy@@YAXAEBV?$vector@HV?$allocator@H@std@@@std@@AEAV12@@Z", false, 2},
      {"?Set@Widget@@QEAAXW4Color@@_N@Z", false, 2, true}, {"?Call@@YAXP8Widget@@EAAHH@Z@Z", false, 1},
      {"?Move@@YAX$$QEAVWidget@@@Z", false, 1}, {"?Run@?A0x1234abcd@@YAHH@Z", false, 1},
      {"?g@@YAXPEAUS@@0@Z", false, 2}, {"?Method@Widget@@W7EAAHH@Z", false, 1, true},
      {"?Ptr@@YAXPEQWidget@@H@Z", false, 1}, {"?Run@@YGHHH@Z", true, 2},
      {"??_GDeep@inner@ns@@UEAAPEAXI@Z", false, 1, true}, {"?f8@@YAXPEAY123HAEAY01H@Z", false, 2},
      {"?v@Deep@inner@ns@@UEGAAHAEAUPoint@@AEBU4@@Z", false, 2, true}, {"?retfp@@YAP6AHHH@ZH@Z", false, 1},
      {"?f10@@YAXU?$Arr@H$04@@PEAU?$Arr@UPoint@@$0?0@@@Z", false, 2}, {"?f11@@YAX$$TPEAXPEDX@Z", false, 3},
      {"?s@Deep@inner@ns@@SAXZZ", false, 0, false, true},
      // MSVC names that are no function, or broken
      {"?instances@Archive@@2HA", false, -1}, {"??_7Widget@@6B@", false, -1}, {"?useanon@@3P6AHH@ZEA", false, -1},
      {"?", false, -1}, {"?Func@@YAXXZZ", false, -1}, {"?Method@Widget@@QEAAH", false, -1},
      {"?Func@@YAXH", false, -1}, {"?f@@YAXPEAYPPPPPPPPPPPPPPPPPPP@H@Z", false, -1},
      {"?f@@YAXPEAYHH@Z", false, -1}, {"?f@@YAX?$", false, -1},
      // Itanium, as MinGW's g++ names them
      {"_ZN2Vt7Archive4OpenEPKc", false, 1}, {"_ZNK2Vt7Archive4ReadEPvj", false, 2, true},
      {"_ZN2Vt7ArchiveC1Ev", false, 0}, {"_Z5Printiz", false, 1, false, true}, {"_Z6StdSumii@8", true, 2},
      {"_ZN2Vt7Archive9instancesE", false, -1}, {"_ZTV6Widget", false, -1}, {"_Zgarbage", false, -1},
      {"_Z", false, -1},
      // stdcall and fastcall sizes: 32-bit only, whole 4-byte slots
      {"_StdFunc@12", true, 3}, {"StdNoUnderscore@8", true, 2}, {"@FastFunc@8", true, 2},
      {"_NoArgs@0", true, 0}, {"_StdFunc@12", false, -1}, {"_Odd@6", true, -1}, {"Name@", true, -1},
      {"a@b@8", true, -1}, {"@8", true, -1}, {"_X@999999", true, -1}, {"_X@8000", true, -1},
      {"_Lead@012", true, -1},  // no compiler writes a leading zero; the Para cell refuses it too
      {"PlainName", true, -1}, {"", true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name));
    const auto count = ParameterCountOf(c.name, c.pe32);
    if (c.count < 0) {
      EXPECT_FALSE(count.has_value());
      continue;
    }
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->count, c.count);
    EXPECT_EQ(count->hasThis, c.hasThis);
    EXPECT_EQ(count->variadic, c.variadic);
  }
}

TEST(ParameterCountOf, HostileDecorationsEndQuickly) {
  // Nesting past the depth cap, a name past the length cap, and a long run
  // of back-references (fine: flat) must not recurse or loop without bound.
  std::string deep = "?f@@YAX";
  for (int i = 0; i < 500; ++i) deep += "PEAP6AX";
  ASSERT_LT(deep.size(), kMaxDecoratedNameLength);
  EXPECT_FALSE(ReadMsvcParameters(deep).has_value());
  std::string nested = "?f@@YAXV";
  for (int i = 0; i < 200; ++i) nested += "?$t@V";
  EXPECT_FALSE(ReadMsvcParameters(nested).has_value());
  std::string flat = "?f@@YAX";
  flat += std::string(kMaxDecoratedNameLength - flat.size() - 2, '0') + "@Z";
  ASSERT_EQ(flat.size(), kMaxDecoratedNameLength);
  EXPECT_EQ(ReadMsvcParameters(flat)->count, static_cast<int>(kMaxDecoratedNameLength - 9));
  EXPECT_FALSE(ReadMsvcParameters(flat.insert(10, "0")).has_value());
  // The demangler recurses: long names are not handed to it.
  const std::string itanium = "_Z1f" + std::string(2000, 'i');
  EXPECT_FALSE(ParameterCountOf(itanium, false).has_value());
  EXPECT_TRUE(DemangleItanium(itanium).empty());
  EXPECT_EQ(ParameterCountOf(itanium.substr(0, 1000), false)->count, 996);
  // 154 characters that demangle to a megabyte: 30 back-references. A real
  // name from libstdc++ with 7 of them still demangles.
  const std::string doubling =
      "_Z1fPiPFvS_S_EPFvS1_S1_EPFvS3_S3_EPFvS5_S5_EPFvS7_S7_EPFvS9_S9_EPFvSB_SB_EPFvSD_SD_EPFvSF_SF_EPFvSH_SH_"
      "EPFvSJ_SJ_EPFvSL_SL_EPFvSN_SN_EPFvSP_SP_EPFvSR_SR_E";
  EXPECT_TRUE(DemangleItanium(doubling).empty());
  EXPECT_EQ(ParameterCountOf("_ZSt7getlineIcSt11char_traitsIcESaIcEERSt13basic_istreamIT_T0_ES7_RNSt7__cxx1112basic_"
                             "stringIS4_S5_T1_EES4_",
                             false)
                ->count,
            3);
}

TEST(CountDemangledParameters, FindsTheOuterList) {
  const std::map<std::string_view, int> cases = {
      {"f()", 0},
      {"f(int (*)(int, int), std::map<int, int>)", 2},
      {"ns::C::operator()(int, char [3]) const &", 2},
      {"g(long, ...)", 1},
      {"int (*Pick<int>(int))(char, char)", 1},
      {"int (Vt::A::*Member<int>(int, int))(char) const", 2},
      {"Vt::Call::operator()(int, int)", 2},
      {"void (*(*Twice<int>())(int))(char)", 0},
      {"vtable for Widget", -1},
      {"(x)", -1},
      {"f(int", -1},
      {"", -1},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(std::string(text));
    const auto count = CountDemangledParameters(text);
    EXPECT_EQ(count ? count->count : -1, expected);
  }
}

std::string FakeUndecorate(std::string_view name) {
  if (name == "?Method@Widget@@QEAAHH@Z") return "public: int __cdecl Widget::Method(int)";
  return std::string(name);  // what a system that cannot undecorate gives back
}

TEST(MakeExportTip, LinesForEveryKind) {
  struct Case {
    ExportFacts facts;
    MsvcUndecorator undecorate;
    std::string_view text;
  };
  const std::string longName(400, 'N');
  const Case cases[] = {
      {{"?Method@Widget@@QEAAHH@Z", 2, 0x1010, "", false}, FakeUndecorate,
       "?Method@Widget@@QEAAHH@Z\apublic: int __cdecl Widget::Method(int)\r\nordinal: 0x0002\r\n"
       "RVA: 0x00001010\r\nparameters: 1 + this"},
      // without an undecorator, or one that gives the name back: the count alone
      {{"?Method@Widget@@QEAAHH@Z", 2, 0x1010, "", false}, nullptr,
       "?Method@Widget@@QEAAHH@Z\aordinal: 0x0002\r\nRVA: 0x00001010\r\nparameters: 1 + this"},
      {{"?Func@@YAXXZ", 1, 0x1000, "", false}, FakeUndecorate,
       "?Func@@YAXXZ\aordinal: 0x0001\r\nRVA: 0x00001000\r\nparameters: 0"},
      {{"_StdFunc@12", 6, 0x1008, "", false}, nullptr, "_StdFunc@12\aordinal: 0x0006\r\nRVA: 0x00001008"},
      {{"", 10, 0x1000, "", false}, nullptr,
       "(no name)\aordinal: 0x000A\r\nRVA: 0x00001000\r\nno name: exported by ordinal only"},
      {{"", 0x12345, 0, "", false}, nullptr, "(no name)\aordinal: 0x12345\r\nempty slot: no address"},
      // not in the library's table: what the name tells, nothing more
      {{"_StdFunc@12", std::nullopt, 0, "", true}, nullptr, "_StdFunc@12\aparameters: 3"},
      {{"", std::nullopt, 0, "", false}, nullptr, "(no name)\a"},
      // outside text cannot end the title or break lines, and is cut
      {{"Bad\aName\r\n", 1, 0x1000, "X.\x07Y\n", false}, nullptr,
       "Bad?Name??\aordinal: 0x0001\r\nRVA: 0x00001000\r\nforwarded to X.?Y?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.facts.name));
    EXPECT_EQ(FormatTitledTip(MakeExportTip(c.facts, c.undecorate)), c.text);
  }
  const auto tip = MakeExportTip({longName, 1, 0x1000, longName, false}, nullptr);
  EXPECT_EQ(tip.title, std::string(kMaxSignatureLength - 3, 'N') + "...");
  EXPECT_EQ(tip.lines.back().size(), std::string_view("forwarded to ").size() + kMaxSignatureLength);
}

// A fresh library's row is its slot; a project's rows are found by name,
// and a name the table lacks gives the name alone.
TEST(ExportTable, FactsForRows) {
  const std::vector<ExportEntry> entries = {
      {1, 0x1000, "Twin", ""}, {2, 0x1010, "Alpha", ""}, {3, 0x1020, "", ""},
      {4, 0x1030, "Twin", ""}, {5, 0, "", ""},          {6, 0x5000, "Fwd", "NTDLL.RtlAllocateHeap"},
  };
  const ExportTable fresh(entries, true, true), project(entries, false, false);
  const struct {
    const ExportTable& table;
    std::size_t row;
    std::string_view name;
    std::optional<std::uint32_t> ordinal;  // none: the name alone
  } cases[] = {
      {fresh, 3, "Twin", 4},   {fresh, 0, "Twin", 1},    {fresh, 4, "", 5},        {fresh, 1, "Twin", 1},
      {fresh, 9, "Fwd", 6},    {fresh, 9, "", {}},       {fresh, 0, "Gone", {}},   {project, 3, "Twin", 1},
      {project, 0, "Alpha", 2}, {project, 2, "", {}},    {project, 0, "Alph", {}}, {project, 0, "Alphaa", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " row " + std::to_string(c.row));
    const ExportFacts facts = c.table.FactsFor(c.row, c.name);
    EXPECT_EQ(facts.ordinal, c.ordinal);
    EXPECT_EQ(facts.name, c.name);
    EXPECT_EQ(facts.pe32, c.table.pe32());
    if (c.ordinal) EXPECT_EQ(facts.forwarder, entries[*c.ordinal - 1].forwarder);
    EXPECT_EQ(facts.rva, c.ordinal ? entries[*c.ordinal - 1].rva : 0);
  }
}

// ---- The test libraries -----------------------------------------------------

using Bytes = std::vector<std::uint8_t>;

struct LaidOut {
  Bytes image;
  PeHeaders headers;
};

LaidOut LoadTestLibrary(const std::string& name) {
  std::ifstream in(std::string(VANTOREL_TESTDATA) + "/" + name, std::ios::binary);
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto image = LayOutImage(file);
  if (!image) return {};
  auto headers = ReadPeHeaders(ImageView(*image));
  return {std::move(*image), headers ? *headers : PeHeaders{}};
}

// The tips of a library as the export walk lists it, keyed by title. Lines
// starting with one of the dropped prefixes are left out (addresses differ
// between builds; the rest is fixed by the sources).
std::map<std::string, std::string> TipsOf(const std::string& file, std::vector<std::string_view> dropped) {
  const LaidOut library = LoadTestLibrary(file);
  const ImageView image(library.image);
  std::map<std::string, std::string> tips;
  for (const auto& e : ListExports(image)) {
    const ExportFacts facts{e.name, e.ordinal, e.rva, e.forwarder, !library.headers.is64};
    auto tip = MakeExportTip(facts, nullptr);
    std::erase_if(tip.lines, [&](const std::string& line) {
      for (auto prefix : dropped)
        if (line.starts_with(prefix)) return true;
      return false;
    });
    tips[tip.title + (e.name.empty() ? std::to_string(e.ordinal) : "")] = FormatTitledTip(tip);
  }
  return tips;
}

TEST(ExportTipLibraries, GxxCppExports) {
  for (const std::string dir : {"", "x86/"}) {
    SCOPED_TRACE(dir);
    // Ordinals follow the linker's name order: left out with the addresses.
    const auto tips = TipsOf(dir + "cpp_exports.dll", {"RVA: ", "ordinal: "});
    const std::string stdSum = dir.empty() ? "_Z6StdSumii" : "_Z6StdSumii@8";
    const std::map<std::string, std::string> expected = {
        {"PlainC", "PlainC\a"},
        {"_Z3Sumiii", "_Z3Sumiii\aSum(int, int, int)\r\nparameters: 3"},
        {"_Z5ApplyPFiiiEi", "_Z5ApplyPFiiiEi\aApply(int (*)(int, int), int)\r\nparameters: 2"},
        {"_Z5Scaledd", "_Z5Scaledd\aScale(double, double)\r\nparameters: 2"},
        {"_Z5Scalei", "_Z5Scalei\aScale(int)\r\nparameters: 1"},
        {stdSum, stdSum + "\aStdSum(int, int)\r\nparameters: 2"},
        {"_Z7LargestIiET_S0_S0_", "_Z7LargestIiET_S0_S0_\aint Largest<int>(int, int)\r\nparameters: 2"},
        {"_Z7Nothingv", "_Z7Nothingv\aNothing()\r\nparameters: 0"},
        {"_ZN2Vt7Archive4OpenEPKc", "_ZN2Vt7Archive4OpenEPKc\aVt::Archive::Open(char const*)\r\nparameters: 1"},
        {"_ZN2Vt7Archive5CountEv", "_ZN2Vt7Archive5CountEv\aVt::Archive::Count()\r\nparameters: 0"},
        {"_ZN2Vt7Archive9instancesE", "_ZN2Vt7Archive9instancesE\aVt::Archive::instances"},
        {"_ZN2Vt7ArchiveC1Ev", "_ZN2Vt7ArchiveC1Ev\aVt::Archive::Archive()\r\nparameters: 0"},
        {"_ZN2Vt7ArchiveC2Ev", "_ZN2Vt7ArchiveC2Ev\aVt::Archive::Archive()\r\nparameters: 0"},
        {"_ZNK2Vt7Archive4ReadEPvj",
         "_ZNK2Vt7Archive4ReadEPvj\aVt::Archive::Read(void*, unsigned int) const\r\nparameters: 2 + this"},
    };
    EXPECT_EQ(tips, expected);
  }
}

TEST(ExportTipLibraries, Forwarders) {
  for (const std::string dir : {"", "x86/"}) {
    SCOPED_TRACE(dir);
    const std::map<std::string, std::string> expected = {
        {"GetAnswer", "GetAnswer\aordinal: 0x0001"},
        {"TickCount", "TickCount\aordinal: 0x0002\r\nforwarded to KERNEL32.GetTickCount"},
        {"AllocateHeap", "AllocateHeap\aordinal: 0x0003\r\nforwarded to NTDLL.RtlAllocateHeap"},
        {"Missing", "Missing\aordinal: 0x0004\r\nforwarded to VANTORELNONE.Nothing"},
        {"ByOrdinal", "ByOrdinal\aordinal: 0x0005\r\nforwarded to NTDLL.#1"},
        {"(no name)6", "(no name)\aordinal: 0x0006\r\nno name: exported by ordinal only"},
    };
    EXPECT_EQ(TipsOf(dir + "forwarders.dll", {"RVA: "}), expected);
  }
}

}  // namespace
}  // namespace vantorel
