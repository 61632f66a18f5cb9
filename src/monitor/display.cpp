#include "monitor/display.h"

#include <string>

#include "monitor/numtext.h"

namespace kestrova {

void TrafficDisplay::reset() {
  sendBar_ = ui_.handle(Ctl::发送进度条);
  receiveBar_ = ui_.handle(Ctl::接收进度条);
  cpuBar_ = ui_.handle(Ctl::CPU进度条);
  memoryBar_ = ui_.handle(Ctl::内存进度条);
  totalBytes_ = 0;
  // The first tick's load then covers the time since the reset, without waiting for it.
  figures_.takeCpuBaseline();
}

void TrafficDisplay::update(const InterfaceTable& table, int row) {
  if (row >= 1 && row <= table.count()) {
    const IfRecord& rec = table.record(row);
    const std::int32_t received = showTraffic(rec.dwInOctets, prevIn_, Ctl::接收进度条, receiveBar_,
                                              kReceiveBarColour, Ctl::接收透明标签);
    const std::int32_t sent = showTraffic(rec.dwOutOctets, prevOut_, Ctl::发送进度条, sendBar_,
                                          kSendBarColour, Ctl::发送透明标签);
    showProcessor();
    showMemory();
    totalBytes_ += std::int64_t{received} + std::int64_t{sent};
  } else {
    // No such row (empty table, a single interface, no successful refresh yet): nothing to
    // compare, so the counters and the total stay as they are.
    showNoTraffic(Ctl::接收进度条, receiveBar_, kReceiveBarColour, Ctl::接收透明标签);
    showNoTraffic(Ctl::发送进度条, sendBar_, kSendBarColour, Ctl::发送透明标签);
    showProcessor();
    showMemory();
  }
  showTotal();
}

std::int32_t TrafficDisplay::showTraffic(std::int32_t current, std::int32_t& previous, Ctl bar,
                                         NativeHandle barHandle, ColourRef colour, Ctl label) {
  if (previous == 0) previous = current;
  // Modulo 2^32, read as signed: a counter that wrapped still gives its true small step.
  const auto difference = static_cast<std::int32_t>(static_cast<std::uint32_t>(current) -
                                                    static_cast<std::uint32_t>(previous));
  const std::string text = twoDecimalText(difference / 1024.0);
  previous = current;
  // The bar shows the rounded value the label shows, halved.
  ui_.setPosition(bar, truncToInt32(numericValue(text) / 2));
  ui_.setBarColour(barHandle, colour);
  ui_.setText(label, text + "KB");
  return difference;
}

void TrafficDisplay::showNoTraffic(Ctl bar, NativeHandle barHandle, ColourRef colour, Ctl label) {
  ui_.setPosition(bar, 0);
  ui_.setBarColour(barHandle, colour);
  ui_.setText(label, twoDecimalText(0) + "KB");
}

void TrafficDisplay::showProcessor() {
  const int load = figures_.cpuLoadPercent();
  ui_.setPosition(Ctl::CPU进度条, load);
  ui_.setBarColour(cpuBar_, kCpuBarColour);
  ui_.setText(Ctl::CPU透明标签, integerText(load) + "%");
}

void TrafficDisplay::showMemory() {
  const PhysicalMemory mem = figures_.physicalMemory();
  double percent = 0;
  // A total of 0 means the figures could not be read; there is no share to show then.
  if (mem.totalMb > 0) {
    const auto used = static_cast<float>(1.0 - static_cast<double>(mem.availableMb) /
                                                   static_cast<double>(mem.totalMb));
    percent = decimalRound(static_cast<double>(used) * 100, 0);
  }
  ui_.setPosition(Ctl::内存进度条, truncToInt32(percent));
  ui_.setBarColour(memoryBar_, kMemoryBarColour);
  ui_.setText(Ctl::内存透明标签, plainNumberText(percent) + "%");
}

void TrafficDisplay::showTotal() {
  const double megabytes = static_cast<double>(totalBytes_) / 1048576.0;
  ui_.setText(Ctl::流量标签, plainNumberText(decimalRound(megabytes, 2)) + "MB");
}

}  // namespace kestrova
