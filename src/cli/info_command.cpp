// vantorel info: the PE check's verdict and the facts of each file.
#include <cstdint>
#include <string>

#include "analysis/file_facts.h"
#include "analysis/version_resource.h"
#include "cli/commands.h"
#include "cli/library_file.h"
#include "cli/output.h"

namespace vantorel::cli {

namespace {

std::string MachineName(std::uint16_t machine) {
  switch (machine) {
    case kMachineI386: return "x86";
    case kMachineAmd64: return "x64";
    case 0xAA64: return "ARM64";
    case 0x01C4: return "ARM";
    default: return "other (" + Hex32(machine).substr(6) + ")";
  }
}

}  // namespace

void RunInfo(CommandRun& run) {
  bool first = true;
  for (const std::string& file : run.options().files) {
    auto library = OpenLibraryFile(run, file, false);
    if (!library) continue;
    const std::u16string sha1 = FingerprintOf(*library);
    const FileVersionStrings versions = ReadFileVersionStrings(*library->reader, library->headers);
    if (sha1.empty() || library->reader->failed()) {
      run.Fail(file, "cannot be read");
      continue;
    }
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
    line("Size", Utf8(FormatFileSize(static_cast<std::int64_t>(library->size()), 2)));
    line("SHA-1", Utf8(sha1));
    for (std::size_t i = 0; i < kVersionKeyCount; ++i) {
      std::u16string value = TrimSpaces(versions.values[i]);
      if (i == kLanguageIndex && versions.languageId) value = run.console().LanguageName(*versions.languageId);
      line(Utf8(VersionKeys[i].key), Printable(Utf8(value)));
    }
    run.console().Out(out);
  }
}

}  // namespace vantorel::cli
