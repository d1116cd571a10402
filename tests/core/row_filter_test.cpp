#include "codegen/row_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/msvc_decoration.h"

namespace vantorel {
namespace {

FunctionRow Row(std::u16string name, std::u16string alias = u"", std::u16string comment = u"") {
  FunctionRow row = MakeFunctionRow(std::move(name));
  if (!alias.empty()) row.alias = std::move(alias);
  row.comment = std::move(comment);
  return row;
}

// The system's undecorator as the window has it: the full signature.
std::string SignatureUndecorator(std::string_view name) {
  return name == "?Open@Archive@@QEAAHPEBD@Z" ? "public: int __cdecl Archive::Open(char const *)" : "";
}

TEST(RowFilter, MatchingRules) {
  struct Case {
    const char16_t* pattern;
    FunctionRow row;
    bool matches;
  };
  const Case cases[] = {
      // Substrings, case ignored, on name, alias and comment.
      {u"box", Row(u"MessageBoxW"), true},
      {u"BOXW", Row(u"MessageBoxW"), true},
      {u"MessageBoxW", Row(u"MessageBoxW"), true},
      {u"MessageBoxWW", Row(u"MessageBoxW"), false},
      {u"boxa", Row(u"MessageBoxW"), false},
      {u"greeting", Row(u"MessageBoxW", u"Greeting"), true},
      {u"shows a", Row(u"MessageBoxW", u"", u"Shows a message"), true},
      {u"forwarded", Row(u"MessageBoxW", u"", u""), false},
      {u"\u00C4PFEL", Row(u"\u00E4pfel_count"), true},
      {u"\u0424\u0410\u0419\u041B", Row(u"\u0444\u0430\u0439\u043B"), true},
      // Wildcards match a whole text.
      {u"Message*", Row(u"MessageBoxW"), true},
      {u"*box*", Row(u"MessageBoxW"), true},
      {u"*box", Row(u"MessageBoxW"), false},
      {u"messagebox?", Row(u"MessageBoxW"), true},
      {u"messagebox??", Row(u"MessageBoxW"), false},
      {u"m*b*x*", Row(u"MessageBoxW"), true},
      {u"*", Row(u""), true},
      {u"?", Row(u""), false},
      {u"*@*", Row(u"_Send@12", u"Send"), true},
      {u"send", Row(u"_Send@12", u"Send"), true},
      {u"*first*last", Row(u"x", u"", u"first, then last"), true},
      {u"*a*a*a*a*b", Row(u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), false},
      // C++ names by what they undecorate to: Itanium here, MSVC by the
      // name its decoration declares when no undecorator is given.
      {u"Archive::Open", Row(u"_ZN2Vt7Archive4OpenEPKc"), true},
      {u"*::open(char const*)", Row(u"_ZN2Vt7Archive4OpenEPKc"), true},
      {u"Archive::Read", Row(u"_ZN2Vt7Archive4OpenEPKc"), false},
      {u"archive::open", Row(u"?Open@Archive@Vt@@QEAAHPEBD@Z"), true},
      {u"Vt::Archive::Archive", Row(u"??0Archive@Vt@@QEAA@XZ"), true},
      {u"Archive::~Archive", Row(u"??1Archive@Vt@@QEAA@XZ"), true},
      {u"Archive::Open", Row(u"OpenArchive"), false},
  };
  for (const Case& c : cases) {
    const std::vector<FunctionRow> rows{c.row};
    const auto undecorated = UndecoratedNames(rows, nullptr);
    const RowView view = RowView::Filtered(rows, RowFilter::FromText(c.pattern), undecorated);
    EXPECT_EQ(view.Shown() == 1, c.matches) << std::string(c.pattern, c.pattern + std::char_traits<char16_t>::length(c.pattern))
                                            << " on " << std::string(c.row.exportName.begin(), c.row.exportName.end());
  }

  // With the system's undecorator the full signature is matched.
  const std::vector<FunctionRow> msvc{Row(u"?Open@Archive@@QEAAHPEBD@Z")};
  const auto signatures = UndecoratedNames(msvc, SignatureUndecorator);
  EXPECT_EQ(signatures[0], u"public: int __cdecl Archive::Open(char const *)");
  EXPECT_EQ(RowView::Filtered(msvc, RowFilter::FromText(u"__cdecl archive::open"), signatures).Shown(), 1u);
}

TEST(RowFilter, MsvcQualifiedNamesGiveUpOnWhatTheyDoNotRead) {
  EXPECT_EQ(MsvcQualifiedName("?Open@Archive@Vt@@QEAAHPEBD@Z"), "Vt::Archive::Open");
  EXPECT_EQ(MsvcQualifiedName("?Count@@YAHXZ"), "Count");
  EXPECT_EQ(MsvcQualifiedName("?Set@Box@1@QEAAXH@Z"), "Box::Box::Set") << "a back-reference";
  for (const char* unread : {"??2@YAPEAX_K@Z", "??$Largest@H@@YAHHH@Z", "?Open", "?9@@", "?", "Plain", "?Open@Arc"})
    EXPECT_EQ(MsvcQualifiedName(unread), "") << unread;
}

TEST(RowFilter, ViewsMapPositionsAndNarrowLikeAFreshFilter) {
  std::vector<FunctionRow> rows;
  for (const char16_t* name : {u"ReadFile", u"WriteFile", u"ReadDirectory", u"CloseHandle", u"ReadFileEx"})
    rows.push_back(Row(name));
  const RowView read = RowView::Filtered(rows, RowFilter::FromText(u"read"), {});
  ASSERT_EQ(read.Shown(), 3u);
  EXPECT_EQ(read.Total(), 5u);
  EXPECT_EQ(read.RowAt(0), 0);
  EXPECT_EQ(read.RowAt(1), 2);
  EXPECT_EQ(read.RowAt(2), 4);
  EXPECT_EQ(read.RowAt(3), -1);
  EXPECT_EQ(read.PositionOf(4), 2);
  EXPECT_EQ(read.PositionOf(1), -1);
  EXPECT_EQ(read.PositionOf(99), -1);

  const RowFilter readFile = RowFilter::FromText(u"readfile");
  ASSERT_TRUE(readFile.Narrows(RowFilter::FromText(u"read")));
  EXPECT_FALSE(RowFilter::FromText(u"rea*").Narrows(RowFilter::FromText(u"read")));
  EXPECT_FALSE(RowFilter::FromText(u"rea").Narrows(readFile));
  const RowView narrowed = RowView::Narrowed(read, rows, readFile, {});
  const RowView fresh = RowView::Filtered(rows, readFile, {});
  ASSERT_EQ(narrowed.Shown(), fresh.Shown());
  for (std::int64_t i = 0; i < 2; ++i) EXPECT_EQ(narrowed.RowAt(i), fresh.RowAt(i));

  const RowView all = RowView::Filtered(rows, RowFilter::FromText(u""), {});
  EXPECT_TRUE(all.ShowsAll());
  EXPECT_EQ(all.Shown(), 5u);
  EXPECT_EQ(all.RowAt(4), 4);
}

TEST(RowFilter, TickShownChangesExactlyTheShownRows) {
  std::vector<FunctionRow> rows;
  for (const char16_t* name : {u"ReadFile", u"WriteFile", u"ReadDirectory", u"CloseHandle"}) rows.push_back(Row(name));
  rows[1].ticked = false;
  const RowView read = RowView::Filtered(rows, RowFilter::FromText(u"read"), {});
  EXPECT_EQ(TickShownRows(rows, read, false), 2u);
  EXPECT_EQ(std::vector<bool>({rows[0].ticked, rows[1].ticked, rows[2].ticked, rows[3].ticked}),
            std::vector<bool>({false, false, false, true}));
  EXPECT_EQ(TickShownRows(rows, RowView::All(rows.size()), true), 3u);
  EXPECT_EQ(CountTicked(rows), 4u);
}

TEST(RowFilter, ShownCountTextGroupsThousands) {
  EXPECT_EQ(ShownCountText(1234, 65535), u"1,234 of 65,535 shown");
  EXPECT_EQ(ShownCountText(0, 7), u"0 of 7 shown");
  EXPECT_EQ(ShownCountText(999, 1000000), u"999 of 1,000,000 shown");
}

}  // namespace
}  // namespace vantorel
