#include "cli/output.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <system_error>

namespace vantorel::cli {

namespace fs = std::filesystem;

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

}  // namespace

std::string Printable(std::string text) {
  if (std::none_of(text.begin(), text.end(), IsControl)) return text;
  std::string shown;
  AppendPrintable(shown, text);
  return shown;
}

void AppendPrintable(std::string& out, std::string_view text) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  while (!text.empty()) {
    const std::size_t plain = static_cast<std::size_t>(std::find_if(text.begin(), text.end(), IsControl) - text.begin());
    out += text.substr(0, plain);
    if (plain == text.size()) return;
    const auto b = static_cast<unsigned char>(text[plain]);
    out += "\\x";
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
    text.remove_prefix(plain + 1);
  }
}

std::size_t PrintableWidth(std::string_view utf8) {
  // A control byte shows as four characters.
  return DisplayWidth(utf8) + 3 * static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), IsControl));
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

void AppendHex32(std::string& out, std::uint32_t value) {
  char buffer[10] = {'0', 'x'};
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = 0; i < 8; ++i) buffer[2 + i] = kDigits[(value >> (28 - 4 * i)) & 0xF];
  out.append(buffer, sizeof buffer);
}

std::string Hex32(std::uint32_t value) {
  std::string text;
  AppendHex32(text, value);
  return text;
}

void AppendJsonString(std::string& out, std::string_view utf8) {
  constexpr char kDigits[] = "0123456789abcdef";
  out += '"';
  while (!utf8.empty()) {
    const std::size_t plain = static_cast<std::size_t>(std::find_if(utf8.begin(), utf8.end(), [](char c) {
                                                          return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
                                                        }) -
                                                        utf8.begin());
    out += utf8.substr(0, plain);
    if (plain == utf8.size()) break;
    const char c = utf8[plain];
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else {
      out += "\\u00";
      out += kDigits[b >> 4];
      out += kDigits[b & 0xF];
    }
    utf8.remove_prefix(plain + 1);
  }
  out += '"';
}

// Writes beside the target and renames over it, so a reader never sees half
// a file and a failed run leaves the old one whole.
bool FileWriter::Write(const std::string& target, std::string_view bytes, const std::string& forFile) {
  if (target == "-") {
    run_.console().Out(bytes);
    return true;
  }
  const fs::path path = PathFromArgument(target);
  std::error_code error;
  if (fs::is_directory(path, error)) {
    run_.Fail(forFile, target + " is a folder; nothing written");
    return false;
  }
  if (IsInput(path)) {
    run_.Fail(forFile, target + " is an input of this run; nothing written");
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
  if (!written) run_.Fail(forFile, "cannot write " + target + "; nothing written, any previous file is unchanged");
  return written;
}

// A slip such as "-o lib.dll" must not replace a library or project read in
// this run. The inputs' sizes and times are taken once, so a batch of many
// files compares each output with the few inputs that could be the same file.
bool FileWriter::IsInput(const fs::path& target) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(target, error);
  if (error) return false;  // nothing there yet: it cannot be an input
  const fs::file_time_type time = fs::last_write_time(target, error);
  if (inputStamps_.empty()) {
    std::vector<std::string> inputs = run_.options().files;
    if (run_.options().project) inputs.push_back(*run_.options().project);
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

}  // namespace vantorel::cli
