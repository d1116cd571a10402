#include "platform/code_page_win32.h"

#include <windows.h>

#include "platform/code_page.h"

namespace vantorel {

std::u16string DecodeAnsi(std::string_view bytes) {
  const unsigned page = GetACP();
  if (IsSupportedCodePage(page)) return DecodeCodePage(bytes, page);
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX)) return {};
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::u16string text(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), n);
  return text;
}

}  // namespace vantorel
