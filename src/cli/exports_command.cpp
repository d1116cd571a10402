// vantorel exports: every slot of each library's export table.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/library_file.h"
#include "cli/output.h"
#include "codegen/row_filter.h"
#include "platform/utf8.h"

namespace vantorel::cli {

namespace {

void AppendDecimal(std::string& out, std::uint32_t value) {
  char digits[10];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

std::size_t DecimalWidth(std::uint32_t value) {
  std::size_t width = 1;
  for (; value >= 10; value /= 10) ++width;
  return width;
}

// Appended to out, which a run reuses for every library. Names are read
// where the walk left them; only those that are not ASCII are decoded.
void AppendExportsTable(std::string& out, const CommandRun& run, const LibraryFile& library) {
  std::string name, target;  // scratch for names that need decoding
  std::size_t nameWidth = 4, ordinalWidth = 7;
  bool anyForwarder = false;
  for (const ExportEntry& e : library.exports) {
    nameWidth = std::max(nameWidth, PrintableWidth(run.DecodeUtf8(e.name, name)));
    ordinalWidth = std::max(ordinalWidth, DecimalWidth(e.ordinal));
    anyForwarder = anyForwarder || !e.forwarder.empty();
  }
  AppendPadded(out, "Ordinal", ordinalWidth, true);
  out += "  RVA         ";
  if (anyForwarder) {
    AppendPadded(out, "Name", nameWidth, false);
    out += "  Forwarded to";
  } else {
    out += "Name";
  }
  out += '\n';
  for (const ExportEntry& e : library.exports) {
    out.append(ordinalWidth - DecimalWidth(e.ordinal), ' ');
    AppendDecimal(out, e.ordinal);
    out += "  ";
    AppendHex32(out, e.rva);
    out += "  ";
    const std::string_view shown = run.DecodeUtf8(e.name, name);
    AppendPrintable(out, shown);
    if (!e.forwarder.empty()) {
      out.append(nameWidth - PrintableWidth(shown), ' ');
      out += "  ";
      AppendPrintable(out, run.DecodeUtf8(e.forwarder, target));
    }
    out += '\n';
  }
}

void AppendExportsJson(std::string& out, const CommandRun& run, const LibraryFile& library) {
  std::string scratch;
  out += '[';
  bool first = true;
  for (const ExportEntry& e : library.exports) {
    out += first ? "\n" : ",\n";
    first = false;
    out += "  {\"ordinal\": ";
    AppendDecimal(out, e.ordinal);
    out += ", \"rva\": ";
    AppendDecimal(out, e.rva);
    out += ", \"name\": ";
    AppendJsonString(out, run.DecodeUtf8(e.name, scratch));
    out += ", \"forwarder\": ";
    if (e.forwarder.empty()) {
      out += "null";
    } else {
      AppendJsonString(out, run.DecodeUtf8(e.forwarder, scratch));
    }
    out += '}';
  }
  out += first ? "]" : "\n]";
}

// Keeps the slots the filter shows, in slot order: a slot is matched as the
// row the window makes of it (name, alias, undecorated name).
void KeepMatchingSlots(const CommandRun& run, LibraryFile& library, const RowFilter& filter) {
  const FunctionRows rows =
      MakeFunctionRows(library.exports, [&run](std::string_view bytes) { return run.Decode(bytes); });
  const RowView view = RowView::Filtered(rows, filter, UndecoratedNames(rows, nullptr));
  std::vector<ExportEntry> kept;
  kept.reserve(view.Shown());
  for (std::int64_t i = 0; i < static_cast<std::int64_t>(view.Shown()); ++i)
    kept.push_back(library.exports[static_cast<std::size_t>(view.RowAt(i))]);
  library.exports = std::move(kept);
}

}  // namespace

RowFilter PatternFilter(const std::vector<std::string>& patterns) {
  std::vector<RowPattern> compiled;
  for (const std::string& p : patterns) compiled.emplace_back(Utf16FromUtf8(p));
  return RowFilter(std::move(compiled));
}

void RunExports(CommandRun& run) {
  const RowFilter filter = PatternFilter(run.options().filters);
  const bool several = run.options().files.size() > 1;
  std::string json;
  std::string out;  // one library's text at a time, its room kept for the next
  bool firstJson = true;
  bool firstTable = true;
  for (const std::string& file : run.options().files) {
    auto library = OpenLibraryFile(run, file, true);
    if (!library) continue;
    if (!filter.ShowsAll()) KeepMatchingSlots(run, *library, filter);
    if (run.options().json) {
      if (!several) {
        out.clear();
        AppendExportsJson(out, run, *library);
        out += '\n';
        run.console().Out(out);
        continue;
      }
      json += firstJson ? "{\n" : ",\n";
      firstJson = false;
      AppendJsonString(json, file);
      json += ": ";
      AppendExportsJson(json, run, *library);
      continue;
    }
    out.clear();
    if (several) {
      if (!firstTable) out += '\n';
      out += file;
      out += ":\n";
    }
    firstTable = false;
    AppendExportsTable(out, run, *library);
    run.console().Out(out);
  }
  if (run.options().json && several) run.console().Out(firstJson ? "{}\n" : json + "\n}\n");
}

}  // namespace vantorel::cli
