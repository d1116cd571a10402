// A checker of PureBasic's naming rules over a generated loader source,
// typed Prototypes included (a result type, parameters "name.type" of a
// native type or a string pseudo-type, each name once),
// written from the language's reference rather than from the generator: a
// name is A-Z, a-z, 0-9 and "_", does not start with a digit, is no keyword,
// no command, no native type letter as a Prototype, at most 128 characters
// and declared once (case ignored); every Global is of a declared Prototype,
// every GetFunction fills a declared Global; a literal holds no control
// character, no bare quote and at most 8192 characters. Every line must be
// one the loader is made of.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace purebasic_check {

enum class Cause {
  UnknownLine,
  EmptyName,
  BadCharacter,
  LeadingDigit,
  Keyword,
  Command,
  TypeLetter,
  ReservedName,  // hDLL, or a Global or Prototype named like the procedure
  TooLong,
  Duplicate,               // the same name declared twice
  DuplicateIgnoringCase,   // two names that differ only in case
  ProcedureName,           // the procedure's own name breaks a rule
  UndeclaredPrototype,
  UndeclaredGlobal,
  BadLiteral,
  LongLiteral,
};

std::string_view CauseName(Cause cause);

struct Problem {
  Cause cause;
  std::size_t line;  // 1-based
  std::string text;  // the name or literal at fault
};

// Keywords and command names, lower case.
struct Words {
  std::set<std::string> keywords, commands;
};

// The word lists, one name a line. Empty sets when a file cannot be read.
Words ReadWords(const std::string& keywordsFile, const std::string& commandsFile);

// Every rule the text breaks. The text is UTF-8 or plain ASCII, with or
// without byte order mark, with LF or CR LF line ends.
std::vector<Problem> CheckLoaderSource(std::string_view text, const Words& words);

}  // namespace purebasic_check
