#include "platform/win32/win_files.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/handles.h"

namespace kestrova::win {

std::string WinFiles::executablePath() {
  // The path can be longer than MAX_PATH; a full buffer means it was cut short.
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      return std::string(path.data(), n);
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

bool WinFiles::writeWholeFile(const std::string& path, std::string_view bytes) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace kestrova::win
