#pragma once
// The program's version, as the About message names it (the version
// resource in vantorel.rc carries the same number).
namespace vantorel {
inline constexpr wchar_t kVantorelVersion[] = L"0.1.0";
}
