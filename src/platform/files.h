// The file side of the console's log: where the program lives, and writing one file whole.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrova {

class Files {
 public:
  virtual ~Files() = default;
  // The full path of the program's executable, in the ANSI code page; empty when it cannot
  // be read.
  virtual std::string executablePath() = 0;
  // Creates the file or empties it, writes `bytes` unchanged and closes it, on every path.
  // Returns false when the file could not be opened or not every byte was written.
  virtual bool writeWholeFile(const std::string& path, std::string_view bytes) = 0;
};

// Tells whether a byte of ANSI text starts a two-byte character in the system's code page.
using LeadBytePredicate = std::function<bool(unsigned char)>;

}  // namespace kestrova
