// Files as the log needs them, kept in memory. Each write replaces the whole content, as a
// file created afresh does.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace kestrova::testing {

class FakeFiles : public Files {
 public:
  std::string exePath = "C:\\Programs\\Kestrova\\Kestrova.exe";
  bool writable = true;
  std::map<std::string, std::string> files;
  int writes = 0;

  std::string executablePath() override { return exePath; }
  bool writeWholeFile(const std::string& path, std::string_view bytes) override {
    ++writes;
    if (!writable) return false;
    files[path] = std::string(bytes);
    return true;
  }
};

}  // namespace kestrova::testing
