#include "console/capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/fake_ui.h"
#include "support/scripted_processes.h"

namespace kestrova {
namespace {

using testing::at;
using testing::ChildScript;
using testing::exits;
using testing::idles;
using testing::Step;
using testing::writes;
using testing::writesAndExitsLate;

struct CaptureFixture : ::testing::Test {
  testing::FakeUi ui;
  testing::ScriptedProcesses processes;
  Capture capture{ui, processes};
  // Runs inside the n-th processPendingEvents call, counted from 1.
  std::vector<std::pair<int, std::function<void()>>> duringEvents;

  void SetUp() override {
    ui.onProcessEvents = [this] {
      processes.trace.push_back("events");
      const int call = ui.processEventsCalls;  // nested calls raise the count meanwhile
      for (auto& [n, f] : duringEvents) {
        if (n == call) f();
      }
    };
  }

  void TearDown() override {
    EXPECT_EQ(processes.childrenAlive, 0);
    EXPECT_FALSE(processes.runaway) << "a capture did not finish by itself";
    EXPECT_FALSE(processes.stuck) << "a capture waited for what could never come";
    EXPECT_EQ(processes.pipesAlive, 0);
  }

  // What was appended to the console box, chunk by chunk.
  std::vector<std::string> chunks() const {
    std::vector<std::string> out;
    const std::string prefix = "appendAnsiText 编辑框 ";
    for (const auto& line : ui.log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
      if (line == "appendAnsiText 编辑框") out.emplace_back();
    }
    return out;
  }

  std::size_t traceIndex(const std::string& entry) const {
    return static_cast<std::size_t>(
        std::find(processes.trace.begin(), processes.trace.end(), entry) - processes.trace.begin());
  }
};

struct ScriptCase {
  friend void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

  const char* name;
  ChildScript script;
  bool append;
  std::vector<std::string> chunks;
  int events;  // processPendingEvents calls, one a pass
  int waits;   // waits after a pass that read nothing
};

std::string zeroInside() {
  return std::string("abc\0def\r\n", 9);
}

// Steps without a time of their own come a scripted second apart.
const std::vector<ScriptCase>& scriptCases() {
  static const std::vector<ScriptCase> cases{
      {"a few lines then exit",
       {{writes("Reply 1\r\n"), writes("Reply 2\r\n"), writes("Reply 3\r\n"), exits()}},
       true,
       {"Reply 1\r\n", "Reply 2\r\n", "Reply 3\r\n"},
       6,
       3},
      {"more than 1023 bytes waiting",
       {{writes(std::string(2500, 'a')), exits()}},
       true,
       {std::string(1023, 'a'), std::string(1023, 'a'), std::string(454, 'a')},
       4,
       1},
      {"a zero byte ends the chunk of its read only",
       {{writes(zeroInside()), writes("ghi\r\n"), exits()}},
       true,
       {"abc", "ghi\r\n"},
       4,
       2},
      {"a chunk starting with a zero byte appends nothing of that read",
       {{writes(std::string("\0xyz", 4)), exits()}},
       true,
       {""},
       2,
       1},
      {"output written just before the end is still taken",
       {{writes("a\r\n"), at(0, writesAndExitsLate("last\r\n"))}},
       true,
       {"a\r\n", "last\r\n"},
       1,
       0},
      {"a child that cannot start returns at once",
       {{writes("never"), exits()}, true},
       true,
       {},
       0,
       0},
      {"a quiet child is waited for, not spun on",
       {{idles(), idles(), idles(), writes("x"), idles(), exits()}},
       true,
       {"x"},
       3,
       2},
      {"without append the output is read but not shown",
       {{writes("abc"), exits()}},
       false,
       {},
       2,
       1},
      {"a pipe that could not be made: the child is waited for, nothing is read",
       {{writes("lost"), at(3000, exits())}, false, true},
       true,
       {},
       1,
       1},
  };
  return cases;
}

class ScriptedChild : public CaptureFixture, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptedChild, AppendsWhatTheChildWritesAndFinishesWhenItEnds) {
  const ScriptCase& c = GetParam();
  processes.scripts.push_back(c.script);
  capture.run("ping host -t", c.append, Ctl::编辑框);

  EXPECT_EQ(chunks(), c.chunks);
  EXPECT_EQ(ui.processEventsCalls, c.events);
  EXPECT_EQ(processes.waits, c.waits);
  EXPECT_EQ(processes.trace.back(), "1 destroy");
  EXPECT_EQ(processes.trace[processes.trace.size() - 2], "1 closeRead");
  EXPECT_EQ(capture.running(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Capture, ScriptedChild, ::testing::ValuesIn(scriptCases()),
                         [](const ::testing::TestParamInfo<ScriptCase>& p) {
                           std::string n = p.param.name;
                           std::replace_if(
                               n.begin(), n.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                           return n;
                         });

TEST_F(CaptureFixture, ReadsAtMost1023BytesAPassWithEventsBetweenPasses) {
  processes.scripts.push_back({{writes(std::string(2100, 'b')), exits()}});
  capture.run("x", true, Ctl::编辑框);
  const std::vector<std::string> expected{"pipe",
                                          "version",
                                          "start cmd.exe /c x",
                                          "1 closeWrite",
                                          "1 read 1023",
                                          "events",
                                          "1 read 1023",
                                          "events",
                                          "1 read 54",
                                          "events",
                                          "1 read under way",
                                          "1 exitCode 259",
                                          "1 wait output -> 1000 end",
                                          "events",
                                          "1 read broken",
                                          "1 exitCode 0",
                                          "1 available 0",
                                          "1 closeRead",
                                          "1 destroy"};
  EXPECT_EQ(processes.trace, expected);
}

TEST_F(CaptureFixture, ALineASecondWakesTheCaptureOncePerLineAndPerMessage) {
  // Five lines a second apart, then the end; the sampling timer's message every 500 ms, in
  // between the lines.
  processes.scripts.push_back({{at(100, writes("Reply 0\r\n")), at(1100, writes("Reply 1\r\n")),
                                at(2100, writes("Reply 2\r\n")), at(3100, writes("Reply 3\r\n")),
                                at(4100, writes("Reply 4\r\n")), at(5100, exits())}});
  processes.messageEveryMs = 500;
  // When (on the scripted clock) each line was in the box at the end of a pass.
  std::vector<std::uint32_t> shownAt;
  ui.onProcessEvents = [&] {
    while (shownAt.size() < chunks().size()) shownAt.push_back(processes.now);
  };
  capture.run("ping host -t", true, Ctl::编辑框);

  EXPECT_EQ(chunks().size(), 5u);
  EXPECT_EQ(shownAt, (std::vector<std::uint32_t>{100, 1100, 2100, 3100, 4100}));
  // One wake-up per line, per message (ten) and for the end, and one pass for each of them
  // and for each line's read: no pass finds nothing to do but look again.
  EXPECT_EQ(processes.waits, 16);
  EXPECT_EQ(ui.processEventsCalls, 21);
}

struct LeadByteCase {
  friend void PrintTo(const LeadByteCase& c, std::ostream* os) { *os << c.name; }

  const char* name;
  bool twoByteCodePage;  // lead bytes 0x81 to 0xFE, as in code page 936
  std::vector<Step> steps;
  std::vector<std::string> chunks;
};

const std::vector<LeadByteCase>& leadByteCases() {
  static const std::vector<LeadByteCase> cases{
      {"a lead byte last in a chunk goes in front of the next",
       true,
       {writes("ab\xC4"),
        writes("\xE3"
               "cd\r\n"),
        exits()},
       {"ab",
        "\xC4\xE3"
        "cd\r\n"}},
      {"a lead byte last in a full read",
       true,
       {writes(std::string(1022, 'a') + "\xC4\xE3xyz"), exits()},
       {std::string(1022, 'a'), "\xC4\xE3xyz"}},
      {"a lead byte last in the whole output is appended as it is",
       true,
       {writes("ab\xC4"), exits()},
       {"ab", "\xC4"}},
      {"a chunk that is one lead byte",
       true,
       {writes("\xC4"), writes("\xE3"), exits()},
       {"", "\xC4\xE3"}},
      {"ascii and whole characters unchanged",
       true,
       {writes("a\xC4\xE3"
               "b\xB0\xA1\r\n"),
        writes("\xC4\xC4"), exits()},
       {"a\xC4\xE3"
        "b\xB0\xA1\r\n",
        "\xC4\xC4"}},
      {"a second byte in the lead byte range is not held",
       true,
       {writes("x\xC4\xC4\xC4"), writes("\xE3"), exits()},
       {"x\xC4\xC4", "\xC4\xE3"}},
      {"a single-byte code page holds nothing",
       false,
       {writes("ab\xC4"), writes("\xE3"), exits()},
       {"ab\xC4", "\xE3"}},
  };
  return cases;
}

class HeldLeadByte : public CaptureFixture, public ::testing::WithParamInterface<LeadByteCase> {};

TEST_P(HeldLeadByte, TwoByteCharactersReachTheBoxWhole) {
  const LeadByteCase& c = GetParam();
  if (c.twoByteCodePage)
    processes.leadBytes = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
  processes.scripts.push_back({c.steps});
  capture.run("ping host -t", true, Ctl::编辑框);

  EXPECT_EQ(chunks(), c.chunks);
  std::string written;
  for (const auto& step : c.steps) written += step.write;
  EXPECT_EQ(ui.state(Ctl::编辑框).text, written) << "the box holds exactly what was written";
}

INSTANTIATE_TEST_SUITE_P(Capture, HeldLeadByte, ::testing::ValuesIn(leadByteCases()),
                         [](const ::testing::TestParamInfo<LeadByteCase>& p) {
                           std::string n = p.param.name;
                           std::replace_if(
                               n.begin(), n.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                           return n;
                         });

TEST_F(CaptureFixture, StartsHiddenWithOutputOnThePipe) {
  processes.scripts.push_back({{exits()}});
  capture.run("x", true, Ctl::编辑框);
  ASSERT_EQ(processes.startups.size(), 1u);
  EXPECT_EQ(processes.startups[0].flags, 257u);
  EXPECT_EQ(processes.startups[0].showWindow, 0u);
}

TEST_F(CaptureFixture, TheCommandInterpreterFollowsThePlatformFamily) {
  const std::vector<std::pair<PlatformFamily, std::string>> cases{
      {PlatformFamily::nt, "cmd.exe /c ping a b -t"},
      {PlatformFamily::other, "command.com /c ping a b -t"},
  };
  for (const auto& [family, line] : cases) {
    processes.family = family;
    processes.scripts.push_back({{exits()}});
    capture.run("ping a b -t", true, Ctl::编辑框);
    EXPECT_EQ(processes.commandLines.back(), line);
  }
}

TEST_F(CaptureFixture, AnEmptyCommandClearsTheFlagAndDoesNothingElse) {
  processes.scripts.push_back({{exits()}});
  capture.run("x", true, Ctl::编辑框);
  ASSERT_EQ(capture.runningFlag(), 1);
  processes.trace.clear();

  capture.run("", true, Ctl::编辑框);
  EXPECT_EQ(capture.runningFlag(), 0);
  EXPECT_TRUE(processes.trace.empty());
  EXPECT_TRUE(ui.log.empty());
  EXPECT_EQ(ui.processEventsCalls, 0);
}

TEST_F(CaptureFixture, NothingIsAppendedOnceTheFlagIsCleared) {
  processes.scripts.push_back(
      {{writes("one\r\n"), writes("two\r\n"), writes("three\r\n"), idles(), exits()}});
  duringEvents.push_back({1, [this] { capture.run("", false, Ctl::编辑框); }});
  capture.run("x", true, Ctl::编辑框);

  EXPECT_EQ(chunks(), (std::vector<std::string>{"one\r\n"}));
  EXPECT_EQ(std::count(processes.trace.begin(), processes.trace.end(), "1 read 5"), 1);
  // While it is stopped the capture waits for the child's end (or a message), not for its
  // output: one wait, from the stop to the end.
  EXPECT_EQ(processes.waits, 1);
  EXPECT_LT(traceIndex("1 wait -> 4000 end"), processes.trace.size())
      << "the stopped capture's wait watched the output";
}

TEST_F(CaptureFixture, ANestedCaptureRunsToItsEndBeforeTheOlderOneGoesOn) {
  processes.scripts.push_back({{writes("o1 "), idles(), writes("o2 "), exits()}});
  processes.scripts.push_back({{writes("i1 "), writes("i2 "), exits()}});
  duringEvents.push_back({1, [this] { capture.run("inner", true, Ctl::编辑框); }});
  capture.run("outer", true, Ctl::编辑框);

  EXPECT_EQ(ui.state(Ctl::编辑框).text, "o1 i1 i2 o2 ");
  // The older capture takes no step of its own while the newer one runs.
  const auto innerStart = traceIndex("start cmd.exe /c inner");
  const auto innerEnd = traceIndex("2 destroy");
  ASSERT_LT(innerEnd, processes.trace.size());
  for (auto i = innerStart; i < innerEnd; ++i) {
    EXPECT_NE(processes.trace[i].rfind("1 ", 0), 0u) << processes.trace[i];
  }
}

TEST_F(CaptureFixture, AStoppedCaptureReadsAgainWhenANewerCaptureSetsTheFlag) {
  processes.scripts.push_back({{writes("o1 "), writes("o2 "), writes("o3 "), exits()}});
  processes.scripts.push_back({{writes("i1 "), exits()}});
  duringEvents.push_back({1, [this] { capture.run("", false, Ctl::编辑框); }});
  duringEvents.push_back({2, [this] { capture.run("inner", true, Ctl::编辑框); }});
  capture.run("outer", true, Ctl::编辑框);

  // o2 stayed in the pipe while the flag was 0 and is read with o3 afterwards.
  EXPECT_EQ(chunks(), (std::vector<std::string>{"o1 ", "i1 ", "o2 o3 "}));
  EXPECT_EQ(capture.runningFlag(), 1);
}

TEST_F(CaptureFixture, BytesAReadTookWhileStoppedComeFirstWhenTheFlagIsSetAgain) {
  processes.scripts.push_back(
      {{writes("o1 "), writes("o2 "), writes("o3 "), idles(), at(5000, exits())}});
  processes.scripts.push_back({{writes("i1 "), exits()}});
  // The read under way has taken o2 when the stop comes; the newer capture starts at the
  // older child's end.
  duringEvents.push_back({2, [this] { capture.run("", false, Ctl::编辑框); }});
  duringEvents.push_back({3, [this] { capture.run("inner", true, Ctl::编辑框); }});
  capture.run("outer", true, Ctl::编辑框);

  EXPECT_EQ(processes.trace[traceIndex("1 wait output -> 1000 output") + 2],
            "1 exitCode 259");  // stopped: no read, straight to the exit code
  EXPECT_EQ(chunks(), (std::vector<std::string>{"o1 ", "i1 ", "o2 ", "o3 "}));
}

TEST_F(CaptureFixture, EndingTheRunningChildrenEndsEveryNestedCapture) {
  processes.messageEveryMs = 500;
  processes.scripts.push_back({{writes("o "), idles()}});
  processes.scripts.push_back({{writes("i "), idles()}});
  duringEvents.push_back({1, [this] { capture.run("inner", true, Ctl::编辑框); }});
  duringEvents.push_back({3, [this] {
                            EXPECT_EQ(capture.running(), 2u);
                            capture.run("", false, Ctl::编辑框);
                            capture.endRunningChildren();
                          }});
  capture.run("outer", true, Ctl::编辑框);

  EXPECT_EQ(std::count(processes.trace.begin(), processes.trace.end(), "1 terminate"), 1);
  EXPECT_EQ(std::count(processes.trace.begin(), processes.trace.end(), "2 terminate"), 1);
  EXPECT_EQ(capture.running(), 0u);
}

TEST_F(CaptureFixture, AQuitRequestEndsTheChildAndTheCaptureReturns) {
  processes.messageEveryMs = 500;
  processes.scripts.push_back({{writes("a "), idles(), idles(), idles(), writes("late ")}});
  processes.scripts.push_back({{writes("b "), idles()}});
  duringEvents.push_back({1, [this] { capture.run("inner", true, Ctl::编辑框); }});
  duringEvents.push_back({3, [this] { ui.quit = true; }});
  capture.run("outer", true, Ctl::编辑框);

  EXPECT_EQ(ui.state(Ctl::编辑框).text, "a b ");
  EXPECT_EQ(std::count(processes.trace.begin(), processes.trace.end(), "1 terminate"), 1);
  EXPECT_EQ(std::count(processes.trace.begin(), processes.trace.end(), "2 terminate"), 1);
  EXPECT_EQ(traceIndex("1 read 5"), processes.trace.size());
}

}  // namespace
}  // namespace kestrova
