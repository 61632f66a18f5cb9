#include "app/app.h"

#include <gtest/gtest.h>

#include "support/fake_ui.h"

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
};

// Answers every refresh with three rows.
class ThreeRows : public IfTableSource {
 public:
  std::uint32_t getIfTable(std::uint8_t* buffer, std::uint32_t* size, bool sorted) override {
    const std::uint32_t needed = 4 + 3 * kIfRowSize;
    if (!sorted || *size < needed) {
      *size = needed;
      return 122;  // ERROR_INSUFFICIENT_BUFFER
    }
    buffer[0] = 3;
    return 0;
  }
};

struct AppFixture : ::testing::Test {
  testing::FakeUi ui;
  ThreeRows ifTable;
  FakeShell shell;
  App app{shell, Services{ui, ifTable}};

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

}  // namespace
}  // namespace kestrova
