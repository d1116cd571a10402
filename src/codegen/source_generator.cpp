#include "codegen/source_generator.h"

#include <algorithm>

#include "codegen/function_table.h"
#include "codegen/source_names.h"

namespace vantorel {

namespace {

// ";" and 74 "=": the rule above and below the banner's credit.
constexpr std::u16string_view kRule = u";==========================================================================\n";
constexpr std::u16string_view kCredit =
    u"; Generated with Vantorel - a tool by the Vantorel developers, 2026\n";

// The digit's value in the given base, or -1 when it is none.
int DigitValue(char16_t c, int base) {
  int value = -1;
  if (c >= u'0' && c <= u'9') value = c - u'0';
  else if (c >= u'a' && c <= u'f') value = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
  return value < base ? value : -1;
}

// "a, b, c" for 3; empty for 0.
void AppendParameterList(std::u16string& out, int count) {
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += u", ";
    out.push_back(static_cast<char16_t>(u'a' + i));
  }
}

// Typed prototypes are made of ASCII names and suffixes only.
void AppendAscii(std::u16string& out, std::string_view ascii) { out.append(ascii.begin(), ascii.end()); }

}  // namespace

int ReadParameterCount(std::u16string_view para) {
  std::size_t i = 0;
  while (i < para.size() && (para[i] == u' ' || para[i] == u'\t')) ++i;
  bool negative = false;
  if (i < para.size() && (para[i] == u'+' || para[i] == u'-')) {
    negative = para[i] == u'-';
    ++i;
  }
  int base = 10;
  if (i < para.size() && para[i] == u'$') {
    base = 16;
    ++i;
  } else if (i < para.size() && para[i] == u'%') {
    base = 2;
    ++i;
  }
  // Project files may hold any digit string; the value only matters up to
  // the cap, so it saturates just above it instead of overflowing.
  constexpr int kSaturated = kMaxSourceParameters + 1;
  int value = 0;
  for (; i < para.size(); ++i) {
    const int digit = DigitValue(para[i], base);
    if (digit < 0) break;
    value = std::min(value * base + digit, kSaturated);
  }
  if (negative) return 0;  // a negative count declares no parameters
  return std::min(value, kMaxSourceParameters);
}

std::u16string_view SourceFilePart(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string_view SourceBaseName(std::u16string_view path) {
  const std::u16string_view file = SourceFilePart(path);
  return file.substr(0, std::min(file.rfind(u'.'), file.size()));
}

std::u16string BuildSourceText(std::span<const FunctionRow> rows, std::u16string_view libraryPath,
                               Edition edition, const TypedPrototypes* typed) {
  return BuildSourceText(rows, NameLoaderRows(rows, libraryPath), libraryPath, edition, typed);
}

std::u16string BuildSourceText(std::span<const FunctionRow> rows, const LoaderNames& names,
                               std::u16string_view libraryPath, Edition edition, const TypedPrototypes* typed) {
  if (names.written == 0 || names.rows.size() != rows.size()) return {};
  const std::u16string_view file = SourceFilePart(libraryPath);
  // On Windows no file name holds a control character; elsewhere one could,
  // and no literal can name that file.
  if (!FitsPureBasicLiteral(file)) return {};
  std::size_t valueLength = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (names.rows[i].written)
      valueLength += 4 * LoaderName(names.rows[i], rows[i]).size() + rows[i].exportName.size() + rows[i].comment.size();
  }

  std::u16string text;
  // Fixed pieces of the three per-row lines plus the longest parameter list.
  text.reserve(512 + 2 * file.size() + valueLength + names.written * (17 + 10 + 30 + 76));

  text += kRule;
  text += kCredit;
  text += kRule;
  text += u'\n';

  // Rows not written (unticked or left out) are in no block.
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!names.rows[i].written) continue;
    const FunctionRow& row = rows[i];
    const TypedPrototype* prototype = typed ? TypedPrototypeOf(*typed, row.exportName, row.parameters) : nullptr;
    text += IsCdeclRow(row.convention, edition) ? u"PrototypeC" : u"Prototype";
    if (prototype) AppendAscii(text, PbTypeSuffix(prototype->result));
    text += u' ';
    text += LoaderName(names.rows[i], row);
    text += u'(';
    if (prototype) {
      AppendAscii(text, TypedParameterList(*prototype));
    } else {
      AppendParameterList(text, ReadParameterCount(row.parameters));
    }
    text += u')';
    if (!row.comment.empty()) {
      text += u"; ";
      text += row.comment;
    }
    text += u'\n';
  }
  text += u'\n';

  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!names.rows[i].written) continue;
    const std::u16string_view name = LoaderName(names.rows[i], rows[i]);
    text += u"Global ";
    text += name;
    text += u'.';
    text += name;
    text += u'\n';
  }
  text += u'\n';

  text += u"Procedure.i ";
  text += names.procedure;
  text += u"()\n";
  text += u"  Protected hDLL.i\n";
  text += u'\n';
  text += u"  hDLL = OpenLibrary(#PB_Any, ";
  AppendPureBasicLiteral(text, file);
  text += u")\n";
  text += u"  If hDLL <> 0\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!names.rows[i].written) continue;
    text += u"    ";
    text += LoaderName(names.rows[i], rows[i]);
    text += u" = GetFunction(hDLL, ";
    AppendPureBasicLiteral(text, rows[i].exportName);
    text += u")\n";
  }
  text += u'\n';
  text += u"    ProcedureReturn hDLL\n";
  text += u"  EndIf\n";
  text += u'\n';
  text += u"  ProcedureReturn #False\n";
  text += u"EndProcedure\n";
  return text;
}

}  // namespace vantorel
