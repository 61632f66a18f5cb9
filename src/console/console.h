// The ping console: Run, Enter and Stop in the host box, Clear, Save, and the click that
// empties the host box.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "console/capture.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace kestrova {

inline constexpr int kEnterKey = 13;
inline constexpr std::string_view kLogFileName = "MailList.txt";
// Appended to the console box instead of running a host text that the rule refuses.
inline constexpr std::string_view kRefusedHostLine =
    "主机名中含有不允许的字符（& | < > ^ % \" ( ) ! 或控制字符），未执行。\r\n";

// A host text may go into the ping command line only when it holds none of the characters
// that the command interpreter treats specially (& | < > ^ % " ( ) !) and no control
// character (bytes below 32, and 127). The console checks both the UTF-8 text, which is what
// the user typed, and the ANSI text, which is what the interpreter gets: the conversion to
// ANSI can turn a character such as a full-width bar into a plain one. In ANSI text the
// second byte of a two-byte character (0x40 and above) is not a character of its own and is
// skipped.
bool hostTextAllowed(std::string_view text, const LeadBytePredicate& isLeadByte = nullptr);

// "ping " + host + " -t".
std::string pingCommand(std::string_view hostAnsi);

// The directory part of a full file path in ANSI text: everything before the last backslash
// that is a character of its own (not the second byte of a two-byte character), so "C:" for a
// file in a drive's root. A path without a backslash gives the empty text.
std::string directoryOf(std::string_view path, const LeadBytePredicate& isLeadByte);

// The log file's path: the directory, then "\MailList.txt".
std::string logFilePath(std::string_view directory);

class Console {
 public:
  Console(Ui& ui, Capture& capture, Files& files, LeadBytePredicate isLeadByte)
      : ui_(ui), capture_(capture), files_(files), isLeadByte_(std::move(isLeadByte)) {}

  void onRunClicked() { startPing(); }
  void onHostKey(int key) {
    if (key == kEnterKey) startPing();
  }
  void onHostLeftButton();
  void onStopClicked();
  void onClearClicked();
  void onSaveClicked();

 private:
  void startPing();

  Ui& ui_;
  Capture& capture_;
  Files& files_;
  LeadBytePredicate isLeadByte_;
};

}  // namespace kestrova
