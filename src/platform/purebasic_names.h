// What PureBasic reserves: a name a PureBasic program may not give its own
// variables, parameters or Prototypes.
#pragma once

#include <string_view>

namespace vantorel {

// A PureBasic keyword or library command name, ignoring case ("Len", "data").
bool IsPureBasicReservedWord(std::string_view name);

}  // namespace vantorel
