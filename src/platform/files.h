// The file side of the console's log: where the program lives, and writing one file whole.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrova {

class Files {
 public:
  virtual ~Files() = default;
  // The directory that holds the program's executable, in the ANSI code page, without a
  // trailing backslash: "C:" when it lies in a drive's root.
  virtual std::string executableDirectory() = 0;
  // Creates the file or empties it, writes `bytes` unchanged and closes it, on every path.
  // Returns false when the file could not be opened or not every byte was written.
  virtual bool writeWholeFile(const std::string& path, std::string_view bytes) = 0;
};

// Tells whether a byte of ANSI text starts a two-byte character in the system's code page.
using LeadBytePredicate = std::function<bool(unsigned char)>;

// The directory part of a full file path in ANSI text: everything before the last backslash
// that is a character of its own (not the second byte of a two-byte character). A path
// without a backslash gives the empty text.
std::string directoryOf(std::string_view path, const LeadBytePredicate& isLeadByte);

}  // namespace kestrova
