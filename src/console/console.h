// The ping console: Run, Enter and Stop in the host box, Clear, Save, and the click that
// empties the host box.
#pragma once

#include <string>
#include <string_view>

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
// character (bytes below 32, and 127). Checked on the UTF-8 text, whose multi-byte
// characters never hold a byte below 128.
bool hostTextAllowed(std::string_view utf8);

// "ping " + host + " -t".
std::string pingCommand(std::string_view hostAnsi);

// The log file's path: the directory, then "\MailList.txt".
std::string logFilePath(std::string_view directory);

class Console {
 public:
  Console(Ui& ui, Capture& capture, Files& files) : ui_(ui), capture_(capture), files_(files) {}

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
};

}  // namespace kestrova
