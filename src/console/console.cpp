#include "console/console.h"

namespace kestrova {

bool hostTextAllowed(std::string_view text, const LeadBytePredicate& isLeadByte) {
  constexpr std::string_view kSpecial = "&|<>^%\"()!";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || kSpecial.find(c) != std::string_view::npos) return false;
    // Second bytes lie at 0x40 and above in every two-byte code page.
    if (isLeadByte && isLeadByte(b) && i + 1 < text.size() &&
        static_cast<unsigned char>(text[i + 1]) >= 0x40) {
      ++i;
    }
  }
  return true;
}

std::string pingCommand(std::string_view hostAnsi) {
  std::string command = "ping ";
  command += hostAnsi;
  command += " -t";
  return command;
}

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

std::string logFilePath(std::string_view directory) {
  std::string path(directory);
  path += '\\';
  path += kLogFileName;
  return path;
}

void Console::startPing() {
  if (!hostTextAllowed(ui_.text(Ctl::编辑框1)) ||
      !hostTextAllowed(ui_.ansiText(Ctl::编辑框1), isLeadByte_)) {
    ui_.appendText(Ctl::编辑框, kRefusedHostLine);
    return;
  }
  ui_.setVisible(Ctl::超级按钮1, false);
  ui_.setVisible(Ctl::超级按钮2, true);
  capture_.run(pingCommand(ui_.ansiText(Ctl::编辑框1)), true, Ctl::编辑框);
}

void Console::onHostLeftButton() {
  ui_.setText(Ctl::编辑框1, "");
}

void Console::onStopClicked() {
  ui_.setVisible(Ctl::超级按钮1, true);
  ui_.setVisible(Ctl::超级按钮2, false);
  capture_.run("", false, Ctl::编辑框);
  capture_.endRunningChildren();
}

void Console::onClearClicked() {
  ui_.setText(Ctl::编辑框, "");
}

void Console::onSaveClicked() {
  const std::string path = logFilePath(directoryOf(files_.executablePath(), isLeadByte_));
  std::string bytes = ui_.ansiText(Ctl::编辑框);
  bytes += "\r\n";
  files_.writeWholeFile(path, bytes);
}

}  // namespace kestrova
