// The start-time label and the running-time counter.
#pragma once

#include <cstdint>
#include <string>

#include "platform/figures.h"
#include "platform/ui.h"

namespace kestrova {

// "2011年3月4日9时5分7秒", dropping the trailing time fields that are 0 (seconds first, then
// minutes, then hours).
std::string dateTimeText(const LocalTime& t);

// Writes the local date and time of this moment into 透明标签2, after its prefix.
void writeStartTimeLabel(Ui& ui, LocalClock& clock);

// Counts clock ticks as seconds, with carries into minutes, hours and days. Never reads the
// system clock.
class ElapsedTime {
 public:
  // One clock tick: advances by a second and rewrites 透明标签1.
  void update(Ui& ui);
  std::string caption() const;

 private:
  std::int32_t days_ = 0;
  std::int32_t hours_ = 0;
  std::int32_t minutes_ = 0;
  std::int32_t seconds_ = 0;
};

}  // namespace kestrova
