#include "cli/cli.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <system_error>
#include <vector>

#include "analysis/exports.h"
#include "analysis/file_facts.h"
#include "analysis/image_view.h"
#include "analysis/pe_check.h"
#include "analysis/version_info.h"
#include "analysis/version_resource.h"
#include "platform/version.h"
#include "codegen/function_table.h"
#include "codegen/project_file.h"
#include "codegen/source_file.h"
#include "codegen/source_generator.h"
#include "codegen/source_names.h"
#include "platform/code_page.h"
#include "platform/utf8.h"

namespace vantorel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kProgram = "vantorel";

// Libraries are read whole; nothing this tool is meant for comes near this.
constexpr std::uint64_t kMaxLibraryBytes = std::uint64_t{1} << 30;

constexpr std::string_view kMainHelp =
    "Usage: vantorel COMMAND [OPTION]... FILE...\n"
    "Lists the exports of Windows libraries and writes PureBasic loaders for them,\n"
    "reading the libraries as files (they are never loaded or run).\n"
    "\n"
    "Commands:\n"
    "  exports   every export slot: ordinal, RVA, name, forwarder\n"
    "  source    the loader source, as the window's Save Source writes it\n"
    "  project   the project file for a freshly opened library\n"
    "  info      PE check, machine, size, SHA-1 and version strings\n"
    "\n"
    "  vantorel COMMAND --help   describes a command\n"
    "  vantorel --version        prints the version\n"
    "\n"
    "Exit status: 0 success, 1 wrong command line, 2 a file could not be used\n"
    "(the other files are still processed).\n";

constexpr std::string_view kExportsHelp =
    "Usage: vantorel exports [--json] [--codepage N] FILE...\n"
    "Lists every slot of each library's export address table in slot order:\n"
    "ordinal, RVA, name (the last of several names wins; empty for slots without\n"
    "one) and, for a slot that forwards to another library, its target.\n"
    "\n"
    "  --json        JSON: an array per library; with several files, an object\n"
    "                keyed by file name\n"
    "  --codepage N  the ANSI code page of the names (default 1252)\n"
    "  -h, --help    this text\n";

constexpr std::string_view kSourceHelp =
    "Usage: vantorel source [-o OUT | -d DIR] [--project PRJ] [--codepage N] FILE...\n"
    "Writes the PureBasic loader source of each library exactly as the window's\n"
    "Save Source does (UTF-8 with BOM, CR LF), with every export ticked. Names\n"
    "follow PureBasic's rules; the rows renamed or left out for them are told\n"
    "on standard error.\n"
    "\n"
    "  -o, --output OUT   write to OUT (\"-\" or nothing: standard output)\n"
    "  -d, --dir DIR      write DIR/<base>.pbi per library, one line per file\n"
    "  --project PRJ      take the rows (ticks, aliases, Para, comments) from a\n"
    "                     project file; FILE, when given, is where the library is\n"
    "                     now; a moved or changed library is reported as a warning\n"
    "  --codepage N       the ANSI code page of the names (default 1252)\n"
    "  -h, --help         this text\n";

constexpr std::string_view kProjectHelp =
    "Usage: vantorel project [-o OUT] [--codepage N] FILE\n"
    "Writes the project file that Save on the Functions tab writes for the\n"
    "freshly opened library: its full path, SHA-1 and every export, ticked.\n"
    "\n"
    "  -o, --output OUT   write to OUT (\"-\" or nothing: standard output)\n"
    "  --codepage N       the ANSI code page of the names (default 1252)\n"
    "  -h, --help         this text\n";

constexpr std::string_view kInfoHelp =
    "Usage: vantorel info FILE...\n"
    "Tells the PE check's verdict, the machine, the file size, the SHA-1\n"
    "fingerprint and the 13 version strings of each file.\n"
    "\n"
    "  -h, --help   this text\n";

enum class Command { Exports, Source, Project, Info };

struct Options {
  Command command = Command::Exports;
  bool help = false;
  bool json = false;
  unsigned codePage = kWesternCodePage;
  std::optional<std::string> output;   // -o; "-" is standard output
  std::optional<std::string> dir;      // -d
  std::optional<std::string> project;  // --project
  std::vector<std::string> files;
};

// Thrown nowhere: parsing reports its first complaint through this.
struct UsageError {
  std::string message;
};

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

std::string WideVersion() {
  std::string version;
  for (const wchar_t* c = kVantorelVersion; *c; ++c) version += static_cast<char>(*c);
  return version;
}

fs::path PathFromArgument(const std::string& utf8) {
#ifdef _WIN32
  const std::u16string wide = Utf16FromUtf8(utf8);
  return fs::path(std::wstring(wide.begin(), wide.end()));
#else
  return fs::path(utf8);
#endif
}

std::string ArgumentFromPath(const fs::path& path) {
#ifdef _WIN32
  const std::wstring wide = path.wstring();
  return Utf8(std::u16string(wide.begin(), wide.end()));
#else
  return path.string();
#endif
}

// Paths on other systems are bytes; ones that are not UTF-8 still work as
// files and only show U+FFFD where the generated text names them.
std::u16string Utf16Path(const std::string& argument) { return Utf16FromUtf8(argument); }

class Runner {
 public:
  Runner(CliConsole& console, const Options& options) : console_(console), options_(options) {}

  int Run();

 private:
  struct Library {
    std::string argument;  // as given, for messages and names
    std::vector<std::uint8_t> bytes;
    int check = kPeInvalid;
    PeHeaders headers;
    std::vector<ExportEntry> exports;
  };

  void Fail(const std::string& file, std::string_view what) {
    console_.Err(std::string(kProgram) + ": " + file + ": " + std::string(what) + "\n");
    status_ = kExitFileFailed;
  }
  void Warn(std::string_view what) { console_.Err(std::string(kProgram) + ": warning: " + std::string(what) + "\n"); }

  std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& argument);
  std::optional<Library> OpenLibrary(const std::string& argument, bool walkExports);
  bool WriteOutput(const std::string& target, std::string_view bytes, const std::string& forFile);
  bool IsInput(const fs::path& target);

  std::u16string Decode(std::string_view bytes) const { return DecodeCodePage(bytes, options_.codePage); }
  FunctionList FreshRows(const Library& library) const;

  void RunExports();
  void RunSource();
  void RunProject();
  void RunInfo();
  std::string ExportsTable(const Library& library) const;
  std::string ExportsJson(const Library& library) const;

  struct InputStamp {
    fs::path path;
    std::uintmax_t size = 0;
    fs::file_time_type time;
  };

  CliConsole& console_;
  const Options& options_;
  int status_ = kExitSuccess;
  std::vector<InputStamp> inputStamps_;
};

std::optional<std::vector<std::uint8_t>> Runner::ReadFile(const std::string& argument) {
  const fs::path path = PathFromArgument(argument);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) {
    Fail(argument, "cannot be opened: no such file");
    return std::nullopt;
  }
  if (fs::is_directory(status)) {
    Fail(argument, "is a folder, not a file");
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Fail(argument, "cannot be opened for reading");
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0) {
    Fail(argument, "cannot be read");
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(size) > kMaxLibraryBytes) {
    Fail(argument, "is larger than 1 GiB; not a library this tool reads");
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    Fail(argument, "cannot be read");
    return std::nullopt;
  }
  return bytes;
}

std::optional<Runner::Library> Runner::OpenLibrary(const std::string& argument, bool walkExports) {
  auto bytes = ReadFile(argument);
  if (!bytes) return std::nullopt;
  Library library;
  library.argument = argument;
  library.bytes = std::move(*bytes);
  std::string_view reason;
  library.check = ClassifyPeImage(MemoryByteSource(library.bytes), &reason);
  if (library.check == kPeInvalid) {
    Fail(argument, "not a PE file: " + std::string(reason));
    return std::nullopt;
  }
  auto headers = ReadPeHeaders(ByteReader(library.bytes));
  if (!headers) {
    Fail(argument, "damaged: the PE headers are cut off");
    return std::nullopt;
  }
  library.headers = std::move(*headers);
  if (!walkExports) return library;

  auto image = LayOutImage(library.bytes);
  if (!image) {
    Fail(argument, "damaged: the image cannot be laid out (SizeOfImage is 0)");
    return std::nullopt;
  }
  ImageView view(*image);
  MarkNoAccessSections(view, library.headers);
  ExportListing listing = WalkExports(view);
  if (listing.fault != ExportFault::None) {
    Fail(argument, "damaged: " + std::string(DescribeExportFault(listing.fault)));
    return std::nullopt;
  }
  library.exports = std::move(listing.entries);
  return library;
}

// Writes beside the target and renames over it, so a reader never sees half
// a file and a failed run leaves the old one whole.
bool Runner::WriteOutput(const std::string& target, std::string_view bytes, const std::string& forFile) {
  if (target == "-") {
    console_.Out(bytes);
    return true;
  }
  const fs::path path = PathFromArgument(target);
  std::error_code error;
  if (fs::is_directory(path, error)) {
    Fail(forFile, target + " is a folder; nothing written");
    return false;
  }
  if (IsInput(path)) {
    Fail(forFile, target + " is an input of this run; nothing written");
    return false;
  }
  static std::mt19937_64 random{std::random_device{}()};
  fs::path temporary;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = path;
    std::string suffix(1, '.');  // built piecewise: GCC 12 misreads "." + string as overlapping
    suffix += std::to_string(random() % 1000000000);
    suffix += ".tmp";
    candidate += PathFromArgument(suffix);
    if (!fs::exists(candidate, error)) {
      temporary = std::move(candidate);
      break;
    }
  }
  bool written = false;
  if (!temporary.empty()) {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    written = out && out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && out.flush();
    out.close();
    written = written && !out.fail();
    if (written) {
      fs::rename(temporary, path, error);
      written = !error;
    }
    if (!written) fs::remove(temporary, error);
  }
  if (!written) Fail(forFile, "cannot write " + target + "; nothing written, any previous file is unchanged");
  return written;
}

// A slip such as "-o lib.dll" must not replace a library or project read in
// this run. The inputs' sizes and times are taken once, so a batch of many
// files compares each output with the few inputs that could be the same file.
bool Runner::IsInput(const fs::path& target) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(target, error);
  if (error) return false;  // nothing there yet: it cannot be an input
  const fs::file_time_type time = fs::last_write_time(target, error);
  if (inputStamps_.empty()) {
    std::vector<std::string> inputs = options_.files;
    if (options_.project) inputs.push_back(*options_.project);
    for (const std::string& input : inputs) {
      InputStamp stamp{PathFromArgument(input), 0, {}};
      stamp.size = fs::file_size(stamp.path, error);
      if (!error) stamp.time = fs::last_write_time(stamp.path, error);
      if (!error) inputStamps_.push_back(std::move(stamp));
    }
  }
  for (const InputStamp& input : inputStamps_) {
    if (input.size == size && input.time == time && fs::equivalent(target, input.path, error)) return true;
  }
  return false;
}

FunctionList Runner::FreshRows(const Library& library) const {
  FunctionList rows;
  rows.reserve(library.exports.size());
  for (const ExportEntry& e : library.exports) rows.push_back(MakeFunctionEntry(Decode(e.name)));
  return rows;
}

// ---- exports ------------------------------------------------------------------

// A name or version string with a line break or other control character
// must not break the one-line-per-entry layout (or forge lines of its own):
// such bytes show as \xNN. JSON escapes them its own way.
std::string Printable(std::string text) {
  if (std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return text;
  std::string shown;
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b != 0x7F) {
      shown += c;
      continue;
    }
    shown += "\\x";
    shown += kDigits[b >> 4];
    shown += kDigits[b & 0xF];
  }
  return shown;
}

std::size_t DisplayWidth(std::string_view utf8) {
  // Code points, not bytes: continuation bytes take no column.
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void AppendPadded(std::string& out, std::string_view text, std::size_t width, bool right) {
  const std::size_t used = DisplayWidth(text);
  const std::size_t pad = width > used ? width - used : 0;
  if (right) out.append(pad, ' ');
  out += text;
  if (!right) out.append(pad, ' ');
}

std::string Hex32(std::uint32_t value) {
  char buffer[11] = {'0', 'x'};
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = 0; i < 8; ++i) buffer[2 + i] = kDigits[(value >> (28 - 4 * i)) & 0xF];
  return std::string(buffer, 10);
}

std::string Runner::ExportsTable(const Library& library) const {
  const std::size_t count = library.exports.size();
  std::vector<std::string> names(count), targets(count);
  std::size_t nameWidth = 4, ordinalWidth = 7;
  bool anyForwarder = false;
  for (std::size_t i = 0; i < count; ++i) {
    const ExportEntry& e = library.exports[i];
    names[i] = Printable(Utf8(Decode(e.name)));
    nameWidth = std::max(nameWidth, DisplayWidth(names[i]));
    ordinalWidth = std::max(ordinalWidth, std::to_string(e.ordinal).size());
    if (!e.forwarder.empty()) {
      targets[i] = Printable(Utf8(Decode(e.forwarder)));
      anyForwarder = true;
    }
  }
  std::string out;
  out.reserve(count * (nameWidth + ordinalWidth + 16));
  AppendPadded(out, "Ordinal", ordinalWidth, true);
  out += "  RVA         ";
  if (anyForwarder) {
    AppendPadded(out, "Name", nameWidth, false);
    out += "  Forwarded to";
  } else {
    out += "Name";
  }
  out += '\n';
  for (std::size_t i = 0; i < count; ++i) {
    const ExportEntry& e = library.exports[i];
    AppendPadded(out, std::to_string(e.ordinal), ordinalWidth, true);
    out += "  ";
    out += Hex32(e.rva);
    out += "  ";
    if (!targets[i].empty()) {
      AppendPadded(out, names[i], nameWidth, false);
      out += "  ";
      out += targets[i];
    } else {
      out += names[i];
    }
    out += '\n';
  }
  return out;
}

void AppendJsonString(std::string& out, std::string_view utf8) {
  out += '"';
  for (char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      constexpr char kDigits[] = "0123456789abcdef";
      out += "\\u00";
      out += kDigits[b >> 4];
      out += kDigits[b & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string Runner::ExportsJson(const Library& library) const {
  std::string out = "[";
  bool first = true;
  for (const ExportEntry& e : library.exports) {
    out += first ? "\n" : ",\n";
    first = false;
    out += "  {\"ordinal\": " + std::to_string(e.ordinal) + ", \"rva\": " + std::to_string(e.rva) + ", \"name\": ";
    AppendJsonString(out, Utf8(Decode(e.name)));
    out += ", \"forwarder\": ";
    if (e.forwarder.empty()) {
      out += "null";
    } else {
      AppendJsonString(out, Utf8(Decode(e.forwarder)));
    }
    out += '}';
  }
  out += first ? "]" : "\n]";
  return out;
}

void Runner::RunExports() {
  const bool several = options_.files.size() > 1;
  std::string json;
  bool firstJson = true;
  bool firstTable = true;
  for (const std::string& file : options_.files) {
    auto library = OpenLibrary(file, true);
    if (!library) continue;
    if (options_.json) {
      if (!several) {
        console_.Out(ExportsJson(*library) + "\n");
        continue;
      }
      json += firstJson ? "{\n" : ",\n";
      firstJson = false;
      AppendJsonString(json, file);
      json += ": ";
      json += ExportsJson(*library);
      continue;
    }
    std::string out;
    if (several) {
      if (!firstTable) out += '\n';
      out += file + ":\n";
    }
    firstTable = false;
    out += ExportsTable(*library);
    console_.Out(out);
  }
  if (options_.json && several) console_.Out(firstJson ? "{}\n" : json + "\n}\n");
}

// ---- source and project -----------------------------------------------------

std::vector<SourceRow> SourceRows(const FunctionList& rows) {
  std::vector<SourceRow> source;
  source.reserve(rows.size());
  for (const FunctionEntry& e : rows) source.push_back({e.Alias, e.Function, e.Para, e.Comment, e.checked == 1, e.Conv});
  return source;
}

bool IsUsableLibraryFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && fs::file_size(path, error) > 0 && !error;
}

std::u16string FingerprintOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code error;
  if (!in || fs::is_directory(path, error)) return {};
  return FingerprintStream([&in](std::uint8_t* buffer, std::size_t capacity) -> std::int64_t {
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(capacity));
    if (in.bad()) return -1;
    return static_cast<std::int64_t>(in.gcount());
  });
}

void Runner::RunSource() {
  std::set<fs::path> written;  // -d: two libraries of one base name must not overwrite each other
  auto emit = [&](const std::string& file, const std::u16string& libraryPath, const FunctionList& rows) {
    const std::vector<SourceRow> source = SourceRows(rows);
    const LoaderNames names = NameLoaderRows(source, libraryPath);
    // The rows whose source differs from what the table says, told per
    // library; the source is as good as ever, so the status stays.
    if (names.renamed > 0 || names.leftOut > 0) {
      console_.Err(std::string(kProgram) + ": " + file + ": PureBasic's naming rules: " +
                   std::to_string(names.renamed) + (names.renamed == 1 ? " row" : " rows") + " renamed, " +
                   std::to_string(names.leftOut) + " left out\n");
    }
    const std::u16string text = BuildSourceText(source, names, libraryPath);
    if (text.empty()) {
      Fail(file, rows.empty()                              ? "exports nothing; no source written"
                 : names.written == 0 && names.leftOut == 0 ? "no row is ticked; no source written"
                 : names.written == 0 ? "no ticked row has a name a loader can fetch; no source written"
                                      : "its file name cannot stand in a PureBasic string; no source written");
      return;
    }
    const std::string bytes = EncodeSourceText(text);
    if (!options_.dir) {
      WriteOutput(options_.output.value_or("-"), bytes, file);
      return;
    }
    const fs::path target =
        PathFromArgument(*options_.dir) / PathFromArgument(Utf8(SourceBaseName(libraryPath)) + ".pbi");
    const std::string targetText = ArgumentFromPath(target);
    if (!written.insert(target.lexically_normal()).second) {
      Fail(file, targetText + " was already written in this run; not replaced");
      return;
    }
    if (WriteOutput(targetText, bytes, file)) console_.Out(file + " -> " + targetText + "\n");
  };

  if (options_.dir) {
    std::error_code error;
    fs::create_directories(PathFromArgument(*options_.dir), error);
    if (!fs::is_directory(PathFromArgument(*options_.dir), error)) {
      Fail(*options_.dir, "the output folder cannot be made");
      return;
    }
  }

  if (!options_.project) {
    for (const std::string& file : options_.files) {
      if (auto library = OpenLibrary(file, true)) emit(file, Utf16Path(file), FreshRows(*library));
    }
    return;
  }

  const std::string& projectArgument = *options_.project;
  auto bytes = ReadFile(projectArgument);
  if (!bytes) return;
  auto content = ReadProjectText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!content) {
    Fail(projectArgument, "not a project file (too large or too many rows)");
    return;
  }
  // The stored library, or the one named on the command line: the answer the
  // window's "load from other location?" question would get.
  const std::string stored = Utf8(content->dll);
  if (!IsUsableLibraryFile(PathFromArgument(stored))) {
    Warn(stored.empty() ? projectArgument + " names no library"
                        : stored + " was moved or deleted" +
                              (options_.files.empty() ? std::string() : "; using " + options_.files.front()));
  }
  const std::string library = options_.files.empty() ? stored : options_.files.front();
  if (library.empty()) {
    Fail(projectArgument, "names no library; give the library's file after the options");
    return;
  }
  const std::u16string libraryPath = Utf16Path(library);
  if (FingerprintOf(PathFromArgument(library)) != content->sha1)
    Warn(Utf8(SourceFilePart(libraryPath)) + " was changed since the project was saved");
  emit(library, libraryPath, content->rows);
}

void Runner::RunProject() {
  const std::string& file = options_.files.front();
  auto library = OpenLibrary(file, true);
  if (!library) return;
  std::error_code error;
  fs::path absolute = fs::absolute(PathFromArgument(file), error);
  if (error) absolute = PathFromArgument(file);
  Sha1 sha;
  sha.Update(library->bytes);
  const std::string text =
      WriteProjectText(Utf16Path(ArgumentFromPath(absolute.lexically_normal())), DigestToHex(sha.Final()),
                       FreshRows(*library));
  WriteOutput(options_.output.value_or("-"), text, file);
}

// ---- info -----------------------------------------------------------------------

std::string MachineName(std::uint16_t machine) {
  switch (machine) {
    case 0x014C: return "x86";
    case 0x8664: return "x64";
    case 0xAA64: return "ARM64";
    case 0x01C4: return "ARM";
    default: return "other (" + Hex32(machine).substr(6) + ")";
  }
}

void Runner::RunInfo() {
  bool first = true;
  for (const std::string& file : options_.files) {
    auto library = OpenLibrary(file, false);
    if (!library) continue;
    std::string out = first ? "" : "\n";
    first = false;
    auto line = [&out](std::string_view label, std::string_view value) {
      out += label;
      out += ':';
      out.append(label.size() < 17 ? 17 - label.size() : 1, ' ');
      out += value;
      out += '\n';
    };
    line("File", file);
    line("PE check", library->check == kPe32Plus ? "64-bit PE image (PE32+)" : "32-bit PE image (PE32)");
    line("Machine", MachineName(library->headers.machine));
    line("Size", Utf8(FormatFileSize(static_cast<std::int64_t>(library->bytes.size()), 2)));
    Sha1 sha;
    sha.Update(library->bytes);
    line("SHA-1", Utf8(DigestToHex(sha.Final())));
    const FileVersionStrings versions = ReadFileVersionStrings(library->bytes);
    for (std::size_t i = 0; i < kVersionKeyCount; ++i) {
      std::u16string value = TrimSpaces(versions.values[i]);
      if (i == kLanguageIndex && versions.languageId) value = console_.LanguageName(*versions.languageId);
      line(Utf8(VersionKeys[i].key), Printable(Utf8(value)));
    }
    console_.Out(out);
  }
}

int Runner::Run() {
  switch (options_.command) {
    case Command::Exports: RunExports(); break;
    case Command::Source: RunSource(); break;
    case Command::Project: RunProject(); break;
    case Command::Info: RunInfo(); break;
  }
  return status_;
}

// ---- the command line -------------------------------------------------------------

std::optional<Command> ParseCommand(std::string_view word) {
  if (word == "exports") return Command::Exports;
  if (word == "source") return Command::Source;
  if (word == "project") return Command::Project;
  if (word == "info") return Command::Info;
  return std::nullopt;
}

std::string_view HelpOf(Command command) {
  switch (command) {
    case Command::Exports: return kExportsHelp;
    case Command::Source: return kSourceHelp;
    case Command::Project: return kProjectHelp;
    case Command::Info: return kInfoHelp;
  }
  return kMainHelp;
}

std::string_view NameOf(Command command) {
  switch (command) {
    case Command::Exports: return "exports";
    case Command::Source: return "source";
    case Command::Project: return "project";
    case Command::Info: return "info";
  }
  return "";
}

// Options may come before or after the files; "--" ends them.
std::optional<UsageError> ParseOptions(std::span<const std::string> args, Options& options) {
  const Command c = options.command;
  const bool takesCodePage = c != Command::Info;
  const bool takesOutput = c == Command::Source || c == Command::Project;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (arg.starts_with("--")) {
      if (const auto equals = arg.find('='); equals != std::string::npos) {
        name = arg.substr(0, equals);
        value = arg.substr(equals + 1);
      }
    } else if (arg.size() > 2) {  // -oFILE
      name = arg.substr(0, 2);
      value = arg.substr(2);
    }
    auto takeValue = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto needsValue = [&](std::optional<std::string>& slot) -> std::optional<UsageError> {
      auto v = takeValue();
      if (!v) return UsageError{"option " + name + " needs a value"};
      if (slot) return UsageError{"option " + name + " is given twice"};
      slot = std::move(v);
      return std::nullopt;
    };
    std::optional<UsageError> error;
    if (name == "-h" || name == "--help") {
      if (value) return UsageError{"option " + name + " takes no value"};
      options.help = true;
    } else if (name == "--json" && c == Command::Exports) {
      if (value) return UsageError{"option --json takes no value"};
      options.json = true;
    } else if (name == "--codepage" && takesCodePage) {
      auto v = takeValue();
      unsigned number = 0;
      if (!v) return UsageError{"option --codepage needs a value"};
      const auto [end, status] = std::from_chars(v->data(), v->data() + v->size(), number);
      if (status != std::errc() || end != v->data() + v->size() || !IsSupportedCodePage(number)) {
        std::string known;
        for (unsigned page : SupportedCodePages()) known += (known.empty() ? "" : ", ") + std::to_string(page);
        return UsageError{"code page '" + *v + "' is not one of " + known};
      }
      options.codePage = number;
    } else if ((name == "-o" || name == "--output") && takesOutput) {
      error = needsValue(options.output);
    } else if ((name == "-d" || name == "--dir") && c == Command::Source) {
      error = needsValue(options.dir);
    } else if (name == "--project" && c == Command::Source) {
      error = needsValue(options.project);
    } else {
      return UsageError{"unknown option '" + arg + "' for " + std::string(NameOf(c))};
    }
    if (error) return error;
  }
  if (options.help) return std::nullopt;

  const std::size_t files = options.files.size();
  if (c == Command::Source && options.project) {
    if (files > 1) return UsageError{"--project takes at most one library"};
  } else if (files == 0) {
    return UsageError{c == Command::Project ? "no library given" : "no file given"};
  }
  if (c == Command::Project && files > 1) return UsageError{"project takes one library"};
  if (options.output && options.dir) return UsageError{"-o and -d exclude each other"};
  if (c == Command::Source && files > 1 && !options.dir)
    return UsageError{"several libraries need -d DIR (one source file each)"};
  if (options.dir && *options.dir == "-") return UsageError{"-d needs a folder, not '-'"};
  for (const std::string& file : options.files) {
    if (file == "-") return UsageError{"'-' (standard input) is not a library; name the file"};
  }
  return std::nullopt;
}

}  // namespace

int RunCommandLine(std::span<const std::string> args, CliConsole& console) {
  auto usage = [&console](std::string_view message, std::string_view hint) {
    console.Err(std::string(kProgram) + ": " + std::string(message) + "\nTry '" + std::string(hint) +
                " --help'.\n");
    return kExitUsage;
  };
  if (args.empty()) {
    console.Err(kMainHelp);
    return kExitUsage;
  }
  const std::string& first = args.front();
  if (first == "--help" || first == "-h" || first == "help") {
    console.Out(kMainHelp);
    return kExitSuccess;
  }
  if (first == "--version") {
    console.Out(std::string(kProgram) + " " + WideVersion() + "\n");
    return kExitSuccess;
  }
  auto command = ParseCommand(first);
  if (!command) return usage("unknown command '" + first + "'", kProgram);

  Options options;
  options.command = *command;
  if (auto error = ParseOptions(args.subspan(1), options))
    return usage(error->message, std::string(kProgram) + " " + first);
  if (options.help) {
    console.Out(HelpOf(*command));
    return kExitSuccess;
  }
  return Runner(console, options).Run();
}

}  // namespace vantorel
