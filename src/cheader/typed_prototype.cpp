#include "cheader/typed_prototype.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/purebasic_names.h"

namespace vantorel {
namespace {

constexpr std::array<PbType, 11> kTypesWithSuffix = {
    PbType::Byte,  PbType::Ascii,  PbType::Word,    PbType::Unicode, PbType::Long,     PbType::Quad,
    PbType::Float, PbType::Double, PbType::Integer, PbType::PAscii,  PbType::PUnicode,
};

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool IsValidName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxPureBasicName && !IsDigit(name[0]) &&
         std::all_of(name.begin(), name.end(), IsNameChar) && !IsPureBasicReservedWord(name);
}

std::string ValidName(std::string_view c_name, std::size_t position) {
  std::string name;
  for (char c : c_name) name += IsNameChar(c) ? c : '_';
  if (name.empty()) {
    std::array<char, 24> generated{'p'};
    const auto end = std::to_chars(generated.data() + 1, generated.data() + generated.size(), position + 1).ptr;
    return std::string(generated.data(), end);
  }
  if (IsDigit(name[0]) || IsPureBasicReservedWord(name)) {
    std::string prefixed = "_";
    prefixed += name;
    name.swap(prefixed);
  }
  // Room for a _N that makes it unique.
  if (name.size() > kMaxPureBasicName) name.resize(kMaxPureBasicName - 8);
  return name;
}

std::optional<PbType> TypeOfSuffix(std::string_view suffix) {
  for (PbType t : kTypesWithSuffix) {
    if (PbTypeSuffix(t) == suffix) return t;
  }
  return std::nullopt;
}

}  // namespace

TypedPrototype MakeTypedPrototype(const CFunction& function) {
  TypedPrototype prototype;
  prototype.result = function.result;
  std::vector<std::string> taken;
  for (std::size_t i = 0; i < function.parameters.size() && i < kMaxTypedParameters; ++i) {
    const CParameter& p = function.parameters[i];
    const std::string base = ValidName(p.name, i);
    std::string name = base;
    for (int n = 2; std::find(taken.begin(), taken.end(), Lower(name)) != taken.end(); ++n) {
      name = base + "_" + std::to_string(n);
    }
    taken.push_back(Lower(name));
    prototype.parameters.push_back({name, p.type});
  }
  return prototype;
}

std::string TypedParameterList(const TypedPrototype& prototype) {
  std::string list;
  for (const TypedParameter& p : prototype.parameters) {
    if (!list.empty()) list += ", ";
    list += p.name;
    list += PbTypeSuffix(p.type);
  }
  return list;
}

std::string PrototypeLine(std::string_view keyword, std::string_view name, const TypedPrototype& prototype) {
  std::string line(keyword);
  line += PbTypeSuffix(prototype.result);
  line += ' ';
  line += name;
  line += '(';
  line += TypedParameterList(prototype);
  line += ')';
  return line;
}

std::string FormatTypedPrototype(const TypedPrototype& prototype) {
  return std::string(PbTypeSuffix(prototype.result)) + "(" + TypedParameterList(prototype) + ")";
}

std::optional<TypedPrototype> ParseTypedPrototype(std::string_view text) {
  TypedPrototype prototype;
  if (text.empty()) return std::nullopt;
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos || text.back() != ')') return std::nullopt;  // also empty text
  if (open > 0) {
    const auto result = TypeOfSuffix(text.substr(0, open));
    // Strings are converted for parameters only.
    if (!result || *result == PbType::PAscii || *result == PbType::PUnicode) return std::nullopt;
    prototype.result = *result;
  }
  std::string_view rest = text.substr(open + 1, text.size() - open - 2);
  std::vector<std::string> taken;
  while (!rest.empty()) {
    if (prototype.parameters.size() >= kMaxTypedParameters) return std::nullopt;
    const std::size_t comma = rest.find(", ");
    const std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 2);
    if (comma != std::string_view::npos && rest.empty()) return std::nullopt;
    TypedParameter p;
    const std::size_t dot = item.find('.');
    p.name = std::string(item.substr(0, dot));
    if (dot != std::string_view::npos) {
      const auto type = TypeOfSuffix(item.substr(dot));
      if (!type) return std::nullopt;
      p.type = *type;
    }
    if (!IsValidName(p.name) || std::find(taken.begin(), taken.end(), Lower(p.name)) != taken.end()) {
      return std::nullopt;
    }
    taken.push_back(Lower(p.name));
    prototype.parameters.push_back(std::move(p));
  }
  return prototype;
}

std::string DeclarationComment(const CFunction& function, const TypedPrototype& prototype) {
  std::string comment;
  const auto part = [&](std::string_view text) {
    if (!comment.empty()) comment += "; ";
    comment += text;
  };
  if (function.variadic) part("variadic");
  std::string by_value;
  if (function.resultStructByValue) by_value = "result";
  for (std::size_t i = 0; i < function.parameters.size() && i < prototype.parameters.size(); ++i) {
    if (!function.parameters[i].structByValue) continue;
    if (!by_value.empty()) by_value += ", ";
    by_value += prototype.parameters[i].name;
  }
  if (!by_value.empty()) part("struct by value: " + by_value);
  part(function.text);
  return comment;
}

}  // namespace vantorel
