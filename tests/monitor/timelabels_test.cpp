#include "monitor/timelabels.h"

#include <gtest/gtest.h>

#include "support/fake_system.h"
#include "support/fake_ui.h"

namespace kestrova {
namespace {

TEST(DateTimeText, DropsTheTrailingTimeFieldsThatAreZero) {
  const struct {
    LocalTime time;
    const char* text;
  } cases[] = {
      {{2011, 3, 4, 9, 5, 7}, "2011年3月4日9时5分7秒"},
      {{2011, 3, 4, 9, 5, 0}, "2011年3月4日9时5分"},
      {{2011, 3, 4, 9, 0, 0}, "2011年3月4日9时"},
      {{2011, 3, 4, 0, 0, 0}, "2011年3月4日"},
      {{2011, 3, 4, 0, 0, 7}, "2011年3月4日0时0分7秒"},
      {{2011, 3, 4, 0, 5, 0}, "2011年3月4日0时5分"},
      {{1999, 12, 31, 23, 59, 59}, "1999年12月31日23时59分59秒"},
  };
  for (const auto& c : cases) EXPECT_EQ(dateTimeText(c.time), c.text);
}

TEST(StartTimeLabel, WritesThePrefixAndTheLocalTimeIntoItsLabelOnly) {
  testing::FakeUi ui;
  testing::FakeClock clock;
  clock.time = {2011, 3, 4, 0, 0, 0};
  writeStartTimeLabel(ui, clock);
  EXPECT_EQ(ui.log, (std::vector<std::string>{"setText 透明标签2 Kestrova启动时间：2011年3月4日"}));
}

TEST(ElapsedTime, CarriesSecondsIntoMinutesHoursAndDays) {
  const struct {
    int ticks;
    const char* caption;
  } cases[] = {
      {1, "Kestrova已运行：0天0时0分1秒"},     {59, "Kestrova已运行：0天0时0分59秒"},
      {60, "Kestrova已运行：0天0时1分0秒"},    {3599, "Kestrova已运行：0天0时59分59秒"},
      {3600, "Kestrova已运行：0天1时0分0秒"},  {86400, "Kestrova已运行：1天0时0分0秒"},
      {90061, "Kestrova已运行：1天1时1分1秒"},
  };
  testing::FakeUi ui;
  ElapsedTime elapsed;
  int done = 0;
  for (const auto& c : cases) {
    for (; done < c.ticks; ++done) elapsed.update(ui);
    EXPECT_EQ(ui.state(Ctl::透明标签1).text, c.caption) << c.ticks;
  }
}

TEST(ElapsedTime, EveryTickRewritesTheLabelOnce) {
  testing::FakeUi ui;
  ElapsedTime elapsed;
  EXPECT_EQ(ui.state(Ctl::透明标签1).text, "初始化执行中...");
  elapsed.update(ui);
  elapsed.update(ui);
  EXPECT_EQ(ui.log, (std::vector<std::string>{"setText 透明标签1 Kestrova已运行：0天0时0分1秒",
                                              "setText 透明标签1 Kestrova已运行：0天0时0分2秒"}));
}

}  // namespace
}  // namespace kestrova
