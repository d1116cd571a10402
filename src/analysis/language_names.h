// The display names of the languages version resources are commonly marked
// with, as the system's language-name lookup gives them in English, for
// callers that read version resources without the system.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vantorel {

struct LanguageName {
  std::uint16_t id;
  std::u16string_view name;
};

// The names known here, ascending by id.
std::span<const LanguageName> KnownLanguageNames();

// The name of a language id; empty when it is not one of the known ones.
std::u16string_view LanguageDisplayName(std::uint16_t languageId);

}  // namespace vantorel
