// PureBasic's keywords and the names of its library commands, taken from its
// documentation into the word lists beside this file and compiled into a
// table at build time. No variable, parameter, Prototype or procedure may be
// named like one, whatever the letter case.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace vantorel {

// PureBasic's longest name.
inline constexpr std::size_t kMaxPureBasicName = 128;

// Each list in lower case, sorted, without repeats.
std::span<const std::string_view> PureBasicKeywords();
std::span<const std::string_view> PureBasicCommands();

// A keyword or command name, ignoring case ("Len", "data").
bool IsPureBasicReservedWord(std::string_view name);

}  // namespace vantorel
