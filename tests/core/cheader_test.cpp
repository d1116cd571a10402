// The header importer over MinGW-w64's Windows headers and zlib.h (compared
// with what GCC finds declared there and with the libraries' export names),
// over small headers of every shape a declaration takes, and over hostile ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cheader/header_import.h"
#include "cheader/typed_prototype.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;

const fs::path kMingwInclude = "/usr/share/mingw-w64/include";
const fs::path kZlibInclude = "/usr/x86_64-w64-mingw32/include";
const fs::path kData = fs::path(VANTOREL_TESTDATA) / "cheader";

HeaderImportOptions Options(Edition edition = Edition::X64) {
  HeaderImportOptions o;
  o.edition = edition;
  o.includeDirs = {kMingwInclude, kZlibInclude};
  o.limits.maxTime = std::chrono::minutes(2);  // under the sanitizers on a busy machine
  return o;
}

// The header imports the real-header tests share: each takes a second or two.
const HeaderImport& Imported(const fs::path& header) {
  static std::map<fs::path, HeaderImport> done;
  auto it = done.find(header);
  if (it == done.end()) it = done.emplace(header, ImportHeader(header, Options())).first;
  return it->second;
}

std::string PrototypeOf(const HeaderImport& import, const std::string& name) {
  const CFunction* f = FindDeclaration(import.functions, name);
  if (!f) return "(not declared)";
  const TypedPrototype p = MakeTypedPrototype(*f);
  return PrototypeLine("Prototype", f->name, p) + " ; " + DeclarationComment(*f, p);
}

// Forty declarations checked by hand against the headers: strings, floats,
// doubles, 64-bit and 16-bit results, variadic functions, structs by value.
TEST(HeaderImport, RealHeadersGiveHandCheckedPrototypes) {
  struct Case {
    const char* header;
    const char* name;
    const char* expected;  // the Prototype line ; the comment
  };
  const Case cases[] = {
      {"winuser.h", "MessageBoxW", "Prototype.l MessageBoxW(hWnd.i, lpText.p-unicode, lpCaption.p-unicode, uType.l) ; int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)"},
      {"winuser.h", "MessageBoxA", "Prototype.l MessageBoxA(hWnd.i, lpText.p-ascii, lpCaption.p-ascii, uType.l) ; int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)"},
      {"winuser.h", "SetWindowPos", "Prototype.l SetWindowPos(hWnd.i, hWndInsertAfter.i, X.l, Y.l, cx.l, cy.l, uFlags.l) ; WINBOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)"},
      {"winuser.h", "wsprintfW", "Prototype.l wsprintfW(p1.i, p2.p-unicode) ; variadic; int wsprintfW(LPWSTR, LPCWSTR, ...)"},
      {"winuser.h", "wsprintfA", "Prototype.l wsprintfA(p1.i, p2.p-ascii) ; variadic; int wsprintfA(LPSTR, LPCSTR, ...)"},
      {"winuser.h", "SendMessageW", "Prototype.i SendMessageW(hWnd.i, Msg.l, wParam.i, lParam.i) ; LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)"},
      {"winuser.h", "WindowFromPoint", "Prototype.i WindowFromPoint(_Point) ; struct by value: _Point; HWND WindowFromPoint(POINT Point)"},
      {"winuser.h", "PtInRect", "Prototype.l PtInRect(lprc.i, pt) ; struct by value: pt; WINBOOL PtInRect(const RECT *lprc, POINT pt)"},
      {"winuser.h", "CharUpperW", "Prototype.i CharUpperW(lpsz.i) ; LPWSTR CharUpperW(LPWSTR lpsz)"},
      {"winuser.h", "CharNextA", "Prototype.i CharNextA(lpsz.p-ascii) ; LPSTR CharNextA(LPCSTR lpsz)"},
      {"winuser.h", "GetSystemMetrics", "Prototype.l GetSystemMetrics(nIndex.l) ; int GetSystemMetrics(int nIndex)"},
      {"winuser.h", "IsCharAlphaW", "Prototype.l IsCharAlphaW(ch.u) ; WINBOOL IsCharAlphaW(WCHAR ch)"},
      {"winuser.h", "VkKeyScanW", "Prototype.w VkKeyScanW(ch.u) ; SHORT VkKeyScanW(WCHAR ch)"},
      {"winuser.h", "GetKeyState", "Prototype.w GetKeyState(nVirtKey.l) ; SHORT GetKeyState(int nVirtKey)"},
      {"winuser.h", "FindWindowW", "Prototype.i FindWindowW(lpClassName.p-unicode, lpWindowName.p-unicode) ; HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName)"},
      {"winuser.h", "MoveWindow", "Prototype.l MoveWindow(hWnd.i, X.l, Y.l, nWidth.l, nHeight.l, bRepaint.l) ; WINBOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, WINBOOL bRepaint)"},
      {"winbase.h", "CreateFileW", "Prototype.i CreateFileW(lpFileName.p-unicode, dwDesiredAccess.l, dwShareMode.l, lpSecurityAttributes.i, dwCreationDisposition.l, dwFlagsAndAttributes.l, hTemplateFile.i) ; HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)"},
      {"winbase.h", "ReadFile", "Prototype.l ReadFile(hFile.i, lpBuffer.i, nNumberOfBytesToRead.l, lpNumberOfBytesRead.i, lpOverlapped.i) ; WINBOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)"},
      {"winbase.h", "MulDiv", "Prototype.l MulDiv(nNumber.l, nNumerator.l, nDenominator.l) ; int MulDiv(int nNumber, int nNumerator, int nDenominator)"},
      {"winbase.h", "GetTickCount", "Prototype.l GetTickCount() ; DWORD GetTickCount(void)"},
      {"winbase.h", "GetTickCount64", "Prototype.q GetTickCount64() ; ULONGLONG GetTickCount64(void)"},
      {"winbase.h", "lstrlenA", "Prototype.l lstrlenA(lpString.p-ascii) ; int lstrlenA(LPCSTR lpString)"},
      {"winbase.h", "lstrlenW", "Prototype.l lstrlenW(lpString.p-unicode) ; int lstrlenW(LPCWSTR lpString)"},
      {"winbase.h", "lstrcmpiW", "Prototype.l lstrcmpiW(lpString1.p-unicode, lpString2.p-unicode) ; int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2)"},
      {"winbase.h", "GetProcAddress", "Prototype.i GetProcAddress(hModule.i, lpProcName.p-ascii) ; FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)"},
      {"winbase.h", "Sleep", "Prototype Sleep(dwMilliseconds.l) ; void Sleep(DWORD dwMilliseconds)"},
      {"winbase.h", "ExitProcess", "Prototype ExitProcess(uExitCode.l) ; void ExitProcess(UINT uExitCode)"},
      {"winbase.h", "GetModuleHandleW", "Prototype.i GetModuleHandleW(lpModuleName.p-unicode) ; HMODULE GetModuleHandleW(LPCWSTR lpModuleName)"},
      {"winbase.h", "VirtualAlloc", "Prototype.i VirtualAlloc(lpAddress.i, dwSize.i, flAllocationType.l, flProtect.l) ; LPVOID VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect)"},
      {"winbase.h", "QueryPerformanceCounter", "Prototype.l QueryPerformanceCounter(lpPerformanceCount.i) ; WINBOOL QueryPerformanceCounter(LARGE_INTEGER *lpPerformanceCount)"},
      {"winbase.h", "SetLastError", "Prototype SetLastError(dwErrCode.l) ; void SetLastError(DWORD dwErrCode)"},
      {"wingdi.h", "AngleArc", "Prototype.l AngleArc(hdc.i, x.l, y.l, r.l, StartAngle.f, SweepAngle.f) ; WINBOOL AngleArc(HDC hdc, int x, int y, DWORD r, FLOAT StartAngle, FLOAT SweepAngle)"},
      {"oleauto.h", "VarR8Round", "Prototype.l VarR8Round(dblIn.d, cDecimals.l, pdblResult.i) ; HRESULT VarR8Round(double dblIn, int cDecimals, double *pdblResult)"},
      {"oleauto.h", "VariantTimeToSystemTime", "Prototype.l VariantTimeToSystemTime(vtime.d, lpSystemTime.i) ; INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime)"},
      {"zlib.h", "deflateInit2_", "Prototype.l deflateInit2_(strm.i, level.l, method.l, windowBits.l, memLevel.l, strategy.l, version.p-ascii, stream_size.l) ; int deflateInit2_(z_streamp strm, int level, int method, int windowBits, int memLevel, int strategy, const char *version, int stream_size)"},
      {"zlib.h", "crc32", "Prototype.l crc32(crc.l, buf.i, _len.l) ; uLong crc32(uLong crc, const Bytef *buf, uInt len)"},
      {"zlib.h", "compress", "Prototype.l compress(dest.i, destLen.i, source.i, sourceLen.l) ; int compress(Bytef *dest, uLongf *destLen, const Bytef *source, uLong sourceLen)"},
      {"zlib.h", "zlibVersion", "Prototype.i zlibVersion() ; const char *zlibVersion(void)"},
      {"zlib.h", "gzprintf", "Prototype.l gzprintf(file.i, format.p-ascii) ; variadic; int gzprintf(gzFile file, const char *format, ...)"},
      {"zlib.h", "inflate", "Prototype.l inflate(strm.i, flush.l) ; int inflate(z_streamp strm, int flush)"},
  };
  for (const Case& c : cases) {
    // wingdi.h and oleauto.h come through <windows.h>, as a program includes them.
    const std::string header = c.header;
    const fs::path path = header == "zlib.h"      ? kZlibInclude / "zlib.h"
                          : header == "winuser.h" || header == "winbase.h" ? kMingwInclude / header
                                                                           : kMingwInclude / "windows.h";
    EXPECT_EQ(PrototypeOf(Imported(path), c.name), c.expected) << c.header;
  }
}

// What GCC finds declared, from its -aux-info lines:
// /* /usr/share/mingw-w64/include/winuser.h:4021:NC */ extern int MessageBoxW (HWND, LPCWSTR, LPCWSTR, UINT);
struct GccDeclaration {
  std::string file;
  std::size_t parameters = 0;
  bool variadic = false;
};

std::map<std::string, GccDeclaration> GccDeclarations() {
  std::map<std::string, GccDeclaration> found;
  std::ifstream in(kData / "declared.txt");
  const std::regex line(R"(^/\* (\S+):\d+:\w+ \*/ [^(]*?(\w+) \((.*)\);$)");
  std::string text;
  while (std::getline(in, text)) {
    std::smatch m;
    if (!std::regex_match(text, m, line)) continue;
    GccDeclaration d;
    d.file = fs::path(m[1].str()).filename().string();
    const std::string params = m[3].str();
    int depth = 0;
    std::size_t commas = 0;
    for (char c : params) {
      depth += c == '(' ? 1 : c == ')' ? -1 : 0;
      commas += c == ',' && depth == 0;
    }
    d.variadic = params.ends_with("...");
    d.parameters = params == "void" || params.empty() ? 0 : commas + 1 - (d.variadic ? 1 : 0);
    found.emplace(m[2].str(), d);
  }
  return found;
}

std::vector<std::string> ExportNames(const std::string& library) {
  std::ifstream in(kData / (library + ".exports"));
  std::vector<std::string> names;
  std::string text;
  while (std::getline(in, text)) {
    if (const auto at = text.find("Name: "); at != std::string::npos) names.push_back(text.substr(at + 6));
  }
  return names;
}

// Of a library's exports that GCC finds declared in the header's files, the
// importer gives at least 95 % their parameter count and a type for every
// parameter (or names it a struct passed by value).
TEST(HeaderImport, RealHeadersTypeNearlyEveryDeclaredExport) {
  struct Case {
    const char* library;
    fs::path header;
    std::vector<std::string> declaredIn;
  };
  const Case cases[] = {
      {"user32", kMingwInclude / "winuser.h", {"winuser.h"}},
      {"kernel32", kMingwInclude / "winbase.h", {"winbase.h", "fileapi.h"}},
      {"zlib1", kZlibInclude / "zlib.h", {"zlib.h"}},
  };
  const auto gcc = GccDeclarations();
  ASSERT_GT(gcc.size(), 5000u);
  for (const Case& c : cases) {
    const HeaderImport& import = Imported(c.header);
    ASSERT_EQ(import.fault, HeaderFault::None) << c.library << ": " << import.faultDetail;
    std::size_t declared = 0, typed = 0;
    std::string wrong;
    for (const std::string& name : ExportNames(c.library)) {
      const auto g = gcc.find(name);
      if (g == gcc.end() || std::find(c.declaredIn.begin(), c.declaredIn.end(), g->second.file) == c.declaredIn.end()) {
        continue;
      }
      ++declared;
      const CFunction* f = FindDeclaration(import.functions, name);
      bool ok = f && f->parameters.size() == g->second.parameters && f->variadic == g->second.variadic;
      if (ok) {
        for (const CParameter& p : f->parameters) ok = ok && (p.type != PbType::None || p.structByValue);
      }
      if (ok) {
        ++typed;
      } else if (wrong.size() < 2000) {
        wrong += " " + name;
      }
    }
    const double share = declared ? 100.0 * static_cast<double>(typed) / static_cast<double>(declared) : 0;
    std::printf("%s: %zu of %zu declared exports typed (%.1f %%)\n", c.library, typed, declared, share);
    EXPECT_GT(declared, c.library == std::string("zlib1") ? 60u : 300u) << c.library;
    EXPECT_GE(share, 95.0) << c.library << ", not typed:" << wrong;
  }
}

// Small headers: every shape a type and a declaration take, both editions.
TEST(HeaderImport, DeclarationShapesGiveTheirTypes) {
  struct Case {
    Edition edition;
    const char* text;
    const char* name;
    const char* expected;  // Prototype line with the keyword the convention asks for
  };
  const Case cases[] = {
      {Edition::X64, "double Scale(float f, double d, long double e);", "Scale", ".d(f.f, d.d, e.d)"},
      {Edition::X64, "float F(char c, signed char s, unsigned char u, short w, unsigned short us);", "F", ".f(c.b, s.b, u.a, w.w, us.u)"},
      {Edition::X64, "long long Q(unsigned long long a, __int64 b, unsigned int c, long d, unsigned long e);", "Q", ".q(a.q, b.q, c.l, d.l, e.l)"},
      {Edition::X64, "enum Mode { A, B }; _Bool E(enum Mode m, size_t n, intptr_t i);", "E", ".a(m.l, n.i, i.i)"},
      {Edition::X64, "typedef unsigned short wchar_t; int S(const char *a, const wchar_t *w, char *b, const char **pp, char const *const c, const unsigned char *u);", "S", ".l(a.p-ascii, w.p-unicode, b.i, pp.i, c.p-ascii, u.i)"},
      {Edition::X64, "struct P { int x, y; }; union U { int i; float f; }; typedef struct P POINT; struct P At(struct P p, union U u, POINT q, POINT *pq);", "At", "(p, u, q, pq.i)"},
      {Edition::X64, "typedef int (*Callback)(int); typedef int Handler(void *); void Set(Callback cb, Handler h, int (*raw)(int), int arr[4]);", "Set", "(cb.i, h.i, raw.i, arr.i)"},
      {Edition::X64, "int Unnamed(int, char *, int p1);", "Unnamed", ".l(p1.l, p2.i, p1_2.l)"},
      {Edition::X64, "int Reserved(int len, int Data, int $x);", "Reserved", ".l(_len.l, _Data.l, _x.l)"},
      {Edition::X64, "void None(void); int Empty();", "Empty", ".l()"},
      {Edition::X64, "int (*signal(int sig, void (*func)(int)))(int);", "signal", ".i(sig.l, func.i)"},
      {Edition::X64, "LPCWSTR Known(HWND w, LPCSTR s, DWORD d, BOOL b, WPARAM wp);", "Known", ".i(w.i, s.p-ascii, d.l, b.l, wp.i)"},
      {Edition::X86, "int __stdcall Std(int a); ", "Std", "Prototype.l Std(a.l)"},
      {Edition::X86, "int __cdecl C(int a); int Plain(int a);", "Plain", "PrototypeC.l Plain(a.l)"},
      {Edition::X86, "void * __stdcall Alloc(unsigned n);", "Alloc", "Prototype.i Alloc(n.l)"},
      {Edition::X86, "typedef int BOOL; __declspec(dllimport) __stdcall BOOL Late(int a);", "Late", "Prototype.l Late(a.l)"},
      {Edition::X86, "int __attribute__((stdcall)) Gnu(int a);", "Gnu", "Prototype.l Gnu(a.l)"},
      {Edition::X86, "int __fastcall Fast(int a);", "Fast", "Prototype.l Fast(a.l)"},
      {Edition::X86, "#ifdef _WIN64\nint Wide(void);\n#endif\n#if defined(_M_IX86) && !defined(__cplusplus)\nint Narrow(size_t n);\n#endif", "Narrow", "PrototypeC.l Narrow(n.i)"},
      {Edition::X64, "#ifdef _WIN64\nint Wide(size_t n);\n#endif", "Wide", ".l(n.i)"},
      {Edition::X64, "#define API __declspec(dllexport)\n#define ARGS(a) a\nAPI int Macro ARGS((int x));", "Macro", ".l(x.l)"},
  };
  for (const Case& c : cases) {
    HeaderImportOptions o;
    o.edition = c.edition;
    const HeaderImport import = ImportHeaderText(c.text, "/nonexistent/shape.h", o);
    ASSERT_EQ(import.fault, HeaderFault::None) << c.text << ": " << import.faultDetail;
    const CFunction* f = FindDeclaration(import.functions, c.name);
    ASSERT_NE(f, nullptr) << c.text;
    const TypedPrototype p = MakeTypedPrototype(*f);
    std::string got = FormatTypedPrototype(p);
    if (c.edition == Edition::X86) {
      got = PrototypeLine(f->convention == CallingConvention::Cdecl ? "PrototypeC" : "Prototype", f->name, p);
    }
    EXPECT_EQ(got, c.expected) << c.text;
  }
}

TEST(HeaderImport, DecoratedExportNamesFindTheirDeclaration) {
  const HeaderImport import = ImportHeaderText("int Add(int a, int b); int _under(void);", "/nonexistent/d.h", {});
  for (const char* name : {"Add", "_Add@8", "@Add@8", "Add@8", "_under"}) {
    const CFunction* f = FindDeclaration(import.functions, name);
    EXPECT_TRUE(f && (f->name == "Add" || f->name == "_under")) << name;
  }
  for (const char* name : {"", "Sub", "_Add@", "_Add@x8", "@", "Add@8@"}) EXPECT_EQ(FindDeclaration(import.functions, name), nullptr) << name;
}

// Hostile headers end with a fault and no functions, within their bounds.
TEST(HeaderImport, HostileHeadersGiveAFaultAndNothingElse) {
  const fs::path dir = fs::temp_directory_path() / ("vantorel-hostile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(dir);
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  };
  std::string exponential;
  for (int i = 1; i < 40; ++i) exponential += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + " M" + std::to_string(i - 1) + "\n";
  exponential += "int f(void); M39\n";
  for (int i = 0; i < 20; ++i) write("c" + std::to_string(i) + ".h", "#include \"c" + std::to_string(i + 1) + ".h\"\nint f" + std::to_string(i) + "(void);\n");
  write("c20.h", "int last(void);");

  struct Case {
    const char* what;
    fs::path header;
    HeaderLimits limits;
    HeaderFault fault;
  };
  HeaderLimits small;
  small.maxFileBytes = 1000;
  HeaderLimits few_files;
  few_files.maxFiles = 10;
  HeaderLimits little_input;
  little_input.maxTotalBytes = 200;
  HeaderLimits few_tokens;
  few_tokens.maxTokens = 20000;
  few_tokens.maxTime = std::chrono::minutes(2);  // the token count, not the clock, must end it
  HeaderLimits no_time;
  no_time.maxTime = std::chrono::milliseconds(0);
  const Case cases[] = {
      {"missing", dir / "none.h", {}, HeaderFault::Unreadable},
      {"a folder", dir, {}, HeaderFault::Unreadable},
      {"too large", write("big.h", std::string(2000, ' ') + "int f(void);"), small, HeaderFault::TooLarge},
      {"binary", write("bin.h", std::string("MZ\0\0\x90\0int f(void);", 18)), {}, HeaderFault::Binary},
      {"an include binary", write("incbin.h", "#include \"bin.h\"\nint g(void);"), {}, HeaderFault::Binary},
      {"includes itself", write("self.h", "#include \"self.h\"\nint f(void);"), {}, HeaderFault::NestedTooDeeply},
      {"a circle", write("ping.h", "#include \"pong.h\"\n") , {}, HeaderFault::NestedTooDeeply},
      {"exponential macros", write("exp.h", exponential), few_tokens, HeaderFault::TooMuchWork},
      {"#error", write("err.h", "#ifdef _WIN32\n#error no Windows here\n#endif\nint f(void);"), {}, HeaderFault::PreprocessorError},
      {"many files", dir / "c0.h", few_files, HeaderFault::TooManyFiles},
      {"much input", dir / "c0.h", little_input, HeaderFault::TooMuchInput},
      {"no time", dir / "c0.h", no_time, HeaderFault::TimedOut},
      // Its own few tokens fit; with <windows.h> read first they do not.
      {"<windows.h> read before it", write("sdk.h", "int f(HMONITOR m, LPMSG g);"), few_tokens, HeaderFault::TooMuchWork},
  };
  write("pong.h", "#include \"ping.h\"\n");
  for (const Case& c : cases) {
    HeaderImportOptions o;
    o.limits = c.limits;
    o.includeDirs = {kMingwInclude};
    const HeaderImport import = ImportHeader(c.header, o);
    EXPECT_EQ(import.fault, c.fault) << c.what << ": " << import.faultDetail;
    EXPECT_TRUE(import.functions.empty()) << c.what;
    EXPECT_FALSE(import.faultFile.empty()) << c.what;
  }
  // Within its bounds the chain is read whole; includes that cannot be given
  // to the preprocessor (found nowhere, computed, no regular file) are left out.
  const HeaderImport chained = ImportHeader(dir / "c0.h", {});
  EXPECT_EQ(chained.fault, HeaderFault::None);
  EXPECT_EQ(chained.functions.size(), 21u);
  const HeaderImport skipped = ImportHeader(
      write("skips.h", "#include <nowhere.h>\n#define F \"/dev/zero\"\n#include F\n#include \"/dev/zero\"\n#include\nint g(char c);"), {});
  EXPECT_EQ(skipped.fault, HeaderFault::None);
  EXPECT_EQ(skipped.functions.size(), 1u);
  EXPECT_EQ(skipped.missingIncludes, (std::vector<std::string>{"<nowhere.h>", "#include F", "\"/dev/zero\""}));
  // Non-ASCII text and UTF-16 files are read.
  const HeaderImport utf16 = ImportHeaderText(std::string("\xFF\xFEi\0n\0t\0 \0h\0(\0)\0;\0", 18), dir / "u.h", {});
  EXPECT_EQ(utf16.functions.size(), 1u);
  EXPECT_EQ(ImportHeaderText("/* Gr\xC3\xBC\xC3\x9F""e */ int h(void);", dir / "u8.h", {}).functions.size(), 1u);
  fs::remove_all(dir);
}

TEST(TypedPrototype, StoredFormReadsBackAndRefusesWhatItWouldNotWrite) {
  const TypedPrototype p{PbType::Long, {{"hWnd", PbType::Integer}, {"lpText", PbType::PUnicode}, {"pt", PbType::None}}};
  EXPECT_EQ(FormatTypedPrototype(p), ".l(hWnd.i, lpText.p-unicode, pt)");
  EXPECT_EQ(ParseTypedPrototype(FormatTypedPrototype(p)), p);
  EXPECT_EQ(ParseTypedPrototype("()"), TypedPrototype{});
  for (const char* bad : {"", "(", ")", ".l", ".x()", ".p-ascii()", "(a.i,)", "(a.i, )", "(a.i,b.i)", "(a.i, A.l)",
                          "(1a.i)", "(len.l)", "(a.z)", "(a b)", "(a.i))", "x(a.i)"}) {
    EXPECT_FALSE(ParseTypedPrototype(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace vantorel
