#include "analysis/msvc_decoration.h"

#include <cstdint>
#include <vector>

namespace vantorel {

namespace {

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A cursor over the name that fails instead of reading past its end. Every
// rule returns false when the text does not match; nothing is skipped on a
// guess, so a count only comes out of a name read to its last character.
class DecorationReader {
 public:
  explicit DecorationReader(std::string_view text) : text_(text) {}

  std::optional<MsvcParameters> Function() {
    if (!Take('?') || !QualifiedName()) return std::nullopt;
    MsvcParameters result;
    const char kind = Next();
    if (kind == 'Y' || kind == 'Z') {
      // a free function
    } else if (kind >= 'A' && kind <= 'X') {
      // Members: the letter gives access and kind in pairs (near/far).
      // C/D, K/L and S/T are static; G/H, O/P and W/X are adjustor thunks,
      // which carry the adjustment before the rest.
      const int pair = (kind - 'A') / 2 % 4;
      if (pair == 3 && !Number()) return std::nullopt;
      if (pair != 1) {
        result.hasThis = true;
        if (!ThisQualifiers()) return std::nullopt;
      }
    } else {
      return std::nullopt;  // variables, tables, thunks of other kinds
    }
    if (!CallingConvention() || !ReturnType() || !Parameters(result) || !ExceptionSpec())
      return std::nullopt;
    if (pos_ != text_.size()) return std::nullopt;
    return result;
  }

 private:
  char Peek(std::size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }
  char Next() { return pos_ < text_.size() ? text_[pos_++] : '\0'; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  bool TakeText(std::string_view s) {
    if (text_.substr(pos_, s.size()) != s) return false;
    pos_ += s.size();
    return true;
  }

  // Guards every rule that can recurse.
  struct Nest {
    explicit Nest(int& depth) : depth_(depth) { ++depth_; }
    ~Nest() { --depth_; }
    bool ok() const { return depth_ <= kMaxDecorationDepth; }
    int& depth_;
  };

  // An identifier up to and including its '@'.
  bool Identifier() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != '@') ++pos_;
    return pos_ > start && Take('@');
  }

  // 0-9 stand for 1-10; otherwise hex digits written A-P, ended by '@'; a
  // leading '?' makes it negative.
  bool Number() { return NumberValue().has_value(); }
  std::optional<std::uint64_t> NumberValue() {
    const bool negative = Take('?');
    if (IsDigit(Peek())) return negative ? 0 : static_cast<std::uint64_t>(Next() - '0' + 1);
    std::uint64_t value = 0;
    int digits = 0;
    while (Peek() >= 'A' && Peek() <= 'P') {
      if (++digits > 16) return std::nullopt;
      value = value * 16 + static_cast<std::uint64_t>(Next() - 'A');
    }
    if (digits == 0 || !Take('@')) return std::nullopt;
    return negative ? 0 : value;
  }

  // One name fragment: a back-reference, a template, an operator or special
  // name, an anonymous namespace, or an identifier.
  bool NameFragment(bool first) {
    Nest nest(depth_);
    if (!nest.ok()) return false;
    if (IsDigit(Peek())) {
      ++pos_;
      return true;
    }
    if (TakeText("?$")) return TemplateName();
    if (Peek() == '?') {
      if (first) return OperatorName();
      if (TakeText("?A")) return Identifier();  // ?A0x1234abcd@: anonymous namespace
      return false;  // local scopes of functions: not an exported function's name
    }
    return Identifier();
  }

  // ?0 constructor, ?1 destructor, ?2..?Z, ?_0..?_Z operators. The special
  // names that carry more (RTTI descriptors, string literals, initialisers)
  // are never exported functions with parameters worth counting.
  bool OperatorName() {
    Take('?');
    if (Take('_')) {
      if (Peek() == '_' || Peek() == 'R' || Peek() == 'C') return false;
    }
    const char c = Next();
    if (c == '$') return false;
    return IsDigit(c) || IsUpper(c);
  }

  bool TemplateName() {
    if (Peek() == '?') {
      if (!OperatorName()) return false;
    } else if (!Identifier()) {
      return false;
    }
    while (!Take('@')) {
      if (pos_ >= text_.size() || !TemplateArgument()) return false;
    }
    return true;
  }

  bool TemplateArgument() {
    if (TakeText("$$V") || TakeText("$$Z") || TakeText("$$T")) return true;
    if (TakeText("$0")) return Number();
    return Type();
  }

  // Fragments from the innermost name outwards, ended by '@'.
  bool QualifiedName() {
    if (!NameFragment(true)) return false;
    while (!Take('@')) {
      if (pos_ >= text_.size() || !NameFragment(false)) return false;
    }
    return true;
  }

  // __ptr64, __unaligned, __restrict and the & / && qualifiers of a member,
  // then its const/volatile letter.
  bool ThisQualifiers() {
    while (Peek() == 'E' || Peek() == 'F' || Peek() == 'I' || Peek() == 'G' || Peek() == 'H') ++pos_;
    const char cv = Next();
    return cv >= 'A' && cv <= 'D';
  }

  bool CallingConvention() {
    const char c = Next();
    return c >= 'A' && c <= 'Q';
  }

  // '@' for constructors and destructors; ?A / ?B mark a class returned by
  // value with its cv-qualifier.
  bool ReturnType() {
    if (Take('@')) return true;
    if (Peek() == '?') {
      ++pos_;
      const char cv = Next();
      if (cv < 'A' || cv > 'D') return false;
    }
    return Type();
  }

  // 'X' alone is (void); otherwise types up to '@', or up to 'Z' for "...".
  bool Parameters(MsvcParameters& result) {
    if (Take('X')) return true;
    for (;;) {
      if (Take('@')) return true;
      if (Take('Z')) {
        result.variadic = true;
        return true;
      }
      if (pos_ >= text_.size() || !Type()) return false;
      ++result.count;
    }
  }

  // Always 'Z': MSVC does not encode exception specifications.
  bool ExceptionSpec() { return Take('Z'); }

  bool FunctionType() {
    return CallingConvention() && ReturnType() && ParameterList() && ExceptionSpec();
  }
  bool ParameterList() {
    MsvcParameters ignored;
    return Parameters(ignored);
  }

  bool Type() {
    Nest nest(depth_);
    if (!nest.ok()) return false;
    const char c = Next();
    switch (c) {
      case 'C': case 'D': case 'E': case 'F': case 'G': case 'H': case 'I': case 'J':
      case 'K': case 'M': case 'N': case 'O': case 'X':
        return true;  // char ... long double, void
      case '0': case '1': case '2': case '3': case '4':
      case '5': case '6': case '7': case '8': case '9':
        return true;  // a back-reference to an earlier parameter type
      case '_':
        return IsUpper(Next());  // __int64, bool, wchar_t, char16_t, ...
      case 'T': case 'U': case 'V':
        return QualifiedName();  // union, struct, class
      case 'W':
        return IsDigit(Next()) && QualifiedName();  // enum with its base
      case 'P': case 'Q': case 'R': case 'S': case 'A': case 'B':
        return PointerTail();
      case 'Y':
        return ArrayTail();
      case '?': {
        const char cv = Next();  // a cv-qualified class by value
        return cv >= 'A' && cv <= 'D' && Type();
      }
      case '$':
        if (!Take('$')) return false;
        switch (Next()) {
          case 'Q': case 'R': return PointerTail();  // && and volatile &&
          case 'A': return Take('6') && FunctionType();
          case 'B': return Take('Y') && ArrayTail();
          case 'C': {
            const char cv = Next();
            return cv >= 'A' && cv <= 'D' && Type();
          }
          case 'T': return true;  // std::nullptr_t
          default: return false;
        }
      default:
        return false;
    }
  }

  // After P/Q/R/S/A/B: modifiers, then what is pointed at.
  bool PointerTail() {
    while (Peek() == 'E' || Peek() == 'F' || Peek() == 'I') ++pos_;
    const char c = Next();
    if (c == '6') return FunctionType();
    if (c == '8') return QualifiedName() && ThisQualifiers() && FunctionType();
    if (c >= 'A' && c <= 'D') return Type();
    if (c >= 'Q' && c <= 'T') return QualifiedName() && Type();  // pointer to data member
    return false;
  }

  // Y: the number of dimensions, each dimension, then the element type.
  bool ArrayTail() {
    // Each dimension takes at least one character, so the text bounds the
    // count; a count beyond what is left is a malformed name.
    const auto dimensions = NumberValue();
    if (!dimensions || *dimensions == 0 || *dimensions > text_.size() - pos_) return false;
    for (std::uint64_t i = 0; i < *dimensions; ++i)
      if (!Number()) return false;
    return Type();
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

std::optional<MsvcParameters> ReadMsvcParameters(std::string_view name) {
  if (name.size() > kMaxDecoratedNameLength) return std::nullopt;
  return DecorationReader(name).Function();
}

}  // namespace vantorel

namespace vantorel {

std::string MsvcQualifiedName(std::string_view name) {
  if (name.size() < 2 || name.size() > kMaxDecoratedNameLength || name.front() != '?') return {};
  std::size_t pos = 1;
  // ??0 and ??1 name the class's constructor and destructor; other "??"
  // forms are operators and compiler-made symbols.
  char special = '\0';
  if (name[pos] == '?') {
    if (pos + 1 >= name.size() || (name[pos + 1] != '0' && name[pos + 1] != '1')) return {};
    special = name[pos + 1];
    pos += 2;
  }
  // Fragments up to "@@", innermost first; a digit refers back to one of
  // the first ten fragments.
  std::vector<std::string_view> fragments;
  while (pos < name.size() && name[pos] != '@') {
    if (name[pos] >= '0' && name[pos] <= '9') {
      const auto index = static_cast<std::size_t>(name[pos] - '0');
      if (index >= fragments.size()) return {};
      fragments.push_back(fragments[index]);
      ++pos;
      continue;
    }
    if (name[pos] == '?') return {};  // templates and nested special names
    const std::size_t end = name.find('@', pos);
    if (end == std::string_view::npos) return {};
    fragments.push_back(name.substr(pos, end - pos));
    pos = end + 1;
  }
  if (pos >= name.size() || fragments.empty()) return {};
  std::string text;
  for (std::size_t i = fragments.size(); i-- > 0;) {
    text += fragments[i];
    if (i > 0) text += "::";
  }
  if (special != '\0') {
    text += "::";
    if (special == '1') text += '~';
    text += fragments.front();
  }
  return text;
}

}  // namespace vantorel
