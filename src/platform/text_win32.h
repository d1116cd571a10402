#pragma once
// UTF-16 on Windows is wchar_t; the portable core speaks char16_t.
#include <string>
#include <string_view>

namespace vantorel {

inline std::wstring ToWide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string ToU16(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

}  // namespace vantorel
