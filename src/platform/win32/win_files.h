// Win32 side of the console's log: the executable's directory and whole-file writes.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace kestrova::win {

class WinFiles final : public Files {
 public:
  std::string executablePath() override;
  bool writeWholeFile(const std::string& path, std::string_view bytes) override;
};

}  // namespace kestrova::win
