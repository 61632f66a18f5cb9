#include "monitor/timelabels.h"

#include "monitor/numtext.h"

namespace kestrova {

std::string dateTimeText(const LocalTime& t) {
  std::string text =
      integerText(t.year) + "年" + integerText(t.month) + "月" + integerText(t.day) + "日";
  if (t.second != 0) {
    text +=
        integerText(t.hour) + "时" + integerText(t.minute) + "分" + integerText(t.second) + "秒";
  } else if (t.minute != 0) {
    text += integerText(t.hour) + "时" + integerText(t.minute) + "分";
  } else if (t.hour != 0) {
    text += integerText(t.hour) + "时";
  }
  return text;
}

void writeStartTimeLabel(Ui& ui, LocalClock& clock) {
  ui.setText(Ctl::透明标签2, "Kestrova启动时间：" + dateTimeText(clock.now()));
}

void ElapsedTime::update(Ui& ui) {
  ++seconds_;
  if (seconds_ == 60) {
    seconds_ = 0;
    ++minutes_;
  }
  if (minutes_ == 60) {
    minutes_ = 0;
    ++hours_;
  }
  if (hours_ == 24) {
    hours_ = 0;
    ++days_;
  }
  ui.setText(Ctl::透明标签1, caption());
}

std::string ElapsedTime::caption() const {
  return "Kestrova已运行：" + integerText(days_) + "天" + integerText(hours_) + "时" +
         integerText(minutes_) + "分" + integerText(seconds_) + "秒";
}

}  // namespace kestrova
