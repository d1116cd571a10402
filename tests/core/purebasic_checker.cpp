#include "purebasic_checker.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>

namespace purebasic_check {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool IsNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::set<std::string> ReadList(const std::string& file) {
  std::set<std::string> words;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); }),
               line.end());
    if (!line.empty()) words.insert(Lower(line));
  }
  return words;
}

class Checker {
 public:
  explicit Checker(const Words& words) : words_(words) {}

  void Line(std::size_t number, std::string_view line) {
    number_ = number;
    if (line.empty() || line.starts_with(";")) return;
    if (Fixed(line)) return;
    if (Take(line, "PrototypeC") || Take(line, "Prototype")) return PrototypeLine(line);
    if (Take(line, "Global ")) return GlobalLine(line);
    if (Take(line, "Procedure.i ")) return ProcedureLine(line);
    if (Take(line, "  hDLL = OpenLibrary(#PB_Any, ")) {
      if (!line.ends_with(")")) return Report(Cause::UnknownLine, line);
      return Literal(line.substr(0, line.size() - 1));
    }
    constexpr std::string_view kFetch = " = GetFunction(hDLL, ";
    if (Take(line, "    ")) {
      const std::size_t call = line.find(kFetch);
      if (call != std::string_view::npos && line.ends_with(")")) {
        const std::size_t literal = call + kFetch.size();
        return FetchLine(line.substr(0, call), line.substr(literal, line.size() - 1 - literal));
      }
    }
    Report(Cause::UnknownLine, line);
  }

  std::vector<Problem> Problems() && { return std::move(problems_); }

 private:
  static bool Take(std::string_view& line, std::string_view prefix) {
    if (!line.starts_with(prefix)) return false;
    line.remove_prefix(prefix.size());
    return true;
  }

  static bool Fixed(std::string_view line) {
    for (std::string_view fixed : {"  Protected hDLL.i", "  If hDLL <> 0", "    ProcedureReturn hDLL", "  EndIf",
                                   "  ProcedureReturn #False", "EndProcedure"}) {
      if (line == fixed) return true;
    }
    return false;
  }

  void Report(Cause cause, std::string_view text) { problems_.push_back({cause, number_, std::string(text)}); }

  // The rules of any name; false when one is broken (reported).
  bool Name(std::string_view name, bool prototype) {
    const auto cause = NameRuleBroken(name, prototype);
    if (cause) Report(*cause, name);
    return !cause;
  }

  std::optional<Cause> NameRuleBroken(std::string_view name, bool prototype) const {
    if (name.empty()) return Cause::EmptyName;
    if (!std::all_of(name.begin(), name.end(), IsNameCharacter)) return Cause::BadCharacter;
    if (std::isdigit(static_cast<unsigned char>(name[0]))) return Cause::LeadingDigit;
    if (name.size() > 128) return Cause::TooLong;
    const std::string lower = Lower(name);
    if (words_.keywords.contains(lower)) return Cause::Keyword;
    if (words_.commands.contains(lower)) return Cause::Command;
    if (prototype && lower.size() == 1 && std::string_view("abcdfilqsuw").find(lower[0]) != std::string_view::npos)
      return Cause::TypeLetter;
    if (lower == "hdll") return Cause::ReservedName;
    return std::nullopt;
  }

  // Declares a name once: the same spelling twice, or one that differs only
  // in case, is refused.
  void Declare(std::map<std::string, std::string>& declared, std::string_view name) {
    if (name.empty()) return;  // told as an empty name already
    const auto [at, fresh] = declared.emplace(Lower(name), std::string(name));
    if (!fresh) Report(at->second == name ? Cause::Duplicate : Cause::DuplicateIgnoringCase, name);
  }

  // A native type or a pseudo-type for strings passed to the function.
  static bool KnownType(std::string_view type, bool parameter) {
    for (std::string_view known : {"b", "a", "c", "w", "u", "l", "q", "f", "d", "i", "s"}) {
      if (type == known) return true;
    }
    for (std::string_view pseudo : {"p-ascii", "p-unicode", "p-utf8", "p-bstr", "p-variant"}) {
      if (parameter && type == pseudo) return true;
    }
    return false;
  }

  // After the keyword: " Name(...)" or, with a result type, ".l Name(...)".
  void PrototypeLine(std::string_view line) {
    if (Take(line, ".")) {
      const std::size_t blank = line.find(' ');
      if (blank == std::string_view::npos || !KnownType(line.substr(0, blank), false)) return Report(Cause::UnknownLine, line);
      line.remove_prefix(blank);
    }
    if (!Take(line, " ")) return Report(Cause::UnknownLine, line);
    const std::size_t open = line.find('(');
    const std::size_t close = line.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
      return Report(Cause::UnknownLine, line);
    const std::string_view rest = line.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(";")) return Report(Cause::UnknownLine, line);
    const std::string_view name = line.substr(0, open);
    // Parameters: names, apart from the native type rule, each once, and
    // each with a known type when it has one.
    std::string_view parameters = line.substr(open + 1, close - open - 1);
    std::map<std::string, std::string> declared;
    while (!parameters.empty()) {
      const std::size_t comma = parameters.find(", ");
      std::string_view parameter = parameters.substr(0, comma);
      if (const std::size_t dot = parameter.find('.'); dot != std::string_view::npos) {
        if (!KnownType(parameter.substr(dot + 1), true)) Report(Cause::UnknownLine, parameter);
        parameter = parameter.substr(0, dot);
      }
      if (Name(parameter, false)) Declare(declared, parameter);
      parameters = comma == std::string_view::npos ? std::string_view() : parameters.substr(comma + 2);
    }
    Name(name, true);
    Declare(prototypes_, name);
  }

  void GlobalLine(std::string_view line) {
    const std::size_t dot = line.find('.');
    if (dot == std::string_view::npos) return Report(Cause::UnknownLine, line);
    const std::string_view name = line.substr(0, dot), type = line.substr(dot + 1);
    Name(name, false);
    Declare(globals_, name);
    if (!prototypes_.contains(Lower(type))) Report(Cause::UndeclaredPrototype, type);
  }

  void ProcedureLine(std::string_view line) {
    if (!line.ends_with("()")) return Report(Cause::UnknownLine, line);
    const std::string_view name = line.substr(0, line.size() - 2);
    const std::size_t before = problems_.size();
    Name(name, false);
    // Whatever rule the procedure's name breaks, it is the procedure's.
    for (std::size_t i = before; i < problems_.size(); ++i) problems_[i].cause = Cause::ProcedureName;
    const std::string lower = Lower(name);
    if (prototypes_.contains(lower) || globals_.contains(lower)) Report(Cause::ReservedName, name);
  }

  void FetchLine(std::string_view name, std::string_view literal) {
    if (!globals_.contains(Lower(name))) Report(Cause::UndeclaredGlobal, name);
    Literal(literal);
  }

  // "text" holds no quote; ~"text" knows \" and \\ and PureBasic's other
  // escapes. Neither holds a control character or more than 8192
  // characters between its quotes.
  void Literal(std::string_view literal) {
    const bool escaped = Take(literal, "~");
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') return Report(Cause::BadLiteral, literal);
    const std::string_view content = literal.substr(1, literal.size() - 2);
    std::size_t characters = 0;  // as written between the quotes
    for (std::size_t i = 0; i < content.size(); ++i) {
      const auto c = static_cast<unsigned char>(content[i]);
      if ((c & 0xC0) != 0x80) ++characters;  // UTF-8: lead bytes count
      if (c < 0x20 || c == '"') return Report(Cause::BadLiteral, literal);
      if (!escaped || c != '\\') continue;
      if (i + 1 == content.size() || std::string_view("\\\"abfnrtv").find(content[i + 1]) == std::string_view::npos)
        return Report(Cause::BadLiteral, literal);
      ++i;
      ++characters;
    }
    if (characters > 8192) Report(Cause::LongLiteral, literal.substr(0, 40));
  }

  const Words& words_;
  std::size_t number_ = 0;
  std::map<std::string, std::string> prototypes_, globals_;  // lower case -> as declared
  std::vector<Problem> problems_;
};

}  // namespace

std::string_view CauseName(Cause cause) {
  switch (cause) {
    case Cause::UnknownLine: return "unknown line";
    case Cause::EmptyName: return "empty name";
    case Cause::BadCharacter: return "character not in a name";
    case Cause::LeadingDigit: return "starts with a digit";
    case Cause::Keyword: return "keyword";
    case Cause::Command: return "command";
    case Cause::TypeLetter: return "native type letter";
    case Cause::ReservedName: return "hDLL or the procedure";
    case Cause::TooLong: return "over 128 characters";
    case Cause::Duplicate: return "declared twice";
    case Cause::DuplicateIgnoringCase: return "differs only in case";
    case Cause::ProcedureName: return "procedure name";
    case Cause::UndeclaredPrototype: return "undeclared Prototype";
    case Cause::UndeclaredGlobal: return "undeclared Global";
    case Cause::BadLiteral: return "bad literal";
    case Cause::LongLiteral: return "literal over 8192 characters";
  }
  return "?";
}

Words ReadWords(const std::string& keywordsFile, const std::string& commandsFile) {
  return {ReadList(keywordsFile), ReadList(commandsFile)};
}

std::vector<Problem> CheckLoaderSource(std::string_view text, const Words& words) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Checker checker(words);
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (line.ends_with('\r')) line.remove_suffix(1);
    checker.Line(++number, line);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
  }
  return std::move(checker).Problems();
}

}  // namespace purebasic_check
