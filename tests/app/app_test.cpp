#include "app/app.h"

#include <gtest/gtest.h>

#include "support/fake_files.h"
#include "support/fake_system.h"
#include "support/fake_ui.h"
#include "support/scripted_processes.h"

namespace kestrova {
namespace {

struct ProcessEnded {
  int code;
};

// Records the start-up and end steps; exitProcess unwinds with the code instead of ending.
class FakeShell : public Shell {
 public:
  std::vector<std::string> steps;
  std::vector<Binding> bound;
  std::function<void()> duringLoop;

  void createMainWindow(std::vector<Binding> bindings) override {
    steps.push_back("create");
    bound = std::move(bindings);
    for (auto& b : bound) {
      if (b.event == Event::created) b.handler({});
    }
    steps.push_back("show");
  }
  void runMessageLoop() override {
    steps.push_back("loop");
    if (duringLoop) duringLoop();
  }
  void destroyWindows() override { steps.push_back("destroy"); }
  [[noreturn]] void exitProcess(int code) override {
    steps.push_back("exit " + std::to_string(code));
    throw ProcessEnded{code};
  }

  void raise(Ctl c, Event e) {
    for (auto& b : bound) {
      if (b.control == c && b.event == e) b.handler({});
    }
  }
  void raiseKey(Ctl c, int key) {
    EventArgs args;
    args.key = key;
    for (auto& b : bound) {
      if (b.control == c && b.event == Event::keyPressed) b.handler(args);
    }
  }
};

// The application over fakes of every system service, as start-up builds it.
struct FakedApp : ::testing::Test {
  testing::FakeUi ui;
  testing::RowsIfTable ifTable;
  testing::FakeFigures figures;
  testing::FakeClock clock;
  testing::ScriptedProcesses processes;
  testing::FakeFiles files;
  FakeShell shell;
  App app{shell, Services{ui, ifTable, figures, clock, processes, files}};
};

struct AppFixture : FakedApp {
  AppFixture() { ifTable.rows = {{1, 2}, {3, 4}, {5, 6}}; }

  int run() {
    try {
      app.startUp();
    } catch (const ProcessEnded& e) {
      return e.code;
    }
    ADD_FAILURE() << "start-up returned";
    return -1;
  }
};

TEST_F(AppFixture, TheLoopEndingLeadsToTheNormalEndWithCodeZero) {
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(shell.steps, (std::vector<std::string>{"create", "show", "loop", "destroy", "exit 0"}));
}

TEST_F(AppFixture, TheCloseButtonEndsFromInsideTheLoopWithCodeZero) {
  shell.duringLoop = [&] {
    shell.raise(Ctl::时钟1, Event::periodic);
    shell.raise(Ctl::图形按钮3, Event::clicked);
    shell.steps.push_back("after click");  // never reached
  };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(shell.steps.back(), "exit 0");
  EXPECT_EQ(std::count(shell.steps.begin(), shell.steps.end(), "destroy"), 1);
}

TEST_F(AppFixture, TheExitActionReleasesTheTableOnceAtTheEnd) {
  shell.duringLoop = [&] {
    shell.raise(Ctl::时钟1, Event::periodic);
    EXPECT_EQ(app.table().count(), 3);
  };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(app.table().count(), 0) << "the table was released on the way out";
  // A later end finds no exit action left: the table stays as it is.
  shell.raise(Ctl::时钟1, Event::periodic);
  EXPECT_THROW(app.normalEnd(0), ProcessEnded);
  EXPECT_EQ(app.table().count(), 3);
}

TEST_F(AppFixture, TheTableIsEmptyUntilTheFirstTick) {
  shell.duringLoop = [&] { EXPECT_EQ(app.table().count(), 0); };
  EXPECT_EQ(run(), 0);
}

TEST_F(AppFixture, ASystemCloseDuringAPingEndsTheChildAndTheProgramWithCodeZero) {
  processes.messageEveryMs = 500;  // the sampling timer
  processes.scripts.push_back({{testing::writes("Reply\r\n"), testing::idles()}});
  ui.onProcessEvents = [&] {
    // The main window is destroyed by the system: a quit request now waits in the queue.
    if (ui.processEventsCalls == 3) ui.quit = true;
  };
  shell.duringLoop = [&] {
    ui.state(Ctl::编辑框1).text = "127.0.0.1";
    shell.raise(Ctl::超级按钮1, Event::clicked);
    shell.steps.push_back("capture returned");
  };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(shell.steps, (std::vector<std::string>{"create", "show", "loop", "capture returned",
                                                   "destroy", "exit 0"}));
  EXPECT_EQ(std::count(processes.trace.begin(), processes.trace.end(), "1 terminate"), 1);
  EXPECT_EQ(processes.childrenAlive, 0);
  EXPECT_FALSE(processes.runaway);
  EXPECT_FALSE(processes.stuck);
  EXPECT_EQ(app.table().count(), 0);
}

TEST_F(AppFixture, TheCloseButtonDuringAPingEndsWithCodeZeroAtOnce) {
  processes.messageEveryMs = 500;  // the sampling timer
  processes.scripts.push_back({{testing::writes("Reply\r\n"), testing::idles()}});
  ui.onProcessEvents = [&] {
    if (ui.processEventsCalls == 2) shell.raise(Ctl::图形按钮3, Event::clicked);
  };
  shell.duringLoop = [&] {
    shell.raise(Ctl::编辑框1, Event::keyPressed);  // key 0: nothing
    EXPECT_TRUE(processes.commandLines.empty());
    shell.raiseKey(Ctl::编辑框1, 13);
    shell.steps.push_back("capture returned");  // never reached
  };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(shell.steps, (std::vector<std::string>{"create", "show", "loop", "destroy", "exit 0"}));
  EXPECT_EQ(processes.commandLines, (std::vector<std::string>{"cmd.exe /c ping 输入域名或IP地址 "
                                                              "例：www.example.com -t"}));
  // The child is ended before the process ends (where no job would end it with the
  // process); here the unwinding then frees it.
  EXPECT_EQ(std::count(processes.trace.begin(), processes.trace.end(), "1 terminate"), 1);
  EXPECT_EQ(processes.childrenAlive, 0);
}

TEST_F(AppFixture, EveryEventOfTheLayoutIsBoundExactlyOnce) {
  const auto b = app.bindings();
  const std::vector<std::pair<Ctl, Event>> expected{
      {Ctl::主窗口, Event::created},
      {Ctl::时钟1, Event::periodic},
      {Ctl::时间显示时钟, Event::periodic},
      {Ctl::滑块条1, Event::positionChanged},
      {Ctl::图形按钮1, Event::clicked},
      {Ctl::图形按钮4, Event::clicked},
      {Ctl::图形按钮5, Event::clicked},
      {Ctl::超级按钮3, Event::clicked},
      {Ctl::图形按钮3, Event::clicked},
      {Ctl::超级按钮1, Event::clicked},
      {Ctl::超级按钮2, Event::clicked},
      {Ctl::超级按钮4, Event::clicked},
      {Ctl::超级按钮5, Event::clicked},
      {Ctl::编辑框1, Event::keyPressed},
      {Ctl::编辑框1, Event::leftButtonPressed},
  };
  ASSERT_EQ(b.size(), expected.size());
  for (const auto& [c, e] : expected) {
    EXPECT_EQ(std::count_if(b.begin(), b.end(),
                            [&](const Binding& x) { return x.control == c && x.event == e; }),
              1);
  }
}

// The application with a shell that only binds; the test sets the table's rows.
struct WiredApp : FakedApp {
  WiredApp() {
    shell.bound = app.bindings();
    ui.log.clear();
  }
  void raise(Ctl c, Event e) { shell.raise(c, e); }
};

TEST_F(WiredApp, CreationSetUpResetsTheDisplayWritesTheStartTimeThenAppliesAlpha220) {
  raise(Ctl::主窗口, Event::created);
  EXPECT_EQ(figures.baselines, 1);
  EXPECT_EQ(ui.log,
            (std::vector<std::string>{"setText 透明标签2 Kestrova启动时间：2011年3月4日9时5分7秒",
                                      "alpha 主窗口 220"}));
  EXPECT_EQ(app.display().totalBytes(), 0);
}

TEST_F(WiredApp, StartUpCompletesTheSetUpInsideTheCreatedEventBeforeTheWindowIsShown) {
  std::vector<std::string> logAtLoop;
  shell.duringLoop = [&] { logAtLoop = ui.log; };
  try {
    app.startUp();
  } catch (const ProcessEnded&) {
  }
  EXPECT_EQ(logAtLoop,
            (std::vector<std::string>{"setText 透明标签2 Kestrova启动时间：2011年3月4日9时5分7秒",
                                      "alpha 主窗口 220"}));
  EXPECT_EQ(figures.baselines, 1);
}

TEST_F(WiredApp, EverySamplingTickRefreshesTheTableThenShowsRowTwo) {
  raise(Ctl::主窗口, Event::created);
  ifTable.rows = {{5, 5}, {1000, 2000}};
  raise(Ctl::时钟1, Event::periodic);
  ifTable.rows = {{9, 9}, {1000 + 3072, 2000 + 2047}};
  raise(Ctl::时钟1, Event::periodic);
  EXPECT_EQ(app.table().count(), 2);
  EXPECT_EQ(ui.state(Ctl::接收透明标签).text, "3.00KB");
  EXPECT_EQ(ui.state(Ctl::发送透明标签).text, "2.00KB");
  EXPECT_EQ(ui.state(Ctl::接收进度条).position, 1);
}

TEST_F(WiredApp, EveryClockTickAdvancesTheRunningTime) {
  for (int i = 0; i < 61; ++i) raise(Ctl::时间显示时钟, Event::periodic);
  EXPECT_EQ(ui.state(Ctl::透明标签1).text, "Kestrova已运行：0天0时1分1秒");
}

TEST_F(WiredApp, TheWindowCommandsAreBoundToTheirControls) {
  const struct {
    Ctl control;
    Event event;
    std::function<void()> before;
    std::vector<std::string> calls;
  } cases[] = {
      {Ctl::滑块条1,
       Event::positionChanged,
       [&] { ui.state(Ctl::滑块条1).position = 1; },
       {"alpha 主窗口 101"}},
      {Ctl::滑块条1,
       Event::positionChanged,
       [&] { ui.state(Ctl::滑块条1).position = 155; },
       {"alpha 主窗口 255"}},
      {Ctl::图形按钮1, Event::clicked, [&] { ui.outer = 580; }, {"setOuterHeight 主窗口 24"}},
      {Ctl::图形按钮1, Event::clicked, [&] { ui.outer = 24; }, {"setOuterHeight 主窗口 580"}},
      {Ctl::图形按钮5,
       Event::clicked,
       [&] { ui.state(Ctl::主窗口).shown = true; },
       {"minimise 主窗口"}},
      {Ctl::图形按钮5, Event::clicked, [&] { ui.state(Ctl::主窗口).shown = false; }, {}},
      {Ctl::图形按钮4,
       Event::clicked,
       [&] { ui.state(Ctl::主窗口).shown = true; },
       {"show 分组框1"}},
      {Ctl::图形按钮4, Event::clicked, [] {}, {"hide 分组框1"}},
      {Ctl::超级按钮3, Event::clicked, [] {}, {"hide 分组框1"}},
  };
  for (const auto& c : cases) {
    c.before();
    ui.log.clear();
    raise(c.control, c.event);
    EXPECT_EQ(ui.log, c.calls) << layoutOf(c.control).name;
  }
}

}  // namespace
}  // namespace kestrova
