// A running Kestrova for one test: started in SetUp, its main window found, ended in TearDown
// (also when the test fails).
#pragma once

#include <gtest/gtest.h>

#include "harness.h"

namespace kestrova::e2e {

class Running : public ::testing::Test {
 protected:
  void SetUp() override {
    beforeStart();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(program.start()) << "CreateProcess failed, error " << program.lastError();
    main = program.waitForMainWindow();
    if (!main) {
      const auto code = program.waitForExit(0ms);
      FAIL() << (code ? "Kestrova ended without showing its window, exit code " +
                            std::to_string(*code)
                      : std::string("no visible KestrovaMainWindow within the start timeout"));
    }
  }
  void TearDown() override { program.stop(); }

  // Runs before the program starts: a fixture may choose the exe and its launch here.
  virtual void beforeStart() {}

  // The window of a control; fails the test if it is missing.
  HWND control(Ctl c) {
    HWND w = findControl(main, c);
    EXPECT_NE(w, nullptr) << layoutOf(c).name << " (control ID " << controlId(c) << ") not found";
    return w;
  }
  // The window of a control's parent: the main window or a group box.
  HWND parentWindow(Ctl c) {
    return layoutOf(c).parent == Ctl::主窗口 ? main : control(layoutOf(c).parent);
  }

  Program program;
  HWND main = nullptr;
};

}  // namespace kestrova::e2e
