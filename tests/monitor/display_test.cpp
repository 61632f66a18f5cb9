#include "monitor/display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_system.h"
#include "support/fake_ui.h"

namespace kestrova {
namespace {

using testing::FakeFigures;
using testing::FakeUi;
using testing::RowsIfTable;

constexpr std::uint32_t kBase = 1000000;

struct DisplayFixture : ::testing::Test {
  FakeUi ui;
  FakeFigures figures;
  RowsIfTable source;
  InterfaceTable table;
  TrafficDisplay display{ui, figures};

  DisplayFixture() {
    table.create();
    display.reset();
  }

  // One sampling tick with row 2 at these counters (row 1 is a bystander).
  void tick(std::uint32_t received, std::uint32_t sent) {
    source.rows = {{77, 88}, {received, sent}};
    refreshAndUpdate();
  }
  void refreshAndUpdate() {
    table.refresh(source);
    ui.log.clear();
    display.update(table, kShownRow);
  }
  std::string text(Ctl c) { return ui.state(c).text; }
  int position(Ctl c) { return ui.state(c).position; }
};

TEST_F(DisplayFixture, TheFirstTickShowsNoTrafficAndATotalOfZero) {
  tick(123456, 654321);
  EXPECT_EQ(text(Ctl::接收透明标签), "0.00KB");
  EXPECT_EQ(text(Ctl::发送透明标签), "0.00KB");
  EXPECT_EQ(position(Ctl::接收进度条), 0);
  EXPECT_EQ(position(Ctl::发送进度条), 0);
  EXPECT_EQ(text(Ctl::流量标签), "0MB");
  EXPECT_EQ(display.previousReceived(), 123456);
  EXPECT_EQ(display.previousSent(), 654321);
}

TEST_F(DisplayFixture, TrafficDifferencesGiveTheirLabelsAndBarPositions) {
  const struct {
    std::int64_t difference;
    const char* label;
    int bar;
  } cases[] = {
      {0, "0.00KB", 0},
      {5, "0.00KB", 0},
      {6, "0.01KB", 0},
      {128, "0.13KB", 0},
      {2047, "2.00KB", 1},
      {3072, "3.00KB", 1},
      {1 << 20, "1024.00KB", 512},
      {-4000, "-3.91KB", -1},
  };
  tick(kBase, kBase);
  std::uint32_t in = kBase;
  std::uint32_t out = kBase;
  for (const auto& c : cases) {
    in += static_cast<std::uint32_t>(c.difference);
    out += static_cast<std::uint32_t>(c.difference);
    tick(in, out);
    EXPECT_EQ(text(Ctl::接收透明标签), c.label) << c.difference;
    EXPECT_EQ(text(Ctl::发送透明标签), c.label) << c.difference;
    EXPECT_EQ(position(Ctl::接收进度条), c.bar) << c.difference;
    EXPECT_EQ(position(Ctl::发送进度条), c.bar) << c.difference;
  }
}

TEST_F(DisplayFixture, CountersThatWrapStillGiveTheirTrueStep) {
  const struct {
    std::uint32_t previous;
    std::uint32_t current;
  } cases[] = {
      {4294967296u - 256, 256},
      {2147483648u - 256, 2147483648u + 256},
  };
  for (const auto& c : cases) {
    tick(c.previous, c.previous);
    tick(c.current, c.current);
    EXPECT_EQ(text(Ctl::接收透明标签), "0.50KB") << c.previous;
    EXPECT_EQ(text(Ctl::发送透明标签), "0.50KB") << c.previous;
    EXPECT_EQ(display.previousReceived(), static_cast<std::int32_t>(c.current));
  }
}

TEST_F(DisplayFixture, MemoryInUseIsRoundedFromASinglePrecisionShare) {
  const struct {
    std::int64_t total;
    std::int64_t available;
    const char* label;
    int bar;
  } cases[] = {
      {2048, 1024, "50%", 50},
      {1000, 555, "44%", 44},
      {1024, 1, "100%", 100},
      {0, 0, "0%", 0},  // figures unavailable
  };
  for (const auto& c : cases) {
    figures.memory = {c.total, c.available};
    tick(kBase, kBase);
    EXPECT_EQ(text(Ctl::内存透明标签), c.label) << c.total << "/" << c.available;
    EXPECT_EQ(position(Ctl::内存进度条), c.bar) << c.total << "/" << c.available;
  }
}

TEST_F(DisplayFixture, ProcessorLoadIsShownAsReadEvenWhenUnavailable) {
  const struct {
    int load;
    const char* label;
  } cases[] = {{0, "0%"}, {37, "37%"}, {100, "100%"}, {-1, "-1%"}};
  for (const auto& c : cases) {
    figures.load = c.load;
    tick(kBase, kBase);
    EXPECT_EQ(text(Ctl::CPU透明标签), c.label);
    // The bar is given the value; a bar brings a negative one to the bottom of its range.
    EXPECT_EQ(position(Ctl::CPU进度条), c.load);
  }
}

TEST_F(DisplayFixture, TheResetTakesTheProcessorBaselineSoTheFirstTickNeedNotWait) {
  EXPECT_EQ(figures.baselines, 1);
  EXPECT_EQ(figures.loadReadings, 0);
  tick(kBase, kBase);
  EXPECT_EQ(figures.loadReadings, 1);
}

TEST_F(DisplayFixture, TheTotalAddsBothDirectionsInMegabytes) {
  tick(kBase, kBase);
  tick(kBase + (1u << 20), kBase);
  EXPECT_EQ(text(Ctl::流量标签), "1MB");
  tick(kBase + (1u << 20), kBase + (1u << 19));
  EXPECT_EQ(text(Ctl::流量标签), "1.5MB");
  tick(kBase + (1u << 20) - 4000, kBase + (1u << 19));
  EXPECT_EQ(display.totalBytes(), (1 << 20) + (1 << 19) - 4000);
}

TEST_F(DisplayFixture, AThirdOfAMegabyteReadsAsTwoDecimals) {
  tick(kBase, kBase);
  tick(kBase + 349525, kBase);
  EXPECT_EQ(text(Ctl::流量标签), "0.33MB");
}

TEST_F(DisplayFixture, TheTotalKeepsCountingSmallStepsAtSixteenGigabytes) {
  // 16384 MB in ticks of 800 MB each way and a rest, then a tick of 512 bytes.
  std::uint32_t in = kBase;
  tick(in, kBase);
  constexpr std::int64_t kTarget = std::int64_t{16384} << 20;
  constexpr std::uint32_t kStep = 1u << 30;  // 1024 MB, read as a negative step: split it
  while (display.totalBytes() < kTarget) {
    in += kStep / 2;
    tick(in, kBase);
  }
  ASSERT_EQ(display.totalBytes(), kTarget);
  EXPECT_EQ(text(Ctl::流量标签), "16384MB");
  in += 512;
  tick(in, kBase);
  EXPECT_EQ(display.totalBytes(), kTarget + 512);
  for (int i = 0; i < 20; ++i) {
    in += 512;
    tick(in, kBase);
  }
  // 21 ticks of 512 bytes make 0.01 MB: a single-precision total would still read 16384MB.
  EXPECT_EQ(text(Ctl::流量标签), "16384.01MB");
}

TEST_F(DisplayFixture, EveryBarGetsItsColourOnEveryTickRightAfterItsPosition) {
  for (int t = 0; t < 3; ++t) {
    tick(kBase + static_cast<std::uint32_t>(t) * 3000, kBase);
    const std::vector<std::string> expected{
        "setPosition 接收进度条 " + std::to_string(position(Ctl::接收进度条)),
        "barColour 接收进度条 0x00FF00FF",
        "setText 接收透明标签 " + text(Ctl::接收透明标签),
        "setPosition 发送进度条 0",
        "barColour 发送进度条 0x00FF8800",
        "setText 发送透明标签 0.00KB",
        "setPosition CPU进度条 0",
        "barColour CPU进度条 0x000000FF",
        "setText CPU透明标签 0%",
        "setPosition 内存进度条 50",
        "barColour 内存进度条 0x00008000",
        "setText 内存透明标签 50%",
        "setText 流量标签 " + text(Ctl::流量标签),
    };
    EXPECT_EQ(ui.log, expected) << "tick " << t;
  }
}

TEST_F(DisplayFixture, WithoutASecondRecordTheTrafficShowsNothingAndKeepsItsState) {
  tick(kBase, kBase);
  tick(kBase + 3072, kBase + 2048);
  // The second tick counted 3072 + 2048 bytes: under 0.005 MB.
  ASSERT_EQ(display.totalBytes(), 5120);
  figures.load = 42;
  figures.memory = {2048, 1024};

  const struct {
    const char* what;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> rows;
  } cases[] = {
      {"empty table", {}},
      {"one record", {{kBase + 999999, kBase + 999999}}},
  };
  for (const auto& c : cases) {
    source.rows = c.rows;
    refreshAndUpdate();
    EXPECT_EQ(text(Ctl::接收透明标签), "0.00KB") << c.what;
    EXPECT_EQ(text(Ctl::发送透明标签), "0.00KB") << c.what;
    EXPECT_EQ(position(Ctl::接收进度条), 0) << c.what;
    EXPECT_EQ(position(Ctl::发送进度条), 0) << c.what;
    EXPECT_EQ(display.totalBytes(), 5120) << c.what;
    EXPECT_EQ(text(Ctl::流量标签), "0MB") << c.what;
    EXPECT_EQ(display.previousReceived(), static_cast<std::int32_t>(kBase + 3072)) << c.what;
    EXPECT_EQ(display.previousSent(), static_cast<std::int32_t>(kBase + 2048)) << c.what;
    EXPECT_EQ(text(Ctl::CPU透明标签), "42%") << c.what;
    EXPECT_EQ(text(Ctl::内存透明标签), "50%") << c.what;
    for (const char* bar : {"接收进度条", "发送进度条", "CPU进度条", "内存进度条"}) {
      EXPECT_EQ(std::count_if(ui.log.begin(), ui.log.end(),
                              [&](const std::string& l) {
                                return l.rfind(std::string("barColour ") + bar, 0) == 0;
                              }),
                1)
          << c.what << " " << bar;
    }
  }
  // The interface coming back continues from the counters kept before.
  tick(kBase + 3072 + 1024, kBase + 2048);
  EXPECT_EQ(text(Ctl::接收透明标签), "1.00KB");
}

TEST_F(DisplayFixture, AFailedFirstRefreshLeavesNothingToReadAndNothingIsRead) {
  InterfaceTable fresh;
  fresh.create();
  source.rows = {{1, 2}, {3, 4}};
  source.failing = true;
  fresh.refresh(source);
  ASSERT_EQ(fresh.count(), 0);
  display.update(fresh, kShownRow);
  EXPECT_EQ(text(Ctl::接收透明标签), "0.00KB");
  EXPECT_EQ(display.previousReceived(), 0);
}

TEST_F(DisplayFixture, TheResetZeroesTheTotalButKeepsTheCounters) {
  tick(kBase, kBase);
  tick(kBase + (1u << 20), kBase);
  display.reset();
  EXPECT_EQ(display.totalBytes(), 0);
  EXPECT_EQ(display.previousReceived(), static_cast<std::int32_t>(kBase + (1u << 20)));
}

}  // namespace
}  // namespace kestrova
