#include "console/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "support/fake_files.h"
#include "support/fake_ui.h"
#include "support/scripted_processes.h"

namespace kestrova {
namespace {

using testing::exits;
using testing::idles;
using testing::writes;

using testing::FakeFiles;

// The program's line for a refused host text, as a user reads it.
constexpr char kRefusedLine[] =
    "主机名中含有不允许的字符（& | < > ^ % \" ( ) ! 或控制字符），未执行。\r\n";

struct ConsoleFixture : ::testing::Test {
  testing::FakeUi ui;
  testing::ScriptedProcesses processes;
  FakeFiles files;
  Capture capture{ui, processes};
  Console console{ui, capture, files, [this](unsigned char b) { return processes.isLeadByte(b); }};

  void TearDown() override {
    EXPECT_EQ(processes.childrenAlive, 0);
    EXPECT_FALSE(processes.runaway) << "a capture did not finish by itself";
    EXPECT_FALSE(processes.stuck) << "a capture waited for what could never come";
  }

  std::vector<std::string> buttonCalls() const {
    std::vector<std::string> out;
    for (const auto& line : ui.log) {
      if (line.find("超级按钮") != std::string::npos) out.push_back(line);
    }
    return out;
  }
};

// ---- the host-text rule ----

struct HostCase {
  std::string text;
  bool allowed;
  friend void PrintTo(const HostCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.text) << (c.allowed ? " allowed" : " refused");
  }
};

class HostText : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostText, OnlyTextsWithoutInterpreterCharactersAreAllowed) {
  EXPECT_EQ(hostTextAllowed(GetParam().text), GetParam().allowed) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Console, HostText,
    ::testing::Values(HostCase{"127.0.0.1", true}, HostCase{"www.example.com", true},
                      HostCase{"", true}, HostCase{"   ", true}, HostCase{"::1", true},
                      HostCase{"host-name_1.local", true}, HostCase{"10.0.0.1 -n 3 -l 64", true},
                      HostCase{"输入域名或IP地址 例：www.example.com", true},
                      HostCase{"主机？*/\\[]{}~`'=,;@#$", true},
                      HostCase{"127.0.0.1 | echo x > injected.txt", false},
                      HostCase{"x & del *", false}, HostCase{"a&b", false}, HostCase{"a|b", false},
                      HostCase{"a<b", false}, HostCase{"a>b", false}, HostCase{"a^b", false},
                      HostCase{"%PATH%", false}, HostCase{"\"quoted\"", false},
                      HostCase{"(a)", false}, HostCase{"a)", false}, HostCase{"!var!", false},
                      HostCase{"a\r\nb", false}, HostCase{"a\nb", false}, HostCase{"a\tb", false},
                      HostCase{std::string("a\0b", 3), false}, HostCase{"a\x1b", false},
                      HostCase{"a\x7f", false}));

TEST(HostTextAnsi, TheSecondByteOfATwoByteCharacterIsNotTakenForAnInterpreterCharacter) {
  const LeadBytePredicate gbk = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
  // Two-byte characters whose second byte is the bar's and the caret's code.
  EXPECT_TRUE(hostTextAllowed("\xb1\x7c\xb2\x5e.example", gbk));
  EXPECT_FALSE(hostTextAllowed("\xb1\x7c|calc", gbk));
  EXPECT_FALSE(hostTextAllowed("\xb1\x26", gbk));  // no code page has & as a second byte
  // In a single-byte code page a high byte is a character of its own.
  EXPECT_FALSE(hostTextAllowed("\xe9|calc"));
}

// ---- Run, Enter, Stop and the host box ----

TEST_F(ConsoleFixture, RunAndEnterSwitchTheButtonsAndPingTheHostText) {
  const std::vector<std::function<void()>> starts{[&] { console.onRunClicked(); },
                                                  [&] { console.onHostKey(kEnterKey); }};
  for (const auto& start : starts) {
    ui.state(Ctl::编辑框1).text = "127.0.0.1";
    ui.setVisible(Ctl::超级按钮1, true);
    ui.setVisible(Ctl::超级按钮2, false);
    ui.log.clear();
    processes.scripts.push_back({{writes("Reply\r\n"), exits()}});
    start();

    EXPECT_EQ(processes.commandLines.back(), "cmd.exe /c ping 127.0.0.1 -t");
    EXPECT_EQ(ui.log, (std::vector<std::string>{"hide 超级按钮1", "show 超级按钮2",
                                                "appendAnsiText 编辑框 Reply\r\n"}));
    // The buttons stay as they are when the ping ends by itself.
    EXPECT_FALSE(ui.visible(Ctl::超级按钮1));
    EXPECT_TRUE(ui.visible(Ctl::超级按钮2));
  }
}

TEST_F(ConsoleFixture, TheHostTextGoesIntoTheCommandAsTheBoxHoldsIt) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"", "cmd.exe /c ping  -t"},
      {" a b ", "cmd.exe /c ping  a b  -t"},
      {"输入域名或IP地址 例：www.example.com",
       "cmd.exe /c ping 输入域名或IP地址 例：www.example.com -t"},
  };
  for (const auto& [host, line] : cases) {
    ui.state(Ctl::编辑框1).text = host;
    processes.scripts.push_back({{exits()}});
    console.onHostKey(kEnterKey);
    EXPECT_EQ(processes.commandLines.back(), line);
  }
}

TEST_F(ConsoleFixture, OnlyTheEnterKeyStartsAPing) {
  for (const int key : std::vector<int>{10, 'A', 0x0D + 256, 0x1B, 0x20}) console.onHostKey(key);
  EXPECT_TRUE(processes.commandLines.empty());
  EXPECT_TRUE(ui.log.empty());
}

TEST_F(ConsoleFixture, ARefusedHostTextStartsNothingAndSaysSoOnce) {
  for (const std::string host : {"127.0.0.1 | echo x > injected.txt", "a\r\nb"}) {
    ui.state(Ctl::编辑框1).text = host;
    ui.log.clear();
    console.onHostKey(kEnterKey);
    console.onRunClicked();

    EXPECT_TRUE(processes.commandLines.empty());
    EXPECT_EQ(capture.runningFlag(), 0);
    const std::string line = "appendText 编辑框 " + std::string(kRefusedLine);
    EXPECT_EQ(ui.log, (std::vector<std::string>{line, line}));
    EXPECT_TRUE(ui.visible(Ctl::超级按钮1));
    EXPECT_FALSE(ui.visible(Ctl::超级按钮2));
  }
}

TEST_F(ConsoleFixture, AHostTextThatTurnsIntoAnInterpreterCharacterInAnsiIsRefused) {
  // A full-width bar that the conversion to a single-byte code page makes a plain one.
  ui.state(Ctl::编辑框1).text = "127.0.0.1 ｜ calc";
  ui.ansiOverride[Ctl::编辑框1] = "127.0.0.1 | calc";
  console.onHostKey(kEnterKey);
  EXPECT_TRUE(processes.commandLines.empty());
  EXPECT_EQ(ui.log, (std::vector<std::string>{"appendText 编辑框 " + std::string(kRefusedLine)}));
}

TEST_F(ConsoleFixture, TwoByteCharactersInTheAnsiHostTextStillRun) {
  processes.leadBytes = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
  ui.state(Ctl::编辑框1).text = "主机";
  ui.ansiOverride[Ctl::编辑框1] = "\xd6\x7c\xbb\x5e";  // stand-in bytes with bar and caret
  processes.scripts.push_back({{exits()}});
  console.onHostKey(kEnterKey);
  EXPECT_EQ(processes.commandLines,
            (std::vector<std::string>{"cmd.exe /c ping \xd6\x7c\xbb\x5e -t"}));
}

TEST_F(ConsoleFixture, ALeftPressEmptiesTheHostBoxEveryTime) {
  for (const char* before : {"输入域名或IP地址 例：www.example.com", "10.1.1.1"}) {
    ui.state(Ctl::编辑框1).text = before;
    console.onHostLeftButton();
    EXPECT_EQ(ui.state(Ctl::编辑框1).text, "");
  }
}

TEST_F(ConsoleFixture, StopWhenIdleSwitchesTheButtonsAndClearsTheFlag) {
  console.onStopClicked();
  EXPECT_EQ(buttonCalls(), (std::vector<std::string>{"show 超级按钮1", "hide 超级按钮2"}));
  EXPECT_EQ(capture.runningFlag(), 0);
  EXPECT_TRUE(processes.trace.empty());
}

TEST_F(ConsoleFixture, StopDuringNestedPingsEndsThemAllAndNothingMoreIsAppended) {
  ui.state(Ctl::编辑框1).text = "h";
  processes.scripts.push_back({{writes("a "), idles(), writes("late-a ")}});
  processes.scripts.push_back({{writes("b "), idles(), writes("late-b ")}});
  int calls = 0;
  ui.onProcessEvents = [&] {
    ++calls;
    if (calls == 1) console.onHostKey(kEnterKey);  // Enter is not guarded while a ping runs
    if (calls == 2) console.onStopClicked();
  };
  console.onRunClicked();

  EXPECT_EQ(ui.state(Ctl::编辑框).text, "a b ");
  EXPECT_EQ(capture.running(), 0u);
  EXPECT_EQ(capture.runningFlag(), 0);
  EXPECT_TRUE(ui.visible(Ctl::超级按钮1));
  EXPECT_FALSE(ui.visible(Ctl::超级按钮2));
}

TEST_F(ConsoleFixture, ClearEmptiesTheConsoleBox) {
  ui.state(Ctl::编辑框).text = "Reply\r\n";
  console.onClearClicked();
  EXPECT_EQ(ui.log, (std::vector<std::string>{"setText 编辑框"}));
  EXPECT_EQ(ui.state(Ctl::编辑框).text, "");
}

// ---- Save ----

TEST_F(ConsoleFixture, SaveWritesTheBoxBytesPlusCrLf) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"", "\r\n"},
      {"Reply\r\n", "Reply\r\n\r\n"},
      {"lone\nlf\rcr\x1a\xb1\xed\xff", "lone\nlf\rcr\x1a\xb1\xed\xff\r\n"},
  };
  for (const auto& [box, file] : cases) {
    ui.state(Ctl::编辑框).text = box;
    console.onSaveClicked();
    EXPECT_EQ(files.files.at("C:\\Programs\\Kestrova\\MailList.txt"), file);
  }
}

TEST_F(ConsoleFixture, SavingTwiceKeepsOnlyTheSecondText) {
  ui.state(Ctl::编辑框).text = "first, longer text";
  console.onSaveClicked();
  ui.state(Ctl::编辑框).text = "second";
  console.onSaveClicked();
  EXPECT_EQ(files.files.at("C:\\Programs\\Kestrova\\MailList.txt"), "second\r\n");
}

TEST_F(ConsoleFixture, AFailedSaveIsNotReported) {
  files.writable = false;
  console.onSaveClicked();
  EXPECT_EQ(files.writes, 1);
  EXPECT_TRUE(ui.log.empty());
}

TEST_F(ConsoleFixture, AtADriveRootTheLogLiesInTheRoot) {
  files.exePath = "C:\\Kestrova.exe";
  console.onSaveClicked();
  EXPECT_EQ(files.files.count("C:\\MailList.txt"), 1u);
}

// ---- the path rule ----

struct PathCase {
  std::string module;
  std::string directory;
  std::string log;
  friend void PrintTo(const PathCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.module);
  }
};

class PathRule : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathRule, TheLogSitsBesideTheExecutable) {
  // Lead bytes as in the double-byte code pages of East Asia.
  const LeadBytePredicate lead = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
  const auto dir = directoryOf(GetParam().module, lead);
  EXPECT_EQ(dir, GetParam().directory);
  EXPECT_EQ(logFilePath(dir), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Console, PathRule,
    ::testing::Values(PathCase{"C:\\Programs\\Kestrova\\Kestrova.exe", "C:\\Programs\\Kestrova",
                               "C:\\Programs\\Kestrova\\MailList.txt"},
                      PathCase{"C:\\Kestrova.exe", "C:", "C:\\MailList.txt"},
                      PathCase{"\\\\server\\share\\Kestrova.exe", "\\\\server\\share",
                               "\\\\server\\share\\MailList.txt"},
                      // A directory whose name's second byte is a backslash byte.
                      PathCase{"D:\\\x95\x5c\\Kestrova.exe", "D:\\\x95\x5c",
                               "D:\\\x95\x5c\\MailList.txt"},
                      PathCase{"D:\\\xb9\xa4\xbe\xdf\\k.exe", "D:\\\xb9\xa4\xbe\xdf",
                               "D:\\\xb9\xa4\xbe\xdf\\MailList.txt"}));

}  // namespace
}  // namespace kestrova
