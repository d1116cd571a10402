#pragma once
#include <string>

namespace vantorel {

// Classifies the file at path: -2 unreadable, -1 not a PE image, 0 PE32,
// 1 PE32+. The file is opened shared with readers only, so a file another
// process is writing counts as unreadable, and it is closed again before
// returning.
int CheckPeFile(const std::wstring& path);

}  // namespace vantorel
