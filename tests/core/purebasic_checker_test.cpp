// The checker of PureBasic's naming rules refuses what PureBasic refuses: one
// snippet per rule, each a loader whose one line at fault is known.
#include "purebasic_checker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace purebasic_check {
namespace {

// A loader of one function, with the given lines in place of its own.
std::string Loader(const std::string& prototypes, const std::string& globals, const std::string& procedure,
                   const std::string& fetches) {
  return ";=====\n; banner\n;=====\n\n" + prototypes + "\n" + globals + "\nProcedure.i " + procedure +
         "()\n  Protected hDLL.i\n\n  hDLL = OpenLibrary(#PB_Any, \"x.dll\")\n  If hDLL <> 0\n" + fetches +
         "\n    ProcedureReturn hDLL\n  EndIf\n\n  ProcedureReturn #False\nEndProcedure\n";
}

TEST(PureBasicChecker, RefusesWhatPureBasicRefuses) {
  const Words words = ReadWords(std::string(VANTOREL_SOURCE_DIR) + "/src/platform/purebasic_keywords.txt",
                                std::string(VANTOREL_SOURCE_DIR) + "/src/platform/purebasic_commands.txt");
  ASSERT_EQ(words.keywords.size(), 114u);
  ASSERT_GT(words.commands.size(), 1800u);
  const std::string fetch = "    Fn = GetFunction(hDLL, \"F\")\n";
  struct Case {
    std::string text;
    std::optional<Cause> cause;
  };
  const Case cases[] = {
      {Loader("Prototype Fn(a, b); note\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), std::nullopt},
      {Loader("PrototypeC Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", "    Fn = GetFunction(hDLL, ~\"a\\\"b\\\\c\")\n"),
       std::nullopt},
      {Loader("Prototype.d Fn(hWnd.i, text.p-unicode, b.l); note\n", "Global Fn.Fn\n", "x_LoadDLL", fetch),
       std::nullopt},
      {Loader("Prototype.p-ascii Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::UnknownLine},
      {Loader("Prototype Fn(a.z)\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::UnknownLine},
      {Loader("Prototype Fn(len.l)\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::Command},
      {Loader("Prototype Fn(x.i, X.l)\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::DuplicateIgnoringCase},
      {Loader("Prototype ()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::EmptyName},
      {Loader("Prototype F-1()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::BadCharacter},
      {Loader("Prototype 2F()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::LeadingDigit},
      {Loader("Prototype SELECT()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::Keyword},
      {Loader("Prototype Fn()\n", "Global readfile.Fn\n", "x_LoadDLL", fetch), Cause::Command},
      {Loader("Prototype q()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::TypeLetter},
      {Loader("Prototype Fn()\n", "Global HDLL.Fn\n", "x_LoadDLL", fetch), Cause::ReservedName},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\nGlobal X_LOADDLL.Fn\n", "x_LoadDLL", fetch), Cause::ReservedName},
      {Loader("Prototype " + std::string(129, 'F') + "()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::TooLong},
      {Loader("Prototype Fn()\nPrototype Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", fetch), Cause::Duplicate},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\nGlobal fn.Fn\n", "x_LoadDLL", fetch), Cause::DuplicateIgnoringCase},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\n", "a.b_LoadDLL", fetch), Cause::ProcedureName},
      {Loader("Prototype Fn()\n", "Global Fn.G\n", "x_LoadDLL", fetch), Cause::UndeclaredPrototype},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", "    G = GetFunction(hDLL, \"F\")\n"),
       Cause::UndeclaredGlobal},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", "    Fn = GetFunction(hDLL, \"a\"b\")\n"),
       Cause::BadLiteral},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", "    Fn = GetFunction(hDLL, ~\"a\\qb\")\n"),
       Cause::BadLiteral},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", "    Fn = GetFunction(hDLL, \"a\tb\")\n"),
       Cause::BadLiteral},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\n", "x_LoadDLL", "    Fn = GetFunction(hDLL, \"" + std::string(8193, 'n') + "\")\n"),
       Cause::LongLiteral},
      {Loader("Prototype Fn()\n", "Global Fn.Fn\nFn()\n", "x_LoadDLL", fetch), Cause::UnknownLine},
  };
  for (const Case& c : cases) {
    const std::vector<Problem> problems = CheckLoaderSource(c.text, words);
    if (!c.cause) {
      EXPECT_TRUE(problems.empty()) << c.text;
      continue;
    }
    ASSERT_FALSE(problems.empty()) << c.text;
    EXPECT_EQ(CauseName(problems.front().cause), CauseName(*c.cause)) << c.text;
  }
  // Byte order mark and CR LF, as files are written.
  EXPECT_TRUE(CheckLoaderSource("\xEF\xBB\xBF; x\r\nPrototype Fn()\r\nGlobal Fn.Fn\r\n", words).empty());
}

}  // namespace
}  // namespace purebasic_check
