// Win32 implementations of the system interfaces the core calls.
#pragma once

#include "platform/system.h"

namespace kestrova {

class WinIfTableSource final : public IfTableSource {
 public:
  std::uint32_t getIfTable(std::uint8_t* buffer, std::uint32_t* size, bool sorted) override;
};

}  // namespace kestrova
