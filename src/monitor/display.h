// The traffic and load display: per sampling tick, the kilobytes one interface received and
// sent, the processor load, the memory in use and the traffic total, as texts and bars.
#pragma once

#include <cstdint>

#include "monitor/iftable.h"
#include "platform/figures.h"
#include "platform/ui.h"

namespace kestrova {

inline constexpr ColourRef kReceiveBarColour = 0x00FF00FF;
inline constexpr ColourRef kSendBarColour = 0x00FF8800;
inline constexpr ColourRef kCpuBarColour = 0x000000FF;
inline constexpr ColourRef kMemoryBarColour = 0x00008000;

// The row of the interface table that the display shows.
inline constexpr int kShownRow = 2;

class TrafficDisplay {
 public:
  TrafficDisplay(Ui& ui, SystemFigures& figures) : ui_(ui), figures_(figures) {}

  // Display reset: takes the four bar handles, sets the traffic total to 0 and takes the
  // processor-time baseline for the first tick. The previous counters are kept.
  void reset();

  // Display update for record `row` (1-based) of the table.
  void update(const InterfaceTable& table, int row);

  std::int32_t previousReceived() const { return prevIn_; }
  std::int32_t previousSent() const { return prevOut_; }
  // Every byte counted since the reset, exactly.
  std::int64_t totalBytes() const { return totalBytes_; }

 private:
  // One traffic readout: difference since the previous counter, bar, colour and label.
  std::int32_t showTraffic(std::int32_t current, std::int32_t& previous, Ctl bar,
                           NativeHandle barHandle, ColourRef colour, Ctl label);
  // The readout when the table has no such row: nothing received, nothing sent.
  void showNoTraffic(Ctl bar, NativeHandle barHandle, ColourRef colour, Ctl label);
  void showProcessor();
  void showMemory();
  void showTotal();

  Ui& ui_;
  SystemFigures& figures_;

  std::int32_t prevIn_ = 0;
  std::int32_t prevOut_ = 0;
  std::int64_t totalBytes_ = 0;
  NativeHandle receiveBar_ = 0;
  NativeHandle sendBar_ = 0;
  NativeHandle cpuBar_ = 0;
  NativeHandle memoryBar_ = 0;
};

}  // namespace kestrova
