// System functions and figures that the core calls, each as small as its caller needs.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace kestrova {

// GetIfTable: fills buffer (bufferSize bytes) and updates *size; returns the system's code.
class IfTableSource {
 public:
  virtual ~IfTableSource() = default;
  virtual std::uint32_t getIfTable(std::uint8_t* buffer, std::uint32_t* size, bool sorted) = 0;
};

}  // namespace kestrova
