#include "cheader/c_declarations.h"

#include <tree_sitter/api.h>

#include <algorithm>
#include <array>
#include <memory>
#include <unordered_map>
#include <utility>

extern "C" const TSLanguage* tree_sitter_c(void);

namespace vantorel {
namespace {

// What a type comes to after typedefs: the innermost (base) kind, how many
// pointer, array or function levels lie above it, and the names met on the
// way that decide more than the kind does.
enum class Base : std::uint8_t {
  Unknown, Void, Char, SChar, UChar, Bool, Short, UShort, Int, UInt, Long, ULong,
  LongLong, ULongLong, Float, Double, LongDouble, Enum, Record,
};

struct CType {
  Base base = Base::Unknown;
  bool baseConst = false;     // const on the base level: const char *
  bool wide = false;          // the base came through wchar_t or WCHAR
  bool pointerSized = false;  // size_t, WPARAM and their kin, at the top level
  int levels = 0;             // pointers, arrays and function types above the base
};

// Integers that are as wide as a pointer in both editions: PureBasic's .i,
// whatever the header spells them as.
constexpr std::array<std::string_view, 19> kPointerSizedNames = {
    "size_t",   "ssize_t",   "SIZE_T",  "SSIZE_T", "intptr_t", "uintptr_t", "ptrdiff_t",
    "INT_PTR",  "UINT_PTR",  "LONG_PTR", "ULONG_PTR", "DWORD_PTR", "WPARAM", "LPARAM",
    "LRESULT",  "HALF_PTR_", "SOCKET",  "HANDLE_PTR", "KAFFINITY"};
// Character types of UTF-16 text.
constexpr std::array<std::string_view, 4> kWideNames = {"wchar_t", "WCHAR", "char16_t", "OLECHAR"};

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Types a header often uses without declaring them, when the headers that do
// (<windows.h>, <stdint.h>) were not found: named by the Windows API and the
// C library with one meaning everywhere.
CType WellKnownType(std::string_view name) {
  struct Known {
    std::string_view name;
    Base base;
    int levels;
    bool baseConst;
  };
  static constexpr Known kKnown[] = {
      {"BOOL", Base::Int, 0, false},          {"INT", Base::Int, 0, false},
      {"UINT", Base::UInt, 0, false},         {"LONG", Base::Long, 0, false},
      {"ULONG", Base::ULong, 0, false},       {"DWORD", Base::ULong, 0, false},
      {"HRESULT", Base::Long, 0, false},      {"WORD", Base::UShort, 0, false},
      {"USHORT", Base::UShort, 0, false},     {"SHORT", Base::Short, 0, false},
      {"BYTE", Base::UChar, 0, false},        {"UCHAR", Base::UChar, 0, false},
      {"BOOLEAN", Base::UChar, 0, false},     {"CHAR", Base::Char, 0, false},
      {"FLOAT", Base::Float, 0, false},       {"DOUBLE", Base::Double, 0, false},
      {"LONGLONG", Base::LongLong, 0, false}, {"ULONGLONG", Base::ULongLong, 0, false},
      {"__int64", Base::LongLong, 0, false},  {"INT64", Base::LongLong, 0, false},
      {"UINT64", Base::ULongLong, 0, false},  {"DWORD64", Base::ULongLong, 0, false},
      {"int8_t", Base::SChar, 0, false},      {"uint8_t", Base::UChar, 0, false},
      {"int16_t", Base::Short, 0, false},     {"uint16_t", Base::UShort, 0, false},
      {"int32_t", Base::Int, 0, false},       {"uint32_t", Base::UInt, 0, false},
      {"int64_t", Base::LongLong, 0, false},  {"uint64_t", Base::ULongLong, 0, false},
      {"LPCSTR", Base::Char, 1, true},        {"PCSTR", Base::Char, 1, true},
      {"LPSTR", Base::Char, 1, false},        {"PSTR", Base::Char, 1, false},
      {"LPVOID", Base::Void, 1, false},       {"PVOID", Base::Void, 1, false},
      {"LPCVOID", Base::Void, 1, true},       {"HANDLE", Base::Void, 1, false},
      {"HWND", Base::Void, 1, false},         {"HMODULE", Base::Void, 1, false},
      {"HINSTANCE", Base::Void, 1, false},    {"HKEY", Base::Void, 1, false},
      {"HDC", Base::Void, 1, false},          {"FARPROC", Base::Void, 1, false},
      {"va_list", Base::Char, 1, false},      {"__builtin_va_list", Base::Char, 1, false},
  };
  for (const Known& k : kKnown) {
    if (k.name == name) return {k.base, k.baseConst, false, false, k.levels};
  }
  if (name == "LPCWSTR" || name == "PCWSTR") return {Base::UShort, true, true, false, 1};
  if (name == "LPWSTR" || name == "PWSTR") return {Base::UShort, false, true, false, 1};
  return {};
}

PbType PbTypeOf(const CType& t, bool parameter, bool* struct_by_value) {
  *struct_by_value = false;
  if (t.levels > 0) {
    // PureBasic converts strings for parameters only; a returned pointer is a pointer.
    if (parameter && t.levels == 1 && t.baseConst) {
      if (t.wide) return PbType::PUnicode;
      if (t.base == Base::Char) return PbType::PAscii;
    }
    return PbType::Integer;
  }
  if (t.pointerSized) return PbType::Integer;
  switch (t.base) {
    case Base::Char:
    case Base::SChar:
      return PbType::Byte;
    case Base::UChar:
    case Base::Bool:
      return PbType::Ascii;
    case Base::Short:
      return PbType::Word;
    case Base::UShort:
      return PbType::Unicode;
    case Base::Int:
    case Base::UInt:
    case Base::Long:
    case Base::ULong:
    case Base::Enum:
      return PbType::Long;
    case Base::LongLong:
    case Base::ULongLong:
      return PbType::Quad;
    case Base::Float:
      return PbType::Float;
    case Base::Double:
    case Base::LongDouble:
      return PbType::Double;
    case Base::Record:
      *struct_by_value = true;
      return PbType::None;
    case Base::Void:
    case Base::Unknown:
      return PbType::None;
  }
  return PbType::None;
}

struct ParserDeleter {
  void operator()(TSParser* p) const { ts_parser_delete(p); }
};
struct TreeDeleter {
  void operator()(TSTree* t) const { ts_tree_delete(t); }
};

// One node's children with their field names; the tree-sitter cursor is the
// reliable way to read fields that occur more than once (several declarators).
struct Child {
  TSNode node;
  std::string_view field;
};

std::vector<Child> ChildrenOf(TSNode node) {
  std::vector<Child> children;
  TSTreeCursor cursor = ts_tree_cursor_new(node);
  if (ts_tree_cursor_goto_first_child(&cursor)) {
    do {
      const char* field = ts_tree_cursor_current_field_name(&cursor);
      children.push_back({ts_tree_cursor_current_node(&cursor), field ? std::string_view(field) : std::string_view()});
    } while (ts_tree_cursor_goto_next_sibling(&cursor));
  }
  ts_tree_cursor_delete(&cursor);
  return children;
}

std::string_view KindOf(TSNode node) { return ts_node_type(node); }

TSNode Field(TSNode node, std::string_view name) {
  return ts_node_child_by_field_name(node, name.data(), static_cast<std::uint32_t>(name.size()));
}

class Scanner {
 public:
  Scanner(std::string_view text, const std::vector<StatementConvention>& conventions)
      : text_(text), conventions_(conventions) {}

  void ScanTopLevel(TSNode node, int depth) {
    for (const Child& c : ChildrenOf(node)) {
      const std::string_view kind = KindOf(c.node);
      if (kind == "type_definition") {
        AddTypedefs(c.node);
      } else if (kind == "declaration" || kind == "function_definition") {
        AddFunctions(c.node);
      } else if ((kind == "ERROR" || kind == "linkage_specification" || kind == "declaration_list") && depth < 4) {
        // What the parser could not place may still hold whole declarations.
        ScanTopLevel(c.node, depth + 1);
      }
    }
  }

  std::vector<CFunction> TakeFunctions() {
    std::stable_sort(functions_.begin(), functions_.end(),
                     [](const CFunction& a, const CFunction& b) { return a.name < b.name; });
    functions_.erase(std::unique(functions_.begin(), functions_.end(),
                                 [](const CFunction& a, const CFunction& b) { return a.name == b.name; }),
                     functions_.end());
    return std::move(functions_);
  }

 private:
  std::string_view TextOf(TSNode node) const {
    const std::uint32_t start = ts_node_start_byte(node), end = ts_node_end_byte(node);
    if (start > end || end > text_.size()) return {};
    return text_.substr(start, end - start);
  }

  // The type named by a declaration's specifiers, with their const.
  CType SpecifiedType(TSNode owner) const {
    CType t;
    bool constant = false;
    for (const Child& c : ChildrenOf(owner)) {
      const std::string_view kind = KindOf(c.node);
      if (kind == "type_qualifier" && TextOf(c.node) == "const") constant = true;
      if (c.field == "type") t = TypeOfSpecifier(c.node);
    }
    if (constant && t.levels == 0) t.baseConst = true;
    return t;
  }

  CType TypeOfSpecifier(TSNode spec) const {
    const std::string_view kind = KindOf(spec);
    if (kind == "primitive_type" || kind == "type_identifier") return TypeOfName(TextOf(spec));
    if (kind == "sized_type_specifier") return TypeOfSized(spec);
    if (kind == "struct_specifier" || kind == "union_specifier") return {Base::Record};
    if (kind == "enum_specifier") return {Base::Enum};
    return {};
  }

  CType TypeOfName(std::string_view name) const {
    CType t;
    if (const auto it = typedefs_.find(std::string(name)); it != typedefs_.end()) {
      t = it->second;
    } else if (name == "void") {
      t.base = Base::Void;
    } else if (name == "char") {
      t.base = Base::Char;
    } else if (name == "int") {
      t.base = Base::Int;
    } else if (name == "float") {
      t.base = Base::Float;
    } else if (name == "double") {
      t.base = Base::Double;
    } else if (name == "bool" || name == "_Bool") {
      t.base = Base::Bool;
    } else {
      t = WellKnownType(name);
      if (countUnknown_ && t.base == Base::Unknown && !Among(kPointerSizedNames, name) && !Among(kWideNames, name)) {
        ++unknownTypeNames_;
      }
    }
    if (t.levels == 0) {
      if (Among(kPointerSizedNames, name)) t.pointerSized = true;
      if (Among(kWideNames, name)) {
        t.wide = true;
        if (t.base == Base::Unknown) t.base = Base::UShort;
      }
    }
    return t;
  }

  CType TypeOfSized(TSNode spec) const {
    int longs = 0;
    bool is_unsigned = false, is_signed = false, is_short = false;
    CType inner{Base::Int};
    for (const Child& c : ChildrenOf(spec)) {
      const std::string_view word = KindOf(c.node);
      if (c.field == "type") {
        inner = TypeOfName(TextOf(c.node));
      } else if (word == "long") {
        ++longs;
      } else if (word == "unsigned") {
        is_unsigned = true;
      } else if (word == "signed") {
        is_signed = true;
      } else if (word == "short") {
        is_short = true;
      }
    }
    CType t;
    if (inner.base == Base::Char) {
      t.base = is_unsigned ? Base::UChar : is_signed ? Base::SChar : Base::Char;
    } else if (inner.base == Base::Double) {
      t.base = longs > 0 ? Base::LongDouble : Base::Double;
    } else if (is_short) {
      t.base = is_unsigned ? Base::UShort : Base::Short;
    } else if (longs >= 2) {
      t.base = is_unsigned ? Base::ULongLong : Base::LongLong;
    } else if (longs == 1) {
      t.base = is_unsigned ? Base::ULong : Base::Long;
    } else {
      t.base = is_unsigned ? Base::UInt : Base::Int;
    }
    return t;
  }

  TSNode LastDeclaratorChild(TSNode node) const {
    TSNode found{};
    const std::uint32_t n = ts_node_named_child_count(node);
    for (std::uint32_t i = 0; i < n; ++i) {
      const TSNode c = ts_node_named_child(node, i);
      const std::string_view kind = KindOf(c);
      if (kind.ends_with("declarator") || kind == "identifier" || kind == "type_identifier" ||
          kind == "primitive_type") {
        found = c;
      }
    }
    return found;
  }

  // The number of pointer, array and function levels a declarator adds, its
  // name, and whether it declares a function. Levels are counted from the
  // outside in; a function declarator closest to the name makes it a function
  // and the levels outside it belong to the result.
  struct Shape {
    std::string_view name;
    int levels = 0;
    bool isFunction = false;
    TSNode parameters{};
  };

  Shape ShapeOf(TSNode declarator) const {
    Shape s;
    int levels = 0;
    TSNode last_function{};
    bool last_was_function = false;
    TSNode node = declarator;
    for (int guard = 0; guard < 256 && !ts_node_is_null(node); ++guard) {
      const std::string_view kind = KindOf(node);
      if (kind == "identifier" || kind == "type_identifier" || kind == "primitive_type" ||
          kind == "field_identifier") {
        s.name = TextOf(node);
        break;
      }
      const bool function = kind == "function_declarator" || kind == "abstract_function_declarator";
      const bool level = function || kind == "pointer_declarator" || kind == "abstract_pointer_declarator" ||
                         kind == "array_declarator" || kind == "abstract_array_declarator";
      if (level) {
        ++levels;
        last_was_function = function;
        if (function) last_function = node;
      }
      TSNode next = Field(node, "declarator");
      if (ts_node_is_null(next) && !level) next = LastDeclaratorChild(node);
      node = next;
    }
    if (last_was_function) {
      s.isFunction = true;
      s.levels = levels - 1;
      s.parameters = Field(last_function, "parameters");
    } else {
      s.levels = levels;
    }
    return s;
  }

  void AddTypedefs(TSNode definition) {
    const CType base = SpecifiedType(definition);
    for (const Child& c : ChildrenOf(definition)) {
      if (c.field != "declarator") continue;
      const Shape shape = ShapeOf(c.node);
      if (shape.name.empty()) continue;
      // A function type can only be passed as a pointer to it: one level.
      CType t = base;
      t.levels += shape.levels + (shape.isFunction ? 1 : 0);
      if (t.levels > 0) {
        t.pointerSized = false;
      } else {
        if (Among(kPointerSizedNames, shape.name)) t.pointerSized = true;
        if (Among(kWideNames, shape.name)) t.wide = true;
      }
      typedefs_[std::string(shape.name)] = t;
    }
  }

  // The convention taken out of the statement this declaration was parsed from.
  CallingConvention ConventionAt(TSNode node) const {
    const std::size_t start = ts_node_start_byte(node);
    const auto it = std::lower_bound(conventions_.begin(), conventions_.end(), start,
                                     [](const StatementConvention& c, std::size_t offset) { return c.offset < offset; });
    if (it != conventions_.end() && it->offset < ts_node_end_byte(node)) return it->convention;
    return CallingConvention::Cdecl;
  }

  void AddFunctions(TSNode declaration) {
    countUnknown_ = true;
    AddFunctionsOf(declaration);
    countUnknown_ = false;
  }

  void AddFunctionsOf(TSNode declaration) {
    const CType base = SpecifiedType(declaration);
    for (const Child& c : ChildrenOf(declaration)) {
      if (c.field != "declarator") continue;
      const Shape shape = ShapeOf(c.node);
      if (!shape.isFunction || shape.name.empty() || ts_node_is_null(shape.parameters)) continue;
      CFunction f;
      f.name = std::string(shape.name);
      CType result = base;
      result.levels += shape.levels;
      if (result.levels > 0) result.pointerSized = false;
      f.result = PbTypeOf(result, false, &f.resultStructByValue);
      f.convention = ConventionAt(declaration);
      ReadParameters(shape.parameters, &f);
      f.text = DeclarationText(declaration, c.node, shape.parameters);
      functions_.push_back(std::move(f));
    }
  }

  void ReadParameters(TSNode list, CFunction* f) const {
    for (const Child& c : ChildrenOf(list)) {
      const std::string_view kind = KindOf(c.node);
      if (kind == "variadic_parameter" || TextOf(c.node) == "...") {
        f->variadic = true;
        continue;
      }
      if (kind != "parameter_declaration") continue;
      CType t = SpecifiedType(c.node);
      const TSNode declarator = Field(c.node, "declarator");
      Shape shape;
      if (!ts_node_is_null(declarator)) shape = ShapeOf(declarator);
      t.levels += shape.levels + (shape.isFunction ? 1 : 0);
      if (t.levels > 0) t.pointerSized = false;
      // f(void) declares no parameter.
      if (t.base == Base::Void && t.levels == 0 && ts_node_is_null(declarator)) continue;
      CParameter p;
      p.name = std::string(shape.name);
      p.type = PbTypeOf(t, true, &p.structByValue);
      f->parameters.push_back(std::move(p));
    }
  }

  // The declaration as one line: from its type (storage classes and
  // declspecs left out) to the end of its parameter list, with the spaces
  // the token stream put everywhere tidied away.
  std::string DeclarationText(TSNode declaration, TSNode declarator, TSNode parameters) const {
    std::uint32_t start = ts_node_start_byte(declarator);
    for (const Child& c : ChildrenOf(declaration)) {
      const std::string_view kind = KindOf(c.node);
      if (c.field == "type" || kind == "type_qualifier") {
        start = std::min(start, ts_node_start_byte(c.node));
      }
    }
    std::uint32_t end = ts_node_end_byte(declarator);
    if (KindOf(declarator) == "function_declarator") end = ts_node_end_byte(parameters);
    if (start > end || end > text_.size()) return {};
    return TidyText(text_.substr(start, end - start));
  }

  static bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  }

  static std::string TidyText(std::string_view raw) {
    std::string out;
    bool pending_space = false;
    for (char c : raw) {
      if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
        pending_space = !out.empty();
        continue;
      }
      if (pending_space) {
        const char prev = out.back();
        const bool drop = prev == '(' || prev == '[' || prev == '*' || c == ')' || c == ']' || c == ',' ||
                          (c == '(' && (IsWordChar(prev) || prev == ')'));
        if (!drop) out += ' ';
        pending_space = false;
      }
      if (out.size() >= kMaxDeclarationText) {
        out.resize(kMaxDeclarationText - 3);
        out += "...";
        return out;
      }
      out += c;
    }
    return out;
  }

  std::string_view text_;
  const std::vector<StatementConvention>& conventions_;
  std::unordered_map<std::string, CType> typedefs_;
  std::vector<CFunction> functions_;
  mutable std::size_t unknownTypeNames_ = 0;
  bool countUnknown_ = false;  // while reading a function's types

 public:
  std::size_t UnknownTypeNames() const { return unknownTypeNames_; }
};

}  // namespace

std::string_view PbTypeSuffix(PbType type) {
  switch (type) {
    case PbType::None: return "";
    case PbType::Byte: return ".b";
    case PbType::Ascii: return ".a";
    case PbType::Word: return ".w";
    case PbType::Unicode: return ".u";
    case PbType::Long: return ".l";
    case PbType::Quad: return ".q";
    case PbType::Float: return ".f";
    case PbType::Double: return ".d";
    case PbType::Integer: return ".i";
    case PbType::PAscii: return ".p-ascii";
    case PbType::PUnicode: return ".p-unicode";
  }
  return "";
}

std::optional<DeclarationScan> ScanDeclarations(std::string_view text,
                                                const std::vector<StatementConvention>& conventions,
                                                std::chrono::microseconds time_limit) {
  const std::unique_ptr<TSParser, ParserDeleter> parser(ts_parser_new());
  if (!parser || !ts_parser_set_language(parser.get(), tree_sitter_c())) return std::nullopt;
  ts_parser_set_timeout_micros(parser.get(), static_cast<std::uint64_t>(std::max<std::int64_t>(1, time_limit.count())));
  const std::unique_ptr<TSTree, TreeDeleter> tree(
      ts_parser_parse_string(parser.get(), nullptr, text.data(), static_cast<std::uint32_t>(text.size())));
  if (!tree) return std::nullopt;
  Scanner scanner(text, conventions);
  scanner.ScanTopLevel(ts_tree_root_node(tree.get()), 0);
  return DeclarationScan{scanner.TakeFunctions(), scanner.UnknownTypeNames()};
}

}  // namespace vantorel
