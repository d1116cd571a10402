#include "app/command_line.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(FirstArgument, TakesOnlyTheFirstAfterTheProgram) {
  EXPECT_EQ(FirstArgument(u"prog.exe"), u"");
  EXPECT_EQ(FirstArgument(u""), u"");
  EXPECT_EQ(FirstArgument(u"prog.exe   "), u"");
  EXPECT_EQ(FirstArgument(u"prog.exe a.dll"), u"a.dll");
  EXPECT_EQ(FirstArgument(u"prog.exe a.dll b.dll"), u"a.dll");
  EXPECT_EQ(FirstArgument(u"prog.exe \t  a.dll\tb"), u"a.dll");
}

TEST(FirstArgument, QuotesGroupBlanksAndAreDropped) {
  EXPECT_EQ(FirstArgument(u"\"C:\\Program Files\\V\\V.exe\" \"C:\\My Libs\\a.dll\" x"), u"C:\\My Libs\\a.dll");
  EXPECT_EQ(FirstArgument(u"\"C:\\Program Files\\V.exe\" C:\\x\\Lib.PRJ"), u"C:\\x\\Lib.PRJ");
  // A trailing backslash before the closing quote is part of the path.
  EXPECT_EQ(FirstArgument(u"p \"C:\\dir\\\" next"), u"C:\\dir\\");
  EXPECT_EQ(FirstArgument(u"p C:\\My\" \"Libs\\a.dll"), u"C:\\My Libs\\a.dll");
  EXPECT_EQ(FirstArgument(u"p \"unterminated path"), u"unterminated path");
  EXPECT_EQ(FirstArgument(u"p \"\""), u"");
}

TEST(PathExtension, LastDotOfTheLastComponent) {
  EXPECT_EQ(PathExtension(u"C:\\x\\Lib.PRJ"), u"PRJ");
  EXPECT_EQ(PathExtension(u"C:\\dir.old\\lib"), u"");
  EXPECT_EQ(PathExtension(u"C:/dir.old/lib"), u"");
  EXPECT_EQ(PathExtension(u"a.b.dll"), u"dll");
  EXPECT_EQ(PathExtension(u"name."), u"");
  EXPECT_EQ(PathExtension(u""), u"");
}

TEST(IsProjectPath, IgnoresCaseAndNeedsExactExtension) {
  EXPECT_TRUE(IsProjectPath(u"C:\\x\\Lib.PRJ"));
  EXPECT_TRUE(IsProjectPath(u"w.Prj"));
  EXPECT_FALSE(IsProjectPath(u"C:\\p.prj\\lib"));
  EXPECT_FALSE(IsProjectPath(u"x.prjx"));
  EXPECT_FALSE(IsProjectPath(u"x.pr"));
  EXPECT_FALSE(IsProjectPath(u"prj"));
}

TEST(QuotedArgument, WrapsInDoubleQuotes) {
  EXPECT_EQ(QuotedArgument(u"C:\\My Libs\\a.dll"), u"\"C:\\My Libs\\a.dll\"");
  EXPECT_EQ(FirstArgument(u"prog " + QuotedArgument(u"C:\\My Libs\\a.dll")), u"C:\\My Libs\\a.dll");
}

}  // namespace
}  // namespace vantorel
