#include "platform/win32/text.h"

#include <algorithm>

namespace kestrova::win {

std::wstring toWide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string toUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

std::wstring windowText(HWND window) {
  const int n = GetWindowTextLengthW(window);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

}  // namespace kestrova::win
