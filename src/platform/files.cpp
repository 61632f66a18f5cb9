#include "platform/files.h"

namespace kestrova {

std::string directoryOf(std::string_view path, const LeadBytePredicate& isLeadByte) {
  // Walk forward character by character: a backslash byte can be the second half of a
  // two-byte character, so the path cannot be searched from its end.
  std::size_t lastSeparator = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto b = static_cast<unsigned char>(path[i]);
    if (b == '\\') {
      lastSeparator = i;
    } else if (isLeadByte(b) && i + 1 < path.size()) {
      ++i;
    }
  }
  if (lastSeparator == std::string_view::npos) return {};
  return std::string(path.substr(0, lastSeparator));
}

}  // namespace kestrova
