#include "cheader/header_import.h"

#include <simplecpp.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "platform/utf8.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Every header is handed to the preprocessor under a name in a folder that
// does not exist, with each #include rewritten to the name of the header this
// code found and read (within its limits). So the preprocessor never opens a
// file by itself: an include it could not be given is taken out first.
constexpr std::string_view kKeyFolder = "/|vantorel|/";
// An include that was found nowhere (or computed by a macro) becomes this
// directive, which the preprocessor skips.
constexpr std::string_view kSkippedInclude = "include_skipped";

// What MinGW-w64's GCC predefines for each edition, which is what the Windows
// headers it ships (and most DLL headers) test; C, not C++. The __has_*
// probes answer "no" so that headers take their plainest branch.
constexpr std::array<std::string_view, 22> kCommonMacros = {
    "_WIN32=1",          "WIN32=1",           "__WIN32__=1",         "__WIN32=1",
    "__MINGW32__=1",     "__GNUC__=4",        "__GNUC_MINOR__=0",    "__STDC__=1",
    "__STDC_VERSION__=199901L", "__CHAR_BIT__=8", "__SIZEOF_INT__=4", "__SIZEOF_LONG__=4",
    "__SIZEOF_LONG_LONG__=8", "__SIZEOF_SHORT__=2", "__SIZEOF_WCHAR_T__=2",
    "__has_attribute(x)=0", "__has_builtin(x)=0", "__has_feature(x)=0", "__has_extension(x)=0",
    "__has_include(x)=0", "__has_include_next(x)=0", "__has_declspec_attribute(x)=0",
};
constexpr std::array<std::string_view, 10> kX64Macros = {
    "_WIN64=1",   "__WIN64=1",    "__MINGW64__=1", "__x86_64__=1",  "__x86_64=1",
    "__amd64__=1", "__amd64=1",   "_M_X64=100",    "_M_AMD64=100",  "__SIZEOF_POINTER__=8",
};
constexpr std::array<std::string_view, 5> kX86Macros = {
    "_X86_=1", "__i386__=1", "__i386=1", "_M_IX86=600", "__SIZEOF_POINTER__=4",
};

// The calling conventions as compilers spell them; MinGW's headers turn the
// one-underscore forms into these.
struct ConventionWord {
  std::string_view word;
  CallingConvention convention;
};
constexpr std::array<ConventionWord, 12> kConventionWords = {{
    {"__cdecl", CallingConvention::Cdecl},         {"_cdecl", CallingConvention::Cdecl},
    {"__stdcall", CallingConvention::Stdcall},     {"_stdcall", CallingConvention::Stdcall},
    {"__fastcall", CallingConvention::Fastcall},   {"_fastcall", CallingConvention::Fastcall},
    {"__thiscall", CallingConvention::Thiscall},   {"__vectorcall", CallingConvention::Vectorcall},
    {"__clrcall", CallingConvention::Cdecl},       {"__stdcall__", CallingConvention::Stdcall},
    {"__cdecl__", CallingConvention::Cdecl},       {"__fastcall__", CallingConvention::Fastcall},
}};
// Inside __attribute__((...)) GCC also accepts the bare words.
constexpr std::array<ConventionWord, 4> kAttributeConventionWords = {{
    {"stdcall", CallingConvention::Stdcall},   {"cdecl", CallingConvention::Cdecl},
    {"fastcall", CallingConvention::Fastcall}, {"thiscall", CallingConvention::Thiscall},
}};

template <std::size_t N>
std::optional<CallingConvention> ConventionOf(const std::array<ConventionWord, N>& words, std::string_view token) {
  for (const ConventionWord& w : words) {
    if (w.word == token) return w.convention;
  }
  return std::nullopt;
}

// The preprocessor's work is counted token by token; past the budget or the
// deadline the count throws this, which no catch inside the preprocessor
// takes (it is no std::exception), and the import ends with the fault.
struct WorkLimitReached {};

struct Budget {
  std::size_t tokensLeft = 0;
  Clock::time_point deadline;
  std::size_t sinceClockRead = 0;
  HeaderFault hit = HeaderFault::None;
};

void CountToken(void* context) {
  Budget& budget = *static_cast<Budget*>(context);
  if (budget.tokensLeft == 0) {
    budget.hit = HeaderFault::TooMuchWork;
    throw WorkLimitReached{};
  }
  --budget.tokensLeft;
  if (++budget.sinceClockRead >= 4096) {
    budget.sinceClockRead = 0;
    if (Clock::now() > budget.deadline) {
      budget.hit = HeaderFault::TimedOut;
      throw WorkLimitReached{};
    }
  }
}

class ObservedWork {
 public:
  explicit ObservedWork(Budget& budget) { simplecpp::setTokenObserver(CountToken, &budget); }
  ~ObservedWork() { simplecpp::setTokenObserver(nullptr, nullptr); }
  ObservedWork(const ObservedWork&) = delete;
  ObservedWork& operator=(const ObservedWork&) = delete;
};

std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path PathFromUtf8(std::string_view text) { return fs::path(Utf16FromUtf8(text)); }

struct FileBytes {
  HeaderFault fault = HeaderFault::None;
  std::string bytes;
};

// The file's bytes, checked before they are trusted: a regular file, not over
// the cap, and text.
FileBytes ReadHeaderFile(const fs::path& path, std::uint64_t max_bytes) {
  std::error_code error;
  if (!fs::is_regular_file(path, error) || error) return {HeaderFault::Unreadable, {}};
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) return {HeaderFault::Unreadable, {}};
  if (size > max_bytes) return {HeaderFault::TooLarge, {}};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {HeaderFault::Unreadable, {}};
  FileBytes file;
  file.bytes.resize(static_cast<std::size_t>(size));
  in.read(file.bytes.data(), static_cast<std::streamsize>(size));
  if (in.bad()) return {HeaderFault::Unreadable, {}};
  file.bytes.resize(static_cast<std::size_t>(in.gcount()));
  return file;
}

// The text as the preprocessor can take it: UTF-16 files decoded, the UTF-8
// byte order mark dropped, and every byte above 127 made '_' (the
// preprocessor refuses a whole file over one such byte, and in comments,
// strings and names the change is harmless to a declaration's shape). A NUL
// left after that means binary data.
bool MakePreprocessorText(std::string& bytes) {
  const bool utf16le = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  const bool utf16be = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
  if (utf16le || utf16be) {
    std::u16string units((bytes.size() - 2) / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
      const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]), b = static_cast<unsigned char>(bytes[3 + 2 * i]);
      units[i] = static_cast<char16_t>(utf16be ? (a << 8 | b) : (b << 8 | a));
    }
    bytes = Utf8FromUtf16(units);
  } else if (bytes.size() >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF') {
    bytes.erase(0, 3);
  }
  if (bytes.find('\0') != std::string::npos) return false;
  for (char& c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '_';
  }
  return true;
}

bool NamedWindowsH(const fs::path& path) {
  constexpr std::string_view kName = "windows.h";
  const std::string name = PathText(path.filename());
  if (name.size() != kName.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
    if (c != kName[i]) return false;
  }
  return true;
}

bool SameLine(const simplecpp::Token* a, const simplecpp::Token* b) {
  return a && b && a->location.sameline(b->location);
}

// One import's headers: read, tokenised, their includes resolved to each other.
class HeaderSet {
 public:
  HeaderSet(const HeaderImportOptions& options, std::vector<std::string>& files, HeaderImport& result)
      : options_(options), files_(files), result_(result) {}

  bool AddMain(std::string bytes, const fs::path& path) {
    mainFolder_ = path.parent_path();
    std::error_code error;
    const fs::path real = fs::weakly_canonical(path, error);
    return Add(std::move(bytes), path, error ? path : real).has_value();
  }

  // Reads every header the main one includes, directly or not, and points
  // each include at the header found. False after a fault.
  bool ResolveAll() {
    for (std::size_t i = 0; i < lists_.size(); ++i) {
      for (simplecpp::Token* tok = lists_[i]->front(); tok; tok = tok->next) {
        if (tok->op != '#' || SameLine(tok->previous, tok)) continue;
        simplecpp::Token* directive = tok->next;
        if (!SameLine(tok, directive) || directive->str() != "include") continue;
        simplecpp::Token* target = directive->next;
        while (SameLine(tok, target) && target->comment) target = target->next;
        if (!SameLine(tok, target)) {
          directive->setstr(std::string(kSkippedInclude));
          continue;
        }
        const std::string& spelled = target->str();
        const bool quoted = spelled.size() > 2 && spelled.front() == '"' && spelled.back() == '"';
        const bool angled = spelled.size() > 2 && spelled.front() == '<' && spelled.back() == '>';
        std::optional<std::size_t> found;
        if (quoted || angled) {
          found = Resolve(spelled.substr(1, spelled.size() - 2), quoted, i);
          if (result_.fault != HeaderFault::None) return false;
        }
        if (!found) {
          Missing(quoted || angled ? spelled : "#include " + spelled);
          directive->setstr(std::string(kSkippedInclude));
          continue;
        }
        target->setstr('"' + KeyOf(*found) + '"');
      }
    }
    return true;
  }

  const simplecpp::TokenList& Main() const { return *lists_.front(); }
  std::map<std::string, simplecpp::TokenList*>& FileData() { return fileData_; }

  // The real path behind a key the preprocessor names in its messages.
  std::string RealName(const std::string& key) const {
    if (key.starts_with(kKeyFolder)) {
      std::size_t index = 0;
      for (char c : std::string_view(key).substr(kKeyFolder.size())) index = index * 10 + static_cast<std::size_t>(c - '0');
      if (index < paths_.size()) return PathText(paths_[index]);
    }
    return key;
  }

 private:
  static std::string KeyOf(std::size_t index) { return std::string(kKeyFolder) + std::to_string(index); }

  void Missing(const std::string& spelled) {
    if (std::find(result_.missingIncludes.begin(), result_.missingIncludes.end(), spelled) ==
            result_.missingIncludes.end() &&
        result_.missingIncludes.size() < 256) {
      result_.missingIncludes.push_back(spelled);
    }
  }

  // Where an include is looked for: a quoted one first beside the including
  // header, then in the include folders; both last beside the main header.
  std::optional<std::size_t> Resolve(const std::string& name, bool quoted, std::size_t from) {
    std::vector<fs::path> folders;
    if (quoted) folders.push_back(paths_[from].parent_path());
    folders.insert(folders.end(), options_.includeDirs.begin(), options_.includeDirs.end());
    folders.push_back(mainFolder_);
    const fs::path relative = PathFromUtf8(name);
    for (const fs::path& folder : folders) {
      const fs::path candidate = folder / relative;
      const std::string cache_key = PathText(candidate);
      if (const auto known = looked_.find(cache_key); known != looked_.end()) {
        if (known->second) return known->second;
        continue;
      }
      std::error_code error;
      if (!fs::is_regular_file(candidate, error)) {
        looked_[cache_key] = std::nullopt;
        continue;
      }
      const fs::path real = fs::weakly_canonical(candidate, error);
      const auto same = byPath_.find(error ? candidate : real);
      std::optional<std::size_t> index;
      if (same != byPath_.end()) {
        index = same->second;
      } else {
        index = Read(candidate, error ? candidate : real);
        if (!index) return std::nullopt;
      }
      looked_[cache_key] = index;
      return index;
    }
    return std::nullopt;
  }

  std::optional<std::size_t> Read(const fs::path& path, const fs::path& real) {
    if (lists_.size() >= options_.limits.maxFiles) return Fail(HeaderFault::TooManyFiles, path);
    FileBytes file = ReadHeaderFile(path, options_.limits.maxFileBytes);
    if (file.fault != HeaderFault::None) return Fail(file.fault, path);
    return Add(std::move(file.bytes), path, real);
  }

  std::optional<std::size_t> Add(std::string bytes, const fs::path& path, const fs::path& real) {
    totalBytes_ += bytes.size();
    if (totalBytes_ > options_.limits.maxTotalBytes) return Fail(HeaderFault::TooMuchInput, path);
    if (!MakePreprocessorText(bytes)) return Fail(HeaderFault::Binary, path);
    const std::size_t index = lists_.size();
    const std::string key = KeyOf(index);
    // Made empty first: if reading throws (the work budget), the list is
    // already owned and frees what it holds.
    lists_.push_back(std::make_unique<simplecpp::TokenList>(files_));
    paths_.push_back(path);
    if (NamedWindowsH(path)) result_.readWindowsH = true;
    if (!real.empty()) byPath_[real] = index;
    fileData_[key] = lists_.back().get();
    std::istringstream in(std::move(bytes));
    simplecpp::OutputList ignored;
    lists_.back()->readfile(in, key, &ignored);
    result_.filesRead = lists_.size();
    return index;
  }

  std::nullopt_t Fail(HeaderFault fault, const fs::path& path) {
    result_.fault = fault;
    result_.faultFile = PathText(path);
    return std::nullopt;
  }

  const HeaderImportOptions& options_;
  std::vector<std::string>& files_;
  HeaderImport& result_;
  fs::path mainFolder_;
  std::vector<std::unique_ptr<simplecpp::TokenList>> lists_;
  std::vector<fs::path> paths_;
  std::map<fs::path, std::size_t> byPath_;
  std::map<std::string, simplecpp::TokenList*> fileData_;
  std::map<std::string, std::optional<std::size_t>> looked_;
  std::uint64_t totalBytes_ = 0;
};

// The preprocessed tokens as the text the parser reads: one source line per
// line, tokens apart by one space. Calling conventions and attribute groups
// are taken out (the parser accepts them in fewer places than compilers do),
// and the convention of each top-level statement is kept beside the text.
class TextWriter {
 public:
  explicit TextWriter(std::size_t max_bytes) : maxBytes_(max_bytes) {}

  bool Write(const simplecpp::TokenList& tokens) {
    for (const simplecpp::Token* tok = tokens.cfront(); tok; tok = tok->next) {
      const std::string& s = tok->str();
      if (s == "__extension__") continue;
      if ((s == "__attribute__" || s == "__attribute" || s == "__declspec") && tok->next && tok->next->op == '(') {
        tok = SkipGroup(tok->next);
        if (!tok) break;
        continue;
      }
      if (const auto convention = ConventionOf(kConventionWords, s)) {
        if (parens_ == 0) Note(*convention);
        continue;
      }
      Emit(tok);
      if (text_.size() > maxBytes_) return false;
    }
    return true;
  }

  std::string& Text() { return text_; }
  std::vector<StatementConvention>& Conventions() { return conventions_; }

 private:
  // A convention met before the statement's first token waits for it.
  void Note(CallingConvention convention) {
    if (startsStatement_) {
      if (!pending_) pending_ = convention;
      return;
    }
    if (!conventions_.empty() && conventions_.back().offset == statementStart_) return;
    conventions_.push_back({statementStart_, convention});
  }

  // Past a parenthesised group, noting a calling convention named in it.
  const simplecpp::Token* SkipGroup(const simplecpp::Token* open) {
    int depth = 0;
    for (const simplecpp::Token* tok = open; tok; tok = tok->next) {
      if (tok->op == '(') ++depth;
      if (tok->op == ')' && --depth == 0) return tok;
      if (parens_ == 0) {
        if (auto c = ConventionOf(kConventionWords, tok->str())) Note(*c);
        if (auto c = ConventionOf(kAttributeConventionWords, tok->str())) Note(*c);
      }
    }
    return nullptr;
  }

  void Emit(const simplecpp::Token* tok) {
    const std::string& s = tok->str();
    if (!text_.empty()) {
      const bool new_line = last_ && !last_->location.sameline(tok->location);
      // A '#' must not start a line: the parser would read a directive.
      text_ += new_line && s[0] != '#' ? '\n' : ' ';
    }
    if (startsStatement_) {
      statementStart_ = text_.size();
      startsStatement_ = false;
      if (pending_) conventions_.push_back({statementStart_, *pending_});
      pending_.reset();
    }
    text_ += s;
    last_ = tok;
    if (tok->op == '(') ++parens_;
    if (tok->op == ')' && parens_ > 0) --parens_;
    if (tok->op == '{') ++braces_;
    if (tok->op == '}' && braces_ > 0) {
      if (--braces_ == 0 && parens_ == 0) startsStatement_ = true;
    }
    if (tok->op == ';' && parens_ == 0 && braces_ == 0) startsStatement_ = true;
  }

  std::size_t maxBytes_;
  std::string text_;
  std::vector<StatementConvention> conventions_;
  const simplecpp::Token* last_ = nullptr;
  std::size_t statementStart_ = 0;
  bool startsStatement_ = true;
  std::optional<CallingConvention> pending_;
  int parens_ = 0;
  int braces_ = 0;
};

std::list<std::string> PredefinedMacros(Edition edition) {
  std::list<std::string> macros(kCommonMacros.begin(), kCommonMacros.end());
  if (edition == Edition::X64) {
    macros.insert(macros.end(), kX64Macros.begin(), kX64Macros.end());
  } else {
    macros.insert(macros.end(), kX86Macros.begin(), kX86Macros.end());
  }
  return macros;
}

// Reads the preprocessor's messages: what ends the import, with its words.
void TakeMessages(const simplecpp::OutputList& messages, const HeaderSet& headers, HeaderImport& result) {
  for (const simplecpp::Output& m : messages) {
    HeaderFault fault = HeaderFault::None;
    switch (m.type) {
      case simplecpp::Output::ERROR:
      case simplecpp::Output::SYNTAX_ERROR:
        fault = HeaderFault::PreprocessorError;
        break;
      case simplecpp::Output::INCLUDE_NESTED_TOO_DEEPLY:
        fault = HeaderFault::NestedTooDeeply;
        break;
      default:
        break;
    }
    if (fault == HeaderFault::None) continue;
    result.fault = fault;
    result.faultFile = headers.RealName(m.location.file());
    result.faultDetail = "line " + std::to_string(m.location.line) + ": " + m.msg;
    return;
  }
}

// One run of the preprocessor and the parser. *unknown_types tells whether
// declarations used type names nothing declared.
HeaderImport ImportOnce(std::string bytes, const fs::path& path, const HeaderImportOptions& options,
                        Clock::time_point deadline, bool* unknown_types) {
  HeaderImport result;
  Budget budget{options.limits.maxTokens, deadline};
  std::string text;
  std::vector<StatementConvention> conventions;
  {
    // The preprocessor's names of files; every location refers to it, so it
    // outlives the token lists.
    std::vector<std::string> files;
    HeaderSet headers(options, files, result);
    try {
      ObservedWork observed(budget);
      if (!headers.AddMain(std::move(bytes), path) || !headers.ResolveAll()) return result;
      simplecpp::DUI dui;
      dui.defines = PredefinedMacros(options.edition);
      simplecpp::TokenList output(files);
      simplecpp::OutputList messages;
      simplecpp::preprocess(output, headers.Main(), files, headers.FileData(), dui, &messages);
      TakeMessages(messages, headers, result);
      if (result.fault != HeaderFault::None) return result;
      TextWriter writer(options.limits.maxTextBytes);
      if (!writer.Write(output)) {
        result.fault = HeaderFault::TooMuchWork;
        result.faultFile = PathText(path);
        return result;
      }
      text = std::move(writer.Text());
      conventions = std::move(writer.Conventions());
    } catch (const WorkLimitReached&) {
      result.fault = budget.hit;
      result.faultFile = PathText(path);
      return result;
    }
  }
  // The token lists are gone before the parser starts: only the text is needed.
  const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
  std::optional<DeclarationScan> scan;
  if (left.count() > 0) scan = ScanDeclarations(text, conventions, left);
  if (!scan) {
    result.fault = HeaderFault::TimedOut;
    result.faultFile = PathText(path);
    return result;
  }
  result.functions = std::move(scan->functions);
  *unknown_types = scan->unknownTypeNames > 0;
  return result;
}

// The Windows SDK's headers (winuser.h, fileapi.h, ...) expect <windows.h>
// to be included before them and do not include what they use. A header
// that used type names nothing declared is read again after <windows.h>,
// when that is beside it or on the include path, as a program using it
// would be written.
HeaderImport Import(std::string bytes, const fs::path& path, const HeaderImportOptions& options) {
  const Clock::time_point deadline = Clock::now() + options.limits.maxTime;
  bool unknown_types = false;
  HeaderImport first = ImportOnce(std::move(bytes), path, options, deadline, &unknown_types);
  if (first.fault != HeaderFault::None || !unknown_types || first.readWindowsH) return first;
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  // Beside the header, as in the SDK's own folder, or on the include path.
  bool windows_h = false;
  for (const fs::path& folder : options.includeDirs) {
    std::error_code ignore;
    windows_h = windows_h || fs::is_regular_file(folder / "windows.h", ignore);
  }
  std::error_code ignore;
  windows_h = windows_h || fs::is_regular_file(absolute.parent_path() / "windows.h", ignore);
  const std::u8string generic = absolute.generic_u8string();
  const std::string header(generic.begin(), generic.end());
  if (!windows_h || error || header.find_first_of("\"\n") != std::string::npos) return first;
  const std::string prelude = "#include <windows.h>\n#include \"" + header + "\"\n";
  bool ignored = false;
  const fs::path preludePath = absolute.parent_path() / "windows.h prelude";
  HeaderImport second = ImportOnce(prelude, preludePath, options, deadline, &ignored);
  if (second.fault == HeaderFault::None) return second;
  // A <windows.h> that refuses this compiler (#error) or cannot be read
  // leaves the header's own reading. Out of its bounds, the import is as
  // incomplete as any other that ran out, and says so rather than quietly
  // typing less.
  if (second.fault == HeaderFault::PreprocessorError || second.fault == HeaderFault::Unreadable) return first;
  if (second.faultFile.empty() || second.faultFile == PathText(preludePath)) second.faultFile = PathText(path);
  return second;
}

// The undecorated name of an x86 export: _Name@8 and Name@8 (stdcall),
// @Name@8 (fastcall). Empty when the name carries no such decoration.
std::string_view Undecorated(std::string_view name) {
  const std::size_t at = name.rfind('@');
  if (at == std::string_view::npos || at == 0 || at + 1 >= name.size()) return {};
  for (char c : name.substr(at + 1)) {
    if (c < '0' || c > '9') return {};
  }
  std::string_view base = name.substr(0, at);
  if (base.front() == '_' || base.front() == '@') base.remove_prefix(1);
  return base;
}

}  // namespace

std::string_view DescribeHeaderFault(HeaderFault fault) {
  switch (fault) {
    case HeaderFault::None: return "no fault";
    case HeaderFault::Unreadable: return "cannot be read";
    case HeaderFault::TooLarge: return "is too large for a header";
    case HeaderFault::Binary: return "is not a text file";
    case HeaderFault::TooManyFiles: return "includes too many headers";
    case HeaderFault::TooMuchInput: return "includes too much text";
    case HeaderFault::NestedTooDeeply: return "includes itself without end";
    case HeaderFault::TooMuchWork: return "expands to too much text";
    case HeaderFault::TimedOut: return "took too long to read";
    case HeaderFault::PreprocessorError: return "stops the preprocessor";
  }
  return "";
}

HeaderImport ImportHeader(const std::filesystem::path& header, const HeaderImportOptions& options) {
  FileBytes file = ReadHeaderFile(header, options.limits.maxFileBytes);
  if (file.fault != HeaderFault::None) {
    HeaderImport result;
    result.fault = file.fault;
    result.faultFile = PathText(header);
    return result;
  }
  return Import(std::move(file.bytes), header, options);
}

HeaderImport ImportHeaderText(std::string_view text, const std::filesystem::path& path,
                              const HeaderImportOptions& options) {
  if (text.size() > options.limits.maxFileBytes) {
    HeaderImport result;
    result.fault = HeaderFault::TooLarge;
    result.faultFile = PathText(path);
    return result;
  }
  return Import(std::string(text), path, options);
}

const CFunction* FindDeclaration(const std::vector<CFunction>& functions, std::string_view export_name) {
  const auto find = [&](std::string_view name) -> const CFunction* {
    const auto it = std::lower_bound(functions.begin(), functions.end(), name,
                                     [](const CFunction& f, std::string_view n) { return f.name < n; });
    return it != functions.end() && it->name == name ? &*it : nullptr;
  };
  if (export_name.empty()) return nullptr;
  if (const CFunction* f = find(export_name)) return f;
  const std::string_view plain = Undecorated(export_name);
  return plain.empty() ? nullptr : find(plain);
}

}  // namespace vantorel
