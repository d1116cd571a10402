// The command line run in-process (under the sanitizers): its conventions,
// every malformed file, written files, projects, and agreement with
// llvm-readobj and objdump over Wine's own libraries.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/file_facts.h"
#include "codegen/function_table.h"
#include "codegen/project_file.h"
#include "codegen/source_file.h"
#include "codegen/source_generator.h"
#include "pe_builder.h"
#include "platform/code_page.h"
#include "purebasic_checker.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

struct Captured {
  int status = -1;
  std::string out, err;
};

class CapturingConsole final : public CliConsole {
 public:
  void Out(std::string_view bytes) override { out += bytes; }
  void Err(std::string_view bytes) override { err += bytes; }
  std::string out, err;
};

Captured RunCli(const Strings& args) {
  CapturingConsole console;
  const int status = RunCommandLine(args, console);
  return {status, console.out, console.err};
}

std::string Data(const std::string& name) { return std::string(VANTOREL_TESTDATA) + "/" + name; }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("vantorel-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  fs::path path;
};

std::string SourceBytes(const FunctionRows& rows, std::u16string_view path) {
  const std::u16string text = BuildSourceText(rows, path);
  return text.empty() ? std::string() : EncodeSourceText(text);
}

FunctionRows FreshRows(const Strings& names) {
  FunctionRows rows;
  for (const std::string& n : names) rows.push_back(MakeFunctionRow(DecodeCodePage(n, kWesternCodePage)));
  return rows;
}

TEST(Cli, CommandLineConventions) {
  const std::string named = Data("named.dll");
  struct Case {
    Strings args;
    int status;
    std::string outHas, errHas;
  };
  const Case cases[] = {
      {{}, 1, "", "Usage: vantorel COMMAND"},
      {{"--help"}, 0, "Commands:", ""},
      {{"--version"}, 0, "vantorel 0.1.0\n", ""},
      {{"frobnicate", named}, 1, "", "unknown command 'frobnicate'"},
      {{"exports", "--help"}, 0, "--json", ""},
      {{"source", "-h"}, 0, "-d, --dir DIR", ""},
      {{"project", "--help"}, 0, "Save on the Functions tab", ""},
      {{"info", "--help"}, 0, "13 version strings", ""},
      {{"exports"}, 1, "", "no file given\nTry 'vantorel exports --help'."},
      {{"exports", "--bogus", named}, 1, "", "unknown option '--bogus'"},
      {{"info", "--json", named}, 1, "", "unknown option '--json' for info"},
      {{"exports", "--codepage", "932", named}, 1, "", "code page '932' is not one of 874, 1250"},
      {{"exports", named, "--codepage"}, 1, "", "--codepage needs a value"},
      {{"source", named, "-o"}, 1, "", "-o needs a value"},
      {{"source", "-o", "a", "-d", "b", named}, 1, "", "exclude each other"},
      {{"source", named, named}, 1, "", "several libraries need -d DIR"},
      {{"project", named, named}, 1, "", "project takes one library"},
      {{"exports", "-"}, 1, "", "'-' (standard input) is not a library"},
      // Options after the operands, "--" before a name that looks like one.
      {{"exports", named, "--codepage=1251"}, 0, "      1  0x0000100A  SubtractNumbers\n", ""},
      {{"exports", "--", "--json"}, 2, "", "vantorel: --json: cannot be opened: no such file\n"},
      // A missing file fails alone: the next one is still listed.
      {{"exports", Data("missing.dll"), named}, 2, "NegateNumber", "missing.dll: cannot be opened"},
      {{"exports", Data("")}, 2, "", "is a folder"},
      {{"info", named, Data("malformed/bad_mz.bin"), Data("x86/named.dll")}, 2,
       "PE check:         32-bit PE image (PE32)\nMachine:          x86\n", "bad_mz.bin: not a PE file: no MZ signature"},
  };
  for (const Case& c : cases) {
    const Captured r = RunCli(c.args);
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    EXPECT_EQ(r.status, c.status) << joined << "\n" << r.err;
    EXPECT_NE(r.out.find(c.outHas), std::string::npos) << joined << "\n" << r.out;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << joined << "\n" << r.err;
    if (c.status == 1) EXPECT_EQ(r.out, "") << joined << ": a usage error does nothing";
  }
}

TEST(Cli, TablesJsonCodePagesAndInfo) {
  // The table's columns line up, empty slots have no name, forwarders only
  // get a column when there are any.
  EXPECT_EQ(RunCli({"exports", Data("gaps.dll")}).out.substr(0, 76),
            "Ordinal  RVA         Name\n      1  0x00001020  GapOne\n      2  0x00000000  \n");
  // Names are bytes in the ANSI code page: Windows-1252 unless told otherwise.
  const std::string json = RunCli({"exports", "--json", Data("ansi_names.dll")}).out;
  EXPECT_NE(json.find("\"name\": \"Gr\u00F6\u00DFe\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"name\": \"Preis\u20AC\""), std::string::npos) << json;
  const std::string cyrillic = RunCli({"exports", "--json", "--codepage", "1251", Data("ansi_names.dll")}).out;
  EXPECT_NE(cyrillic.find("\"name\": \"Preis\u0402\""), std::string::npos) << cyrillic;
  // Several files: an object keyed by file; a damaged one is left out.
  const Captured several = RunCli({"exports", "--json", Data("named.dll"), Data("malformed/exports_names_outside.dll"),
                                Data("ordinal_only.dll")});
  EXPECT_EQ(several.status, 2);
  EXPECT_EQ(several.out.substr(0, 3 + Data("named.dll").size()), "{\n\"" + Data("named.dll"));
  EXPECT_NE(several.out.find("\"" + Data("ordinal_only.dll") + "\": [\n  {\"ordinal\": 10, \"rva\": 4128, \"name\": \"\", \"forwarder\": null},\n"),
            std::string::npos);
  EXPECT_EQ(several.out.find("exports_names_outside"), std::string::npos);
  EXPECT_EQ(several.out.substr(several.out.size() - 4), "]\n}\n");

  // A control character in a name cannot break a line of the table.
  TempDir dir;
  testing::ExportSpec spec;
  spec.functions = {0x1010, 0x1020};
  spec.names = {{"Bad\nLine\x7F", 0}, {"Fine", 1}};
  const testing::Bytes dll = testing::MakeExportDll(spec).bytes;
  WriteAll(dir / "ctl.dll", std::string(dll.begin(), dll.end()));
  EXPECT_EQ(RunCli({"exports", dir / "ctl.dll"}).out,
            "Ordinal  RVA         Name\n      1  0x00001010  Bad\\x0ALine\\x7F\n      2  0x00001020  Fine\n");
  EXPECT_NE(RunCli({"exports", "--json", dir / "ctl.dll"}).out.find("\"Bad\\u000aLine\x7F\""), std::string::npos);

  const std::string info = RunCli({"info", Data("version_full.dll")}).out;
  for (const char* line : {"Size:             6.50 KB\n", "LegalCopyright:   \u00A9 Vantorel Test Data\n",
                           "Comments:         Comments with spaces around\n",
                           "Language:         English (United States)\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
  EXPECT_NE(RunCli({"info", Data("version_mismatch.dll")}).out.find("Language:         German (Germany)\n"),
            std::string::npos);
  const auto sha = FileFingerprintNative(Data("version_full.dll").c_str());
  EXPECT_NE(info.find("SHA-1:            " + Utf8FromUtf16(sha) + "\n"), std::string::npos);
}

// Every malformed file of the test set: exit 2 with one line naming the
// file, or exit 0 for the few that are sound as far as these commands look.
TEST(Cli, MalformedFilesFailAloneWithOneLine) {
  // Sound for these commands: the controls, an empty export table, headers
  // without exports, and libraries whose damage lies in resources they do
  // not read (only the version resource is, by info).
  auto sound = [](const std::string& name) {
    return name == "exports_valid.dll" || name == "exports_count_zero.dll" || name.starts_with("header_pe32") ||
           (name.ends_with(".dll") && !name.starts_with("exports_"));
  };
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(Data("malformed"))) {
    const std::string path = entry.path().string();
    const std::string name = entry.path().filename().string();
    ++files;
    const bool ok = sound(name);
    for (const Strings& args : {Strings{"exports", path}, Strings{"info", path}, Strings{"exports", "--json", path}}) {
      const Captured r = RunCli(args);
      const bool infoOnly = args[0] == "info";
      // info does not walk exports: export damage is no reason to refuse it.
      const bool expectOk = ok || (infoOnly && name.starts_with("exports_"));
      EXPECT_EQ(r.status, expectOk ? 0 : 2) << args[0] << " " << name << ": " << r.err;
      if (!expectOk) {
        EXPECT_EQ(r.err.find("vantorel: " + path + ": "), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "");
      }
    }
  }
  EXPECT_GE(files, 37u);
  const Captured walk = RunCli({"exports", Data("malformed/exports_name_unterminated.dll")});
  EXPECT_NE(walk.err.find("damaged: an export name is not terminated"), std::string::npos);
  const Captured source = RunCli({"source", Data("malformed/exports_count_zero.dll")});
  EXPECT_EQ(source.status, 2);
  EXPECT_NE(source.err.find("exports nothing; no source written"), std::string::npos);
}

TEST(Cli, SourceAndProjectFiles) {
  TempDir dir;
  const std::string named = Data("named.dll");
  const Strings namedNames{"SubtractNumbers", "AddNumbers", "GetAnswer", "MultiplyNumbers", "NegateNumber"};
  const std::string expected = SourceBytes(FreshRows(namedNames), u"named.dll");
  EXPECT_EQ(RunCli({"source", named}).out, expected) << "standard output by default";

  // -o replaces a file whole, leaving nothing beside it.
  WriteAll(dir / "out.pbi", std::string(100000, 'x'));
  EXPECT_EQ(RunCli({"source", named, "-o", dir / "out.pbi"}).status, 0);
  EXPECT_EQ(ReadAll(dir / "out.pbi"), expected);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
  // A target that cannot be written is reported; an existing folder stays.
  fs::create_directories(dir.path / "taken.pbi");
  const Captured taken = RunCli({"source", named, "-o", dir / "taken.pbi"});
  EXPECT_EQ(taken.status, 2);
  EXPECT_NE(taken.err.find("is a folder; nothing written"), std::string::npos);
  fs::copy_file(named, dir / "copy.dll");
  const Captured self = RunCli({"source", dir / "copy.dll", "-o", dir / "copy.dll"});
  EXPECT_EQ(self.status, 2);
  EXPECT_NE(self.err.find("is an input of this run; nothing written"), std::string::npos);
  EXPECT_EQ(ReadAll(dir / "copy.dll"), ReadAll(named));
  fs::remove(dir / "copy.dll");
  const Captured noFolder = RunCli({"source", named, "-o", dir / "none/out.pbi"});
  EXPECT_EQ(noFolder.status, 2);
  EXPECT_NE(noFolder.err.find("any previous file is unchanged"), std::string::npos);

  // -d: one <base>.pbi per library, one line per file; the same base name
  // twice is refused rather than overwritten; damaged files fail alone.
  const Captured batch = RunCli({"source", "-d", dir / "batch", named, Data("x86/gaps.dll"),
                              Data("malformed/bad_mz.bin"), Data("x86/named.dll")});
  EXPECT_EQ(batch.status, 2);
  EXPECT_EQ(batch.out, named + " -> " + (dir / "batch/named.pbi") + "\n" + Data("x86/gaps.dll") + " -> " +
                           (dir / "batch/gaps.pbi") + "\n");
  EXPECT_NE(batch.err.find("x86/named.dll: " + (dir / "batch/named.pbi") + " was already written"),
            std::string::npos);
  EXPECT_EQ(ReadAll(dir / "batch/named.pbi"), expected);

  // project: what Save on the Functions tab writes, and it reads back.
  const Captured project = RunCli({"project", named});
  ASSERT_EQ(project.status, 0) << project.err;
  const auto content = ReadProjectText(project.out);
  ASSERT_TRUE(content);
  EXPECT_EQ(content->dll, Utf16FromUtf8(fs::absolute(named).lexically_normal().string()));
  EXPECT_EQ(content->sha1, FileFingerprintNative(named.c_str()));
  EXPECT_EQ(project.out, WriteProjectText(content->dll, content->sha1, FreshRows(namedNames)));
  EXPECT_EQ(RunCli({"project", named, "-o", dir / "named.prj"}).status, 0);
  EXPECT_EQ(ReadAll(dir / "named.prj"), project.out);

  // --project: the rows come from the file, with ticks, aliases, Para and
  // comments; a moved or changed library is a warning, not a failure.
  FunctionRows rows = FreshRows(namedNames);
  rows[1].ticked = false;
  rows[2].alias = u"Answer";
  rows[2].parameters = u"2";
  rows[3].comment = u"mal \u00E9";
  const std::string sha1 = Utf8FromUtf16(content->sha1);
  struct ProjectCase {
    std::u16string dll, sha1;
    Strings extra;
    int status;
    std::string warnings;
    std::u16string sourcePath;
  };
  const std::u16string namedPath = Utf16FromUtf8(named);
  const ProjectCase cases[] = {
      {namedPath, content->sha1, {}, 0, "", namedPath},
      {namedPath, u"0000", {}, 0, "vantorel: warning: named.dll was changed since the project was saved\n", namedPath},
      {u"C:\\Libs\\moved.dll", u"", {}, 0, "vantorel: warning: C:\\Libs\\moved.dll was moved or deleted\n",
       u"C:\\Libs\\moved.dll"},
      {u"C:\\Libs\\moved.dll", content->sha1, {named}, 0,
       "vantorel: warning: C:\\Libs\\moved.dll was moved or deleted; using " + named + "\n", namedPath},
      {u"", u"", {}, 2, "vantorel: warning: " + (dir / "p.prj") + " names no library\n", u""},
  };
  for (const ProjectCase& c : cases) {
    WriteAll(dir / "p.prj", WriteProjectText(c.dll, c.sha1, rows));
    Strings args{"source", "--project", dir / "p.prj"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const Captured r = RunCli(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status == 0) {
      EXPECT_EQ(r.err, c.warnings);
      EXPECT_EQ(r.out, SourceBytes(rows, c.sourcePath));
    } else {
      EXPECT_EQ(r.err.substr(0, c.warnings.size()), c.warnings);
    }
  }
  EXPECT_EQ(RunCli({"source", "--project", dir / "p.prj", named, named}).status, 1);

  // Written by hand, without byte order mark: one byte is one character,
  // keys in any case, no "checked" is ticked, 5 is not, no SHA1 differs.
  // Aliases are taken as written, and then made names PureBasic takes: the
  // keyword End and the letter é are renamed, a row without a function name
  // left out.
  WriteAll(dir / "hand.prj", "dll = " + named + "\n[x]\nalias = Caf\xE9\nFUNCTION = Cafe\npara = 2\ncomment = \xE9\n[y]\nchecked = 5\n"
                           "Alias = Gone\n[z]\nAlias=End\nFunction=End\n[w]\nAlias = Nameless\n");
  const Captured hand = RunCli({"source", "--project", dir / "hand.prj"});
  EXPECT_EQ(hand.status, 0);
  EXPECT_EQ(hand.err, "vantorel: warning: named.dll was changed since the project was saved\nvantorel: " + named +
                          ": PureBasic's naming rules: 2 rows renamed, 1 left out\n");
  EXPECT_NE(hand.out.find("Prototype Caf_(a, b); \xC3\xA9\r\n"), std::string::npos) << hand.out;
  EXPECT_NE(hand.out.find("Caf_ = GetFunction(hDLL, \"Cafe\")\r\n"), std::string::npos);
  EXPECT_NE(hand.out.find("Global _End._End\r\n"), std::string::npos);
  EXPECT_NE(hand.out.find("    _End = GetFunction(hDLL, \"End\")\r\n"), std::string::npos);
  EXPECT_EQ(hand.out.find("Gone"), std::string::npos);
  EXPECT_EQ(hand.out.find("Nameless"), std::string::npos);

  // Nothing left to write: told as such, with the rows left out.
  const Captured nameless = RunCli({"source", Data("ordinal_only.dll")});
  EXPECT_EQ(nameless.status, 2);
  EXPECT_EQ(nameless.out, "");
  EXPECT_EQ(nameless.err, "vantorel: " + Data("ordinal_only.dll") + ": PureBasic's naming rules: 0 rows renamed, 4 left out\n"
                          "vantorel: " + Data("ordinal_only.dll") +
                          ": no ticked row has a name a loader can fetch; no source written\n");
}

// The source of the g++-built and the forwarding libraries in both builds,
// byte for byte as stored: the counts their tips offer are never written.
TEST(Cli, SourceOfCppAndForwardingLibrariesAsStored) {
  for (const std::string file : {"cpp_exports", "forwarders", "x86/cpp_exports", "x86/forwarders"}) {
    std::string stored = file;
    if (stored.starts_with("x86/")) stored = stored.substr(4) + "_x86";
    const std::string expected = ReadAll(fs::path(VANTOREL_SOURCE_DIR) / "tests/data/expected" / (stored + ".pbi"));
    ASSERT_GT(expected.size(), 500u) << stored;
    EXPECT_EQ(RunCli({"source", Data(file + ".dll")}).out, expected) << file;
  }
}

// The names a table lists (its last column) or a source declares
// (its Prototype lines), in order.
Strings ListedNames(const std::string& out) {
  Strings names;
  std::istringstream in(out);
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("Prototype ")) {
      names.push_back(line.substr(10, line.find('(') - 10));
    } else if (line.find("  RVA  ") != std::string::npos) {
      header = false;
    } else if (!header && !line.empty()) {
      names.push_back(line.substr(line.rfind(' ') + 1));
    }
  }
  return names;
}

TEST(Cli, FilterOnlyAndExceptChooseRowsByPattern) {
  TempDir dir;
  const std::string named = Data("named.dll");
  ASSERT_EQ(RunCli({"project", named, "-o", dir / "named.prj"}).status, 0);
  // The project unticks SubtractNumbers, the first row.
  std::string project = ReadAll(dir / "named.prj");
  const auto first = project.find("checked = 1");
  ASSERT_NE(first, std::string::npos);
  project.replace(first, 11, "checked = 0");
  WriteAll(dir / "named.prj", project);

  struct Case {
    Strings args;
    Strings names;
  };
  const Case cases[] = {
      {{"exports", named, "--filter", "add"}, {"AddNumbers"}},
      {{"exports", "--filter", "*NUMBERS", "--filter=getanswer", named},
       {"SubtractNumbers", "AddNumbers", "GetAnswer", "MultiplyNumbers"}},
      {{"exports", named, "--filter", "nothing"}, {}},
      {{"exports", Data("many_exports.dll"), "--filter", "function_0001?"},
       {"Function_00010", "Function_00011", "Function_00012", "Function_00013", "Function_00014", "Function_00015",
        "Function_00016", "Function_00017", "Function_00018", "Function_00019"}},
      {{"exports", Data("cpp_exports.dll"), "--filter", "Archive::Open"}, {"_ZN2Vt7Archive4OpenEPKc"}},
      {{"source", named, "--only", "numbers", "--except", "ADD"}, {"SubtractNumbers", "MultiplyNumbers"}},
      {{"source", named, "--except", "*r"}, {"SubtractNumbers", "AddNumbers", "MultiplyNumbers"}},
      {{"source", "--project", dir / "named.prj", "--only", "*numbers"}, {"AddNumbers", "MultiplyNumbers"}},
      {{"source", "--project", dir / "named.prj", "--except", "negate"},
       {"AddNumbers", "GetAnswer", "MultiplyNumbers"}},
  };
  for (const Case& c : cases) {
    const Captured run = RunCli(c.args);
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    EXPECT_EQ(run.status, 0) << joined << run.err;
    EXPECT_EQ(ListedNames(run.out), c.names) << joined;
  }
  // Every row unticked leaves no source; a pattern needs a value and a command it belongs to.
  EXPECT_EQ(RunCli({"source", named, "--only", "none"}).status, 2);
  EXPECT_EQ(RunCli({"exports", named, "--filter"}).status, 1);
  EXPECT_EQ(RunCli({"exports", named, "--only", "add"}).status, 1);
  EXPECT_EQ(RunCli({"source", named, "--filter", "add"}).status, 1);
}

TEST(CodePage, DecodesAsTheSystemDoes) {
  struct Case {
    unsigned page;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {1252, "A\x80\x81\x8D\x9F\xE9\xFF", u"A\u20AC\u0081\u008D\u0178\u00E9\u00FF"},
      {1250, "\x8A\xB9\xF8", u"\u0160\u0105\u0159"},
      {1251, "\xC0\xFF\x88", u"\u0410\u044F\u20AC"},
      {1253, "\xC1\xF9", u"\u0391\u03C9"},
      {1254, "\xD0\xFE", u"\u011E\u015F"},
      {874, "\xA1", u"\u0E01"},
      {28591, "\x80\xE9", u"\u0080\u00E9"},
      {65001, "\xC3\xA9\xFF", u"\u00E9\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeCodePage(c.bytes, c.page), c.text) << c.page;
  EXPECT_FALSE(IsSupportedCodePage(932));
  EXPECT_EQ(DecodeCodePage("abc", 932), u"");
}

// ---- the corpus: Wine's libraries against llvm-readobj and objdump ----------

std::string Capture(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  if (!pipe) return out;
  char buffer[65536];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  return out;
}

Strings Lines(const std::string& text) {
  Strings lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
    lines.push_back(text.substr(start, lf - start));
  return lines;
}

struct Slot {
  std::uint32_t ordinal = 0, rva = 0;
  std::string name, forwarder;
  bool operator==(const Slot&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Slot& s) {
  return os << s.ordinal << " " << s.rva << " '" << s.name << "' -> '" << s.forwarder << "'";
}

std::string Quoted(const std::vector<std::string>& files) {
  std::string list;
  for (const std::string& f : files) list += " '" + f + "'";
  return list;
}

// llvm-readobj --coff-exports: Ordinal, Name, RVA per slot, by file. It stops
// at the first file it rejects, so the run goes on after that one; rejected
// files are left out. One process per rejection instead of one per file.
std::map<std::string, std::vector<Slot>> ReadobjSlots(std::vector<std::string> files) {
  std::map<std::string, std::vector<Slot>> result;
  while (!files.empty()) {
    const std::string out = Capture("llvm-readobj --coff-exports" + Quoted(files) + " 2>&1");
    std::vector<Slot>* slots = nullptr;
    std::string rejected;
    for (const std::string& line : Lines(out)) {
      const std::size_t at = line.find_first_not_of(' ');
      if (at == std::string::npos) continue;
      const std::string_view field = std::string_view(line).substr(at);
      if (field.starts_with("File: ")) {
        slots = &result[std::string(field.substr(6))];
      } else if (field.starts_with("llvm-readobj: error: '")) {
        rejected = std::string(field.substr(22, field.find('\'', 22) - 22));
      } else if (!slots) {
        continue;
      } else if (field.starts_with("Ordinal: ")) {
        slots->emplace_back().ordinal = static_cast<std::uint32_t>(std::stoul(std::string(field.substr(9))));
      } else if (field.starts_with("Name:") && !slots->empty()) {
        slots->back().name = field.size() > 6 ? std::string(field.substr(6)) : "";
      } else if (field.starts_with("RVA: ") && !slots->empty()) {
        slots->back().rva = static_cast<std::uint32_t>(std::stoul(std::string(field.substr(5)), nullptr, 16));
      }
    }
    const auto next = std::find(files.begin(), files.end(), rejected);
    if (next == files.end()) break;
    result.erase(rejected);
    files.erase(files.begin(), next + 1);
  }
  return result;
}

// objdump -p: every name of every slot in name-table order, and forwarders.
struct ObjdumpExports {
  std::map<std::uint32_t, Strings> names;  // by slot index
  std::map<std::uint32_t, std::string> forwarders;
};

std::map<std::string, ObjdumpExports> ObjdumpOf(const std::vector<std::string>& files) {
  std::map<std::string, ObjdumpExports> result;
  ObjdumpExports* current = nullptr;
  enum { kNone, kAddresses, kNames } part = kNone;
  const std::string out = Capture("x86_64-w64-mingw32-objdump -p" + Quoted(files) +
                                  " 2>/dev/null | grep -E '^(/|Export Address Table --|\\[Ordinal/Name|\t\\[|$)'");
  for (const std::string& line : Lines(out)) {
    if (line.starts_with("/") && line.find(":     file format") != std::string::npos) {
      current = &result[line.substr(0, line.find(":     file format"))];
    } else if (line.starts_with("Export Address Table --")) {
      part = kAddresses;
    } else if (line.starts_with("[Ordinal/Name Pointer] Table")) {
      part = kNames;
    } else if (line.empty() || line[0] != '\t') {
      part = kNone;
    } else if (current && line.starts_with("\t[") && part != kNone) {
      const auto slot = static_cast<std::uint32_t>(std::stoul(line.substr(2)));
      const std::size_t close = line.find("] ");
      if (part == kNames) {
        current->names[slot].push_back(line.substr(close + 2));
      } else if (const std::size_t arrow = line.find("Forwarder RVA -- "); arrow != std::string::npos) {
        current->forwarders[slot] = line.substr(arrow + 17);
      }
    }
  }
  return result;
}

std::string JsonString(std::string_view& rest) {
  std::string text;
  rest.remove_prefix(rest.find('"') + 1);
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '"') {
      rest.remove_prefix(i + 1);
      return text;
    }
    if (rest[i] == '\\') {
      ++i;
      if (rest[i] == 'u') {
        text += static_cast<char>(std::stoul(std::string(rest.substr(i + 1, 4)), nullptr, 16));
        i += 4;
        continue;
      }
    }
    text += rest[i];
  }
  return text;
}

std::vector<Slot> CliSlots(const std::string& json) {
  std::vector<Slot> slots;
  for (const std::string& line : Lines(json)) {
    if (!line.starts_with("  {\"ordinal\": ")) continue;
    std::string_view rest(line);
    Slot s;
    s.ordinal = static_cast<std::uint32_t>(std::stoul(line.substr(14)));
    s.rva = static_cast<std::uint32_t>(std::stoul(line.substr(line.find("\"rva\": ") + 7)));
    rest.remove_prefix(line.find("\"name\": ") + 7);
    s.name = JsonString(rest);
    rest.remove_prefix(rest.find("\"forwarder\": ") + 12);
    if (!rest.starts_with(" null")) s.forwarder = JsonString(rest);
    slots.push_back(std::move(s));
  }
  return slots;
}

// The loader source as it was generated before its names followed
// PureBasic's rules, for freshly listed rows (no parameters, no comments):
// every alias and name as it stands, the base name as the procedure's.
std::string UnrenamedSource(const Strings& rawNames, const std::string& file) {
  const FunctionRows rows = FreshRows(rawNames);
  if (rows.empty()) return {};
  const std::u16string path = Utf16FromUtf8(file);
  std::u16string text = u";" + std::u16string(74, u'=') + u"\n; Generated with Vantorel - a tool by the Vantorel developers, 2026\n;" +
                        std::u16string(74, u'=') + u"\n\n";
  for (const FunctionRow& r : rows) text += u"Prototype " + r.alias + u"()\n";
  text += u"\n";
  for (const FunctionRow& r : rows) text += u"Global " + r.alias + u"." + r.alias + u"\n";
  text += u"\nProcedure.i " + std::u16string(SourceBaseName(path)) + u"_LoadDLL()\n  Protected hDLL.i\n\n" +
          u"  hDLL = OpenLibrary(#PB_Any, \"" + std::u16string(SourceFilePart(path)) + u"\")\n  If hDLL <> 0\n";
  for (const FunctionRow& r : rows) text += u"    " + r.alias + u" = GetFunction(hDLL, \"" + r.exportName + u"\")\n";
  text += u"\n    ProcedureReturn hDLL\n  EndIf\n\n  ProcedureReturn #False\nEndProcedure\n";
  return EncodeSourceText(text);
}

const purebasic_check::Words& PureBasicWords() {
  static const purebasic_check::Words words =
      purebasic_check::ReadWords(std::string(VANTOREL_SOURCE_DIR) + "/src/platform/purebasic_keywords.txt",
                                 std::string(VANTOREL_SOURCE_DIR) + "/src/platform/purebasic_commands.txt");
  return words;
}

struct SourceTally {
  std::size_t unchanged = 0, mended = 0, empty = 0;
};

// The text without its procedure line, whose name is no row's.
std::string WithoutProcedure(std::string text) {
  const std::size_t at = text.find("\r\nProcedure.i ");
  if (at != std::string::npos) text.erase(at, text.find("\r\n", at + 2) - at);
  return text;
}

// PureBasic takes the source the command line wrote. When it took the
// unrenamed one too, nothing changed, byte for byte, and nothing is told;
// otherwise the rows renamed or left out, if any, are told on standard error.
void ExpectPureBasicTakes(const std::string& file, const Captured& source, const std::string& unrenamed,
                          SourceTally& tally) {
  const auto problems = purebasic_check::CheckLoaderSource(source.out, PureBasicWords());
  EXPECT_TRUE(problems.empty()) << file << " line " << problems.front().line << ": "
                                << purebasic_check::CauseName(problems.front().cause) << " '" << problems.front().text
                                << "'";
  const bool told = source.err.find(": PureBasic's naming rules: ") != std::string::npos;
  if (purebasic_check::CheckLoaderSource(unrenamed, PureBasicWords()).empty()) {
    ++tally.unchanged;
    EXPECT_EQ(source.out, unrenamed) << file;
    EXPECT_FALSE(told) << file << ": " << source.err;
  } else {
    ++(source.out.empty() ? tally.empty : tally.mended);
    EXPECT_NE(source.out, unrenamed) << file;
    EXPECT_EQ(told, WithoutProcedure(source.out) != WithoutProcedure(unrenamed)) << file << ": " << source.err;
  }
}

class WineCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(WineCorpus, ExportsAgreeWithTheToolsAndSourceWithTheGenerator) {
  std::size_t compared = 0, rejectedByReadobj = 0;
  SourceTally tally;
  auto decoded = [](const std::string& raw) { return Utf8FromUtf16(DecodeCodePage(raw, kWesternCodePage)); };
  std::vector<std::string> files;
  std::map<std::string, Captured> listings;
  for (const auto& entry : fs::directory_iterator(GetParam())) {
    const std::string file = entry.path().string();
    Captured ours = RunCli({"exports", "--json", file});
    // Type libraries and the like are no PE images; every image must pass.
    if (ours.err.find(": not a PE file: ") != std::string::npos) continue;
    ASSERT_EQ(ours.status, 0) << file << ": " << ours.err;
    files.push_back(file);
    listings[file] = std::move(ours);
  }
  std::sort(files.begin(), files.end());
  const auto objdumpAll = ObjdumpOf(files);
  const auto readobjAll = ReadobjSlots(files);
  for (const std::string& file : files) {
    const Captured& ours = listings[file];
    const std::vector<Slot> slots = CliSlots(ours.out);

    // The expected listing: llvm-readobj's slots and RVAs; the name a slot
    // shows is the last one objdump lists for it (llvm-readobj shows the
    // first), none for an empty slot; forwarders as objdump tells them.
    const ObjdumpExports& objdump = objdumpAll.at(file);
    const auto readobj = readobjAll.find(file);
    if (readobj == readobjAll.end()) {
      ++rejectedByReadobj;  // it refuses name tables at RVA 0; objdump alone then
      Strings rawNames;
      for (std::size_t i = 0; i < slots.size(); ++i) {
        const auto it = objdump.names.find(static_cast<std::uint32_t>(i));
        rawNames.push_back(it == objdump.names.end() || !slots[i].rva ? "" : it->second.back());
        EXPECT_EQ(slots[i].name, decoded(rawNames.back())) << file;
      }
      if (!slots.empty()) ExpectPureBasicTakes(file, RunCli({"source", file}), UnrenamedSource(rawNames, file), tally);
      continue;
    }
    std::vector<Slot> expected = readobj->second;
    Strings rawNames;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      Slot& e = expected[i];
      const auto names = objdump.names.find(static_cast<std::uint32_t>(i));
      if (names != objdump.names.end() && names->second.size() > 1) e.name = names->second.back();
      if (e.rva == 0) e.name.clear();
      rawNames.push_back(e.name);
      e.name = decoded(e.name);
      if (const auto f = objdump.forwarders.find(static_cast<std::uint32_t>(i)); f != objdump.forwarders.end())
        e.forwarder = decoded(f->second);
    }
    ASSERT_EQ(slots.size(), expected.size()) << file;
    for (std::size_t i = 0; i < slots.size(); ++i) ASSERT_EQ(slots[i], expected[i]) << file << " slot " << i;

    const Captured source = RunCli({"source", file});
    if (expected.empty()) {
      EXPECT_EQ(source.status, 2) << file;
    } else {
      EXPECT_EQ(source.out, SourceBytes(FreshRows(rawNames), Utf16FromUtf8(file))) << file;
      ExpectPureBasicTakes(file, source, UnrenamedSource(rawNames, file), tally);
    }
    ++compared;
  }
  std::printf("%s: %zu libraries with rows written as before, %zu mended, %zu with no row left\n", GetParam().c_str(),
              tally.unchanged, tally.mended, tally.empty);
  EXPECT_GT(compared, 500u);
  EXPECT_LT(rejectedByReadobj, 20u);
  // Both kinds of library are in the corpus: ones written as before, ones
  // mended, and a few with no row left to write (ordinal-only exports).
  EXPECT_GT(tally.unchanged, 400u);
  EXPECT_GT(tally.mended, 80u);
  EXPECT_GT(tally.empty, 0u);
}

TEST(Cli, SourcesOfMinGWRuntimeLibrariesArePureBasic) {
  SourceTally tally;
  for (const char* folder : {"/usr/lib/gcc/x86_64-w64-mingw32", "/usr/lib/gcc/i686-w64-mingw32",
                             "/usr/x86_64-w64-mingw32/lib", "/usr/i686-w64-mingw32/lib"}) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
      if (entry.path().extension() != ".dll") continue;
      const std::string file = entry.path().string();
      const Captured exports = RunCli({"exports", "--json", file});
      Strings names;
      for (const Slot& slot : CliSlots(exports.out)) names.push_back(slot.rva == 0 ? "" : slot.name);
      ExpectPureBasicTakes(file, RunCli({"source", file}), UnrenamedSource(names, file), tally);
    }
  }
  // libstdc++'s long names and base names such as libgcc_s_seh-1.
  if (tally.unchanged + tally.mended > 0) EXPECT_GT(tally.mended, 0u);
}

// Headers on the command line: Wine's user32 and kernel32 with MinGW-w64's
// headers give typed sources PureBasic takes; the project written with them
// gives the same source again; a header that cannot be used fails alone.
TEST(Cli, HeadersTypeTheSourceAndTheProjectKeepsThem) {
  TempDir dir;
  const std::string wine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";
  const std::string include = "/usr/share/mingw-w64/include";
  struct Case {
    std::string dll, header, line;
    std::size_t typedAtLeast;
  };
  const Case cases[] = {
      {"user32.dll", include + "/winuser.h",
       "\r\nPrototype.l MessageBoxW(hWnd.i, lpText.p-unicode, lpCaption.p-unicode, uType.l); int MessageBoxW(HWND "
       "hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)\r\n",
       600},
      {"kernel32.dll", include + "/windows.h",
       "\r\nPrototype.l MulDiv(nNumber.l, nNumerator.l, nDenominator.l); int MulDiv(int nNumber, int nNumerator, int "
       "nDenominator)\r\n",
       400},
  };
  for (const Case& c : cases) {
    if (!fs::exists(wine + c.dll)) continue;
    const Captured plain = RunCli({"source", wine + c.dll});
    const Captured typed = RunCli({"source", "--header", c.header, "--include", include, wine + c.dll});
    ASSERT_EQ(typed.status, 0) << typed.err;
    const auto problems = purebasic_check::CheckLoaderSource(typed.out, PureBasicWords());
    EXPECT_TRUE(problems.empty()) << c.dll << " line " << problems.front().line << ": "
                                  << purebasic_check::CauseName(problems.front().cause) << " '" << problems.front().text
                                  << "'";
    EXPECT_NE(typed.out.find(c.line), std::string::npos) << c.dll;
    // Only Prototype lines change, and as many as the header declares.
    std::size_t changed = 0;
    std::istringstream a(plain.out), b(typed.out);
    for (std::string x, y; std::getline(a, x) && std::getline(b, y);) {
      if (x == y) continue;
      ++changed;
      EXPECT_TRUE(x.starts_with("Prototype ") && y.starts_with("Prototype")) << x << " / " << y;
    }
    EXPECT_GE(changed, c.typedAtLeast) << c.dll;

    const std::string project = dir / (c.dll + ".prj");
    // <windows.h> beside the header is read first without --include too.
    ASSERT_EQ(RunCli({"project", "--header", c.header, "-o", project, wine + c.dll}).status, 0);
    EXPECT_NE(ReadAll(project).find("\r\nPrototype = "), std::string::npos);
    EXPECT_TRUE(RunCli({"source", "--project", project}).out == typed.out) << c.dll;
  }

  WriteAll(dir / "bad.h", std::string("int f(void);\0\0", 15));
  const Captured bad = RunCli({"source", "--header", dir / "bad.h", "--header", dir / "none.h", Data("named.dll")});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "vantorel: " + (dir / "bad.h") + ": is not a text file; nothing taken from it\n" + "vantorel: " +
                         (dir / "none.h") + ": cannot be read; nothing taken from it\n");
  EXPECT_EQ(bad.out, RunCli({"source", Data("named.dll")}).out);
  EXPECT_EQ(RunCli({"source", "--header", Data("named.dll")}).status, 1) << "--header needs a value and a library";
}

INSTANTIATE_TEST_SUITE_P(Wine, WineCorpus,
                         ::testing::Values("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
                                           "/usr/lib/i386-linux-gnu/wine/i386-windows"),
                         [](const auto& info) { return info.param.find("i386") != std::string::npos ? "x86" : "x64"; });

}  // namespace
}  // namespace vantorel
