// A header's declarations in the function table: which rows they fill and
// how, the typed source lines they give, and a project that keeps them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cheader/header_import.h"
#include "codegen/project_file.h"
#include "codegen/source_generator.h"
#include "codegen/typed_rows.h"

namespace vantorel {
namespace {

constexpr const char* kHeader =
    "typedef struct { int x, y; } PT;\n"
    "int __stdcall Add(int a, int b);\n"
    "double Scale(const char *name, double by);\n"
    "int __cdecl Show(const char *format, ...);\n"
    "void Nothing(void);\n"
    "int Hit(PT at, int len);\n";

// The Prototype lines of a generated source, one string.
std::u16string PrototypeLines(const std::u16string& text) {
  std::u16string lines;
  for (std::size_t at = 0; (at = text.find(u"\nPrototype", at)) != std::u16string::npos;) {
    const std::size_t end = text.find(u'\n', at + 1);
    lines += text.substr(at + 1, end - at);
    at = end;
  }
  return lines;
}

TEST(TypedRows, DeclaredRowsFilledSourceTypedAndProjectKeepsThem) {
  struct Case {
    Edition edition;
    std::u16string prototypes;
    std::u16string conventions;  // Conv of the rows, joined
  };
  const Case cases[] = {
      {Edition::X64,
       u"Prototype.l Add(a.l, b.l); int Add(int a, int b)\n"
       u"Prototype Add_2()\n"
       u"Prototype.d Scale(name.p-ascii, by.d); double Scale(const char *name, double by)\n"
       u"Prototype.l Show(format.p-ascii); mine\n"
       u"Prototype Nothing(); void Nothing(void)\n"
       u"Prototype.l Hit(at, _len.l); struct by value: at; int Hit(PT at, int len)\n"
       u"Prototype Missing()\n",
       u"FASTCALL FASTCALL FASTCALL FASTCALL FASTCALL FASTCALL FASTCALL "},
      // The decorated export finds Add; the declared conventions set Conv.
      {Edition::X86,
       u"Prototype.l Add(a.l, b.l); int Add(int a, int b)\n"
       u"Prototype.l Add_2(a.l, b.l); int Add(int a, int b)\n"
       u"PrototypeC.d Scale(name.p-ascii, by.d); double Scale(const char *name, double by)\n"
       u"PrototypeC.l Show(format.p-ascii); mine\n"
       u"PrototypeC Nothing(); void Nothing(void)\n"
       u"PrototypeC.l Hit(at, _len.l); struct by value: at; int Hit(PT at, int len)\n"
       u"Prototype Missing()\n",
       u"STDCALL STDCALL CDECL CDECL CDECL CDECL STDCALL "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edition == Edition::X86 ? "x86" : "x64");
    HeaderImportOptions options;
    options.edition = c.edition;
    const HeaderImport import = ImportHeaderText(kHeader, "/nonexistent/typed.h", options);
    ASSERT_EQ(import.fault, HeaderFault::None);

    FunctionRows rows;
    for (const char16_t* name : {u"Add", u"_Add@8", u"Scale", u"Show", u"Nothing", u"Hit", u"Missing"})
      rows.push_back(MakeFunctionRow(name, c.edition));
    rows[3].comment = u"mine";  // a comment of the user's stays
    const FunctionRows before = rows;
    TypedPrototypes typed;
    EXPECT_EQ(ApplyDeclarations(rows, import.functions, typed, c.edition), c.edition == Edition::X86 ? 6u : 5u);

    std::u16string paras, conventions;
    for (const FunctionRow& row : rows) {
      paras += row.parameters + u" ";
      conventions += row.convention + u" ";
    }
    EXPECT_EQ(paras, c.edition == Edition::X86 ? u"2 2 2 1 0 2 ? " : u"2 ? 2 1 0 2 ? ");
    EXPECT_EQ(conventions, c.conventions);
    EXPECT_EQ(rows[6].parameters, before[6].parameters);
    EXPECT_EQ(rows[6].comment, before[6].comment);

    const std::u16string text = BuildSourceText(rows, u"C:\\lib.dll", c.edition, &typed);
    EXPECT_EQ(PrototypeLines(text), c.prototypes);

    // The project keeps the prototypes; read back, the source is the same.
    const auto read = ReadProjectText(WriteProjectText(u"C:\\lib.dll", u"", rows, &typed));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->typed, typed);
    EXPECT_EQ(BuildSourceText(read->rows, u"C:\\lib.dll", c.edition, &read->typed), text);

    // A Para the user changed afterwards gives the untyped line again.
    rows[0].parameters = u"3";
    EXPECT_NE(BuildSourceText(rows, u"C:\\lib.dll", c.edition, &typed).find(u"\nPrototype Add(a, b, c); "),
              std::u16string::npos);
  }
}

TEST(TypedRows, WithoutPrototypesEverythingIsAsBefore) {
  FunctionRows rows{MakeFunctionRow(u"Add"), MakeFunctionRow(u"Other")};
  const TypedPrototypes none;
  EXPECT_EQ(WriteProjectText(u"C:\\lib.dll", u"", rows, &none), WriteProjectText(u"C:\\lib.dll", u"", rows));
  EXPECT_EQ(BuildSourceText(rows, u"C:\\lib.dll", kEdition, &none),
            BuildSourceText(rows, u"C:\\lib.dll"));

  // Read by hand-edited rules: any letter case, before Function, the first of
  // two; a value the stored form does not allow is skipped with its row kept.
  const auto read = ReadProjectText(
      "[1]\r\nPROTOTYPE = .d(x.d)\r\nPrototype = .l()\r\nFunction = A\r\n"
      "[2]\r\nFunction = B\r\nPrototype = .l(a.l, A.l)\r\n"
      "[3]\r\nFunction = C\r\nPrototype = .p-ascii()\r\n"
      "[4]\r\nFunction = \r\nPrototype = ()\r\n");
  ASSERT_TRUE(read);
  ASSERT_EQ(read->rows.size(), 4u);
  ASSERT_EQ(read->typed.size(), 1u);
  EXPECT_EQ(FormatTypedPrototype(read->typed.at(u"A")), ".d(x.d)");
}

}  // namespace
}  // namespace vantorel
