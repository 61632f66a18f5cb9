// UTF-8 inside the program, UTF-16 at the Win32 boundary.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kestrova::win {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);
// A window's whole text.
std::wstring windowText(HWND window);

}  // namespace kestrova::win
