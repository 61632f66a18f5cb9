#include "console/console.h"

#include <algorithm>

namespace kestrova {

bool hostTextAllowed(std::string_view utf8) {
  constexpr std::string_view kSpecial = "&|<>^%\"()!";
  return std::none_of(utf8.begin(), utf8.end(), [&](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F || kSpecial.find(c) != std::string_view::npos;
  });
}

std::string pingCommand(std::string_view hostAnsi) {
  std::string command = "ping ";
  command += hostAnsi;
  command += " -t";
  return command;
}

std::string logFilePath(std::string_view directory) {
  std::string path(directory);
  path += '\\';
  path += kLogFileName;
  return path;
}

void Console::startPing() {
  if (!hostTextAllowed(ui_.text(Ctl::编辑框1))) {
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
  const std::string path = logFilePath(files_.executableDirectory());
  std::string bytes = ui_.ansiText(Ctl::编辑框);
  bytes += "\r\n";
  files_.writeWholeFile(path, bytes);
}

}  // namespace kestrova
