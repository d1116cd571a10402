#include "analysis/export_tip.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "analysis/msvc_decoration.h"
#include "analysis/stack_decoration.h"

namespace vantorel {

namespace {

constexpr std::string_view kNoNameTitle = "(no name)";
constexpr std::string_view kOrdinalOnly = "no name: exported by ordinal only";
constexpr std::string_view kEmptySlot = "empty slot: no address";
constexpr std::string_view kForwardedTo = "forwarded to ";
constexpr std::string_view kLineBreak = "\r\n";
constexpr char kTitleSeparator = '\x07';
// The demangler recurses over the name; real exports are far shorter, and a
// hostile one is not worth the stack.
constexpr std::size_t kMaxItaniumNameLength = 1024;
// Each back-reference (S_, S0_, T_, ...) copies an earlier type into the
// text, so a name of 150 characters can demangle to megabytes (two
// references per doubling). libstdc++'s own 5,794 C++ exports use at most 7.
constexpr int kMaxItaniumBackReferences = 16;
// Stack sizes beyond this are not a parameter list anyone declares.
constexpr std::uint64_t kMaxStackBytes = 4096;

bool IsItanium(std::string_view name) { return name.size() > 2 && name.substr(0, 2) == "_Z"; }

// "_Z...@8" (32-bit MinGW adds the stdcall size to the mangled name) gives
// "_Z...".
std::string_view ItaniumStem(std::string_view name) {
  const auto suffix = ReadStackSuffix(name);
  return suffix ? suffix->stem : name;
}

// Counts S<id>_ and T<id>_ (an identifier that happens to hold such text
// counts too: the cap errs towards not demangling).
int BackReferences(std::string_view name) {
  int count = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != 'S' && name[i] != 'T') continue;
    std::size_t j = i + 1;
    while (j < name.size() && ((name[j] >= '0' && name[j] <= '9') || (name[j] >= 'A' && name[j] <= 'Z'))) ++j;
    if (j < name.size() && name[j] == '_') ++count;
  }
  return count;
}

// Removes one trailing qualifier the demangler puts after a parameter list.
bool StripQualifier(std::string_view& text, bool& member) {
  for (std::string_view q : {" const", " volatile", " &&", " &", " restrict", " noexcept"}) {
    if (text.size() >= q.size() && text.substr(text.size() - q.size()) == q) {
      text.remove_suffix(q.size());
      if (q != " noexcept") member = true;
      return true;
    }
  }
  return false;
}

// The '(' matching the ')' that ends text; parentheses between are balanced
// (function pointer parameters).
std::optional<std::size_t> OpeningParenthesis(std::string_view text) {
  std::size_t depth = 0;
  for (std::size_t i = text.size(); i-- > 0;) {
    if (text[i] == ')') ++depth;
    if (text[i] == '(' && --depth == 0) return i;
  }
  return std::nullopt;
}

std::string Hex(std::uint32_t value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", width, value);
  return buffer;
}

// Names, forwarders and undecorated text come from the file: a control
// character in them would break lines, or end the title early (the
// character 7), so each becomes '?'. The text is cut to a readable length.
std::string Clean(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  if (text.size() > kMaxSignatureLength) {
    text.resize(kMaxSignatureLength - 3);
    text += "...";
  }
  return text;
}

std::string DescribeCount(const ParameterCount& count) {
  std::string text = "parameters: ";
  if (count.variadic) text += "at least ";
  text += std::to_string(count.count);
  if (count.hasThis) text += " + this";
  return text;
}

}  // namespace

std::string DemangleItanium(std::string_view name) {
  if (!IsItanium(name)) return {};
  const std::string stem(ItaniumStem(name));
  if (stem.size() > kMaxItaniumNameLength || BackReferences(stem) > kMaxItaniumBackReferences) return {};
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> text(
      abi::__cxa_demangle(stem.c_str(), nullptr, nullptr, &status), std::free);
  if (status != 0 || !text) return {};
  return text.get();
}

std::optional<ParameterCount> CountDemangledParameters(std::string_view signature) {
  ParameterCount result;
  while (StripQualifier(signature, result.hasThis)) {
  }
  // A template function's return type is printed around its name: in
  // "int (*Pick<int>(int))(char)" the last list belongs to the returned
  // pointer, and the function's own list is the last one inside the group
  // before it. Each step goes strictly inwards, so this ends.
  std::size_t open = 0;
  for (;;) {
    if (signature.empty() || signature.back() != ')') return std::nullopt;
    const auto found = OpeningParenthesis(signature);
    if (!found || *found == 0) return std::nullopt;
    open = *found;
    const std::string_view before = signature.substr(0, open);
    if (before.back() != ')' || before.ends_with("operator()")) break;
    const auto inner = OpeningParenthesis(before);
    if (!inner) return std::nullopt;
    signature = before.substr(*inner + 1, before.size() - *inner - 2);
  }
  const std::string_view list = signature.substr(open + 1, signature.size() - open - 2);
  if (list.empty()) return result;
  // Commas at the list's own level separate parameters; those inside
  // template arguments, nested lists and array bounds do not.
  int nesting = 0;
  int count = 1;
  for (char c : list) {
    if (c == '(' || c == '<' || c == '[') ++nesting;
    if ((c == ')' || c == '>' || c == ']') && nesting > 0) --nesting;
    if (c == ',' && nesting == 0) ++count;
  }
  const std::size_t last = list.rfind(", ");
  const std::string_view tail = last == std::string_view::npos ? list : list.substr(last + 2);
  if (tail == "...") {
    result.variadic = true;
    --count;
  }
  result.count = count;
  return result;
}

std::optional<ParameterCount> ParameterCountOf(std::string_view name, bool pe32) {
  if (name.empty()) return std::nullopt;
  if (name.front() == '?') {
    const auto msvc = ReadMsvcParameters(name);
    if (!msvc) return std::nullopt;
    return ParameterCount{msvc->count, msvc->variadic, msvc->hasThis};
  }
  if (IsItanium(name)) {
    const std::string signature = DemangleItanium(name);
    if (signature.empty()) return std::nullopt;
    return CountDemangledParameters(signature);
  }
  if (!pe32) return std::nullopt;
  // _Name@N and Name@N (stdcall), @Name@N (fastcall): N bytes of arguments
  // in 4-byte slots. Any other '@' makes it some other decoration.
  const auto suffix = ReadStackSuffix(name);
  if (!suffix || suffix->bytes % 4 != 0 || suffix->bytes > kMaxStackBytes) return std::nullopt;
  std::string_view stem = suffix->stem;
  if (!stem.empty() && stem.front() == '@') stem.remove_prefix(1);
  if (stem.empty() || stem.find('@') != std::string_view::npos) return std::nullopt;
  return ParameterCount{static_cast<int>(suffix->bytes / 4), false, false};
}

ExportTip MakeExportTip(const ExportFacts& facts, MsvcUndecorator undecorateMsvc) {
  ExportTip tip;
  tip.title = facts.name.empty() ? std::string(kNoNameTitle) : Clean(std::string(facts.name));

  std::string signature;
  if (!facts.name.empty() && facts.name.front() == '?' && undecorateMsvc &&
      facts.name.size() <= kMaxDecoratedNameLength)
    signature = undecorateMsvc(facts.name);
  else if (IsItanium(facts.name))
    signature = DemangleItanium(facts.name);
  // An undecorator that gives the name back has not undecorated it.
  if (!signature.empty() && signature != facts.name) tip.lines.push_back(Clean(std::move(signature)));

  if (facts.ordinal) {
    tip.lines.push_back("ordinal: " + Hex(*facts.ordinal, 4));
    if (facts.rva != 0)
      tip.lines.push_back("RVA: " + Hex(facts.rva, 8));
    else
      tip.lines.emplace_back(kEmptySlot);
  }
  if (!facts.forwarder.empty()) tip.lines.push_back(std::string(kForwardedTo) + Clean(std::string(facts.forwarder)));
  if (facts.ordinal && facts.name.empty() && facts.rva != 0) tip.lines.emplace_back(kOrdinalOnly);
  if (const auto count = ParameterCountOf(facts.name, facts.pe32)) tip.lines.push_back(DescribeCount(*count));
  return tip;
}

std::string FormatTitledTip(const ExportTip& tip) {
  std::string text = tip.title;
  text += kTitleSeparator;
  for (std::size_t i = 0; i < tip.lines.size(); ++i) {
    if (i > 0) text += kLineBreak;
    text += tip.lines[i];
  }
  return text;
}

}  // namespace vantorel
