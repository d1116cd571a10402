#pragma once
// The system's ANSI code page, in which export names arrive.
#include <string>
#include <string_view>

namespace vantorel {

// The bytes as text in the system's ANSI code page, through the portable
// decoder with that page's number, as the command line decodes with the
// page it is given. A page the decoder does not know (the double-byte pages
// of East Asian systems) is left to the system's own conversion rather than
// losing the names.
std::u16string DecodeAnsi(std::string_view bytes);

}  // namespace vantorel
