// The ping console as a user drives it: Enter in the host box, Stop, Clear, Save, the click
// that empties the host box, the refused host texts, and the ends of the program while a ping
// runs. The program runs from a folder of the test's own (so MailList.txt lands there) with
// the ping stand-in (tests/fixtures/ping.c, which sends nothing) first on its path and in its
// working directory, so that the command interpreter finds it before the system's ping.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "e2e_fixture.h"
#include "platform/win32/handles.h"

namespace kestrova::e2e {
namespace {

constexpr char kHost[] = "127.0.0.1";
// The stand-in's reply line up to its sequence number; the system's ping has no "seq=".
constexpr char kReplyPrefix[] = "Reply from 127.0.0.1: bytes=32 time<1ms TTL=128 seq=";

// The program's line for a refused host text, as a user reads it.
constexpr char kRefusedLine[] =
    "主机名中含有不允许的字符（& | < > ^ % \" ( ) ! 或控制字符），未执行。\r\n";

std::string reply(int seq) {
  return kReplyPrefix + std::to_string(seq) + "\r\n";
}

// The sequence numbers of the whole reply lines in a text, in order.
std::vector<int> replySeqs(const std::string& text) {
  std::vector<int> out;
  const std::string prefix = kReplyPrefix;
  for (auto at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
    const auto digits = at + prefix.size();
    const auto end = text.find("\r\n", digits);
    if (end == std::string::npos) break;  // a line cut by the last read
    out.push_back(std::stoi(text.substr(digits, end - digits)));
  }
  return out;
}

std::size_t count(const std::string& text, std::string_view part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Holds a handle to each process seen, so that "has it ended" can be asked of exactly those
// processes later: a process whose parent has gone no longer shows in the program's tree by
// the parent chain, and a held handle keeps its id from going to another process meanwhile.
class Watched {
 public:
  explicit Watched(const std::vector<ProcessEntry>& processes) {
    for (const auto& p : processes) {
      if (HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, p.pid)) watched_.push_back({p, h});
    }
  }
  ~Watched() {
    for (const auto& w : watched_) CloseHandle(w.handle);
  }
  Watched(const Watched&) = delete;
  Watched& operator=(const Watched&) = delete;

  std::size_t size() const { return watched_.size(); }
  // The watched processes still running.
  std::vector<ProcessEntry> running() const {
    std::vector<ProcessEntry> out;
    for (const auto& w : watched_) {
      if (WaitForSingleObject(w.handle, 0) == WAIT_TIMEOUT) out.push_back(w.entry);
    }
    return out;
  }

 private:
  struct Entry {
    ProcessEntry entry;
    HANDLE handle;
  };
  std::vector<Entry> watched_;
};

class Console : public Running {
 protected:
  // Milliseconds between the stand-in's reply lines.
  virtual std::wstring lineInterval() const { return L"100"; }

  void beforeStart() override {
    const std::wstring exe = folder.file(L"Kestrova.exe");
    const std::wstring fixtures = fixturesDirectory();
    ASSERT_TRUE(CopyFileW(Program::defaultPath().c_str(), exe.c_str(), FALSE))
        << "copying " << narrow(Program::defaultPath()) << ": error " << GetLastError();
    ASSERT_TRUE(
        CopyFileW((fixtures + L"\\ping.exe").c_str(), folder.file(L"ping.exe").c_str(), FALSE))
        << "copying the ping stand-in from " << narrow(fixtures) << ": error " << GetLastError();
    Launch launch;
    launch.workingDirectory = folder.path();
    launch.environment = {{L"PATH", pathWithFixturesFirst()},
                          {L"KESTROVA_PING_INTERVAL_MS", lineInterval()}};
    program.setLaunch(exe, std::move(launch));
  }

  void TearDown() override {
    const DWORD pid = program.pid();
    Running::TearDown();
    // Ending the program's job ends whatever it left; a test that ends it by itself checks
    // that nothing was left before this.
    EXPECT_TRUE(waitUntil([&] { return descendantsOf(pid, processList()).empty(); }))
        << "left running: " << describe(descendantsOf(pid, processList()));
  }

  HWND box() { return control(Ctl::编辑框); }
  std::string boxText() { return text(box()); }

  // Clicks into the host box (which empties it), types the text and presses Enter.
  void enterHost(const std::string& host) {
    HWND hostBox = control(Ctl::编辑框1);
    click(centre(hostBox));
    ASSERT_TRUE(waitUntil([&] { return text(hostBox).empty(); })) << text(hostBox);
    typeText(host);
    ASSERT_TRUE(waitUntil([&] { return text(hostBox) == host; })) << text(hostBox);
    pressKey(VK_RETURN);
  }

  void startPing() {
    enterHost(kHost);
    ASSERT_TRUE(waitUntil([&] { return boxText().find(reply(0)) != std::string::npos; }))
        << "no reply line from the stand-in; the box holds: " << boxText();
  }

  bool waitForReply(int seq) {
    return waitUntil([&] { return boxText().find(reply(seq)) != std::string::npos; });
  }

  std::vector<ProcessEntry> children() const { return program.descendants(); }
  bool has(const std::vector<ProcessEntry>& ps, std::string_view image) const {
    return std::any_of(ps.begin(), ps.end(),
                       [&](const ProcessEntry& p) { return p.image == image; });
  }

  void clickButton(Ctl c) {
    HWND b = control(c);
    ASSERT_TRUE(b && shownOnScreen(b)) << layoutOf(c).name << " is not shown";
    click(centre(b));
  }

  bool idle() {
    return ownVisible(control(Ctl::超级按钮1)) && !ownVisible(control(Ctl::超级按钮2));
  }
  bool pinging() {
    return !ownVisible(control(Ctl::超级按钮1)) && ownVisible(control(Ctl::超级按钮2));
  }

  // Waits until the running-time label has changed `ticks` times: proof that that many
  // seconds of the program's own event handling have passed.
  bool waitForClockTicks(int ticks) {
    HWND label = control(Ctl::透明标签1);
    std::string last = text(label);
    for (int i = 0; i < ticks; ++i) {
      if (!waitUntil([&] { return text(label) != last; }, 5s)) return false;
      last = text(label);
    }
    return true;
  }

  void stopAndWaitForTheTreeToEnd() {
    const Watched before(children());
    clickButton(Ctl::超级按钮2);
    ASSERT_TRUE(waitUntil([&] { return idle(); })) << "Run and Stop not switched back";
    ASSERT_TRUE(waitUntil([&] { return children().empty() && before.running().empty(); }))
        << "left running after Stop: " << describe(children())
        << "; of those seen before: " << describe(before.running());
  }

  TempFolder folder;
};

TEST_F(Console, EnterStreamsTheStandInsRepliesWhileTheClockRuns) {
  startPing();
  EXPECT_TRUE(pinging()) << "Run should be hidden and Stop shown";
  const auto running = children();
  EXPECT_TRUE(has(running, "cmd.exe") && has(running, "ping.exe")) << describe(running);

  // A tick of the running-time label, and the lines go on arriving all the while.
  HWND label = control(Ctl::透明标签1);
  const std::string before = text(label);
  const int seqBefore = replySeqs(boxText()).back();
  ASSERT_TRUE(waitUntil([&] { return text(label) != before; }, 5s))
      << "running-time label stuck at " << before << " during the ping";
  EXPECT_TRUE(waitForReply(seqBefore + 5)) << "lines stopped after seq=" << seqBefore;
  // The box holds the stand-in's output as it wrote it, every line once and in order.
  const std::string t = boxText();
  EXPECT_EQ(t.rfind("\r\nPinging 127.0.0.1 with 32 bytes of data:\r\n", 0), 0u) << t;
  const auto seqs = replySeqs(t);
  for (std::size_t i = 0; i < seqs.size(); ++i) ASSERT_EQ(seqs[i], static_cast<int>(i)) << t;
}

TEST_F(Console, StopEndsTheLinesAndLeavesNoProcess) {
  startPing();
  ASSERT_TRUE(waitForReply(3));
  stopAndWaitForTheTreeToEnd();
  const std::string atStop = boxText();
  // The tree has ended, so no line can come any more; one tick of the program's event handling
  // later, none that was on its way has been added either.
  ASSERT_TRUE(waitForClockTicks(1)) << "running-time label stuck";
  EXPECT_EQ(boxText(), atStop);
  EXPECT_TRUE(idle());
}

TEST_F(Console, ClearEmptiesTheBoxDuringAPingAndAfterIt) {
  startPing();
  ASSERT_TRUE(waitForReply(3));
  clickButton(Ctl::超级按钮4);
  // The next chunks go into the emptied box: the header and the first lines are gone.
  ASSERT_TRUE(waitUntil([&] {
    const std::string t = boxText();
    return t.find("Pinging") == std::string::npos && replySeqs(t).size() >= 3;
  })) << boxText();
  EXPECT_GT(replySeqs(boxText()).front(), 3);

  stopAndWaitForTheTreeToEnd();
  ASSERT_FALSE(boxText().empty());
  clickButton(Ctl::超级按钮4);
  EXPECT_TRUE(waitUntil([&] { return boxText().empty(); })) << boxText();
}

TEST_F(Console, SaveWritesTheBoxBytesAndCrLfBesideTheExe) {
  const std::wstring log = folder.file(L"MailList.txt");
  startPing();
  ASSERT_TRUE(waitForReply(3));
  stopAndWaitForTheTreeToEnd();
  // A refused host adds the program's own (Chinese) line, so that the file shows the code page.
  enterHost("a|b");
  ASSERT_TRUE(waitUntil([&] { return boxText().find(kRefusedLine) != std::string::npos; }));

  // Each save replaces the whole file: first the box's text, then, once cleared, CR LF alone.
  struct Step {
    bool clearFirst;
  };
  for (const Step step : {Step{false}, Step{true}}) {
    if (step.clearFirst) {
      clickButton(Ctl::超级按钮4);
      ASSERT_TRUE(waitUntil([&] { return boxText().empty(); }));
    }
    DeleteFileW(log.c_str());
    const std::string expected = ansi(boxText()) + "\r\n";
    clickButton(Ctl::超级按钮5);
    ASSERT_TRUE(waitUntil([&] { return readFileBytes(log) == expected; }))
        << "clear first " << step.clearFirst << ": MailList.txt holds "
        << readFileBytes(log).value_or("(no file)").size() << " bytes, expected "
        << expected.size();
  }
}

// The program's ANSI code page is its locale's: Save writes the box in it. The same text gives
// the code page's own bytes, known here literally.
TEST_F(Console, SaveWritesTheCodePageOfTheLocaleTheProgramRunsIn) {
  const wchar_t* lang = _wgetenv(L"KESTROVA_LANG");
  ASSERT_NE(lang, nullptr) << "KESTROVA_LANG not set: the driver runs through the emulator";
  const std::wstring locale = lang;
  std::string expected;
  if (locale.rfind(L"zh_CN", 0) == 0) {
    expected = "\xcd\xf8\xc2\xe7\xa8\xa6\r\n";  // "网络é" in GBK (code page 936)
  } else if (locale == L"C") {
    expected = "??\xe9\r\n";  // code page 1252: no Chinese, é is E9
  } else {
    FAIL() << "no known code page for the locale " << narrow(locale);
  }
  const std::wstring log = folder.file(L"MailList.txt");
  ASSERT_TRUE(setText(box(), "网络é"));
  ASSERT_EQ(boxText(), "网络é");
  clickButton(Ctl::超级按钮5);
  std::optional<std::string> written;
  EXPECT_TRUE(waitUntil([&] { return (written = readFileBytes(log)) == expected; }))
      << "MailList.txt holds " << ::testing::PrintToString(written.value_or("(no file)"))
      << ", expected " << ::testing::PrintToString(expected);
}

TEST_F(Console, AClickInTheHostBoxEmptiesIt) {
  HWND hostBox = control(Ctl::编辑框1);
  ASSERT_FALSE(text(hostBox).empty()) << "the host box shows its hint at start-up";
  // The hint, then a host the user typed: each click empties the box (the second comes soon
  // after the first, a few pixels beside it: a click of its own, not a double click).
  for (const std::string typed : {"", "10.1.2.3 typed"}) {
    typeText(typed);
    ASSERT_TRUE(waitUntil([&] { return typed.empty() || text(hostBox).ends_with(typed); }));
    click(centre(hostBox));
    EXPECT_TRUE(waitUntil([&] { return text(hostBox).empty(); }))
        << "after typing \"" << typed << "\" the box holds " << text(hostBox);
  }
}

TEST_F(Console, ARefusedHostTextRunsNothing) {
  // Each would create injected.txt if the interpreter got it: a pipe runs both sides at
  // once, a command after & runs once the stand-in (without -t) has printed its four lines,
  // and a redirection writes the ping's output there.
  const std::vector<std::string> refused = {
      "127.0.0.1 | echo x > injected.txt",
      "127.0.0.1 & echo x > injected.txt",
      "127.0.0.1 > injected.txt",
  };
  for (std::size_t i = 0; i < refused.size(); ++i) {
    enterHost(refused[i]);
    ASSERT_TRUE(waitUntil([&] { return count(boxText(), kRefusedLine) == i + 1; }))
        << refused[i] << ": the box holds " << boxText();
  }
  // A command the program had started would be among its children from the moment it was
  // started; one tick later the handling of the last Enter is over.
  ASSERT_TRUE(waitForClockTicks(1)) << "running-time label stuck";
  EXPECT_FALSE(fileExists(folder.file(L"injected.txt")));
  EXPECT_TRUE(children().empty()) << describe(children());
  EXPECT_TRUE(idle()) << "the buttons changed";
  std::string expected;
  for (std::size_t i = 0; i < refused.size(); ++i) expected += kRefusedLine;
  EXPECT_EQ(boxText(), expected);
}

// The ways the program ends while a ping runs: each ends with exit code 0 and leaves no
// process behind.
struct Ending {
  const char* name;
  void (*end)(HWND main, HWND closeButton);
};

const Ending kEndings[] = {
    {"CloseButton", [](HWND, HWND closeButton) { click(centre(closeButton)); }},
    {"WmClose", [](HWND main, HWND) { PostMessageW(main, WM_CLOSE, 0, 0); }},
    {"ScClose", [](HWND main, HWND) { PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

class EndingDuringAPing : public Console, public ::testing::WithParamInterface<Ending> {};

TEST_P(EndingDuringAPing, ExitsWith0AndLeavesNoProcess) {
  startPing();
  ASSERT_TRUE(waitForReply(2));
  const DWORD pid = program.pid();
  const auto before = descendantsOf(pid, processList());
  ASSERT_TRUE(has(before, "ping.exe")) << describe(before);
  const Watched watched(before);
  ASSERT_EQ(watched.size(), before.size());

  GetParam().end(main, control(Ctl::图形按钮3));
  const auto code = program.waitForExit();
  ASSERT_TRUE(code.has_value()) << "still running";
  EXPECT_EQ(*code, 0u);
  // Checked before TearDown ends the driver's job, which would end any leftover itself.
  EXPECT_TRUE(waitUntil([&] {
    return descendantsOf(pid, processList()).empty() && watched.running().empty();
  })) << "left running: "
      << describe(descendantsOf(pid, processList()))
      << "; of those seen before: " << describe(watched.running());
}

INSTANTIATE_TEST_SUITE_P(Console, EndingDuringAPing, ::testing::ValuesIn(kEndings),
                         [](const auto& param) { return std::string(param.param.name); });

// Ended from outside (as the task manager ends a program) during a ping: its job objects are
// closed with its handles, and they end what it started.
TEST_F(Console, EndedFromOutsideDuringAPingItLeavesNoProcess) {
  startPing();
  ASSERT_TRUE(waitForReply(2));
  const DWORD pid = program.pid();
  const auto before = descendantsOf(pid, processList());
  ASSERT_TRUE(has(before, "cmd.exe") && has(before, "ping.exe")) << describe(before);
  const Watched watched(before);
  ASSERT_EQ(watched.size(), before.size());

  ASSERT_TRUE(TerminateProcess(program.process(), 7)) << GetLastError();
  const auto code = program.waitForExit();
  ASSERT_TRUE(code.has_value()) << "still running";
  EXPECT_EQ(*code, 7u);
  // Checked before TearDown ends the driver's job, which would end any leftover itself.
  EXPECT_TRUE(waitUntil([&] {
    return descendantsOf(pid, processList()).empty() && watched.running().empty();
  })) << "left running: "
      << describe(descendantsOf(pid, processList()))
      << "; of those seen before: " << describe(watched.running());
}

// The stand-in writing as fast as it can.
class FastConsole : public Console {
 protected:
  std::wstring lineInterval() const override { return L"0"; }
};

TEST_F(FastConsole, TheBoxTakesOutputPast32KCharacters) {
  startPing();
  // Well past a multi-line edit box's default limit of 32 767 characters.
  ASSERT_TRUE(waitUntil([&] { return textLength(box()) > 40000; }, 60s, 50ms))
      << "the box stopped at " << textLength(box()) << " characters";
  stopAndWaitForTheTreeToEnd();
  const std::string t = boxText();
  EXPECT_GT(t.size(), 40000u);
  EXPECT_EQ(t.rfind("\r\nPinging 127.0.0.1", 0), 0u) << "the start of the output is gone";
  // Every line arrived, once and in order, the ones past the limit included, up to the last
  // one (which Stop may have cut at the end of a read).
  const auto seqs = replySeqs(t);
  ASSERT_GT(seqs.size(), 40000u / reply(9999).size());
  for (std::size_t i = 0; i < seqs.size(); ++i) ASSERT_EQ(seqs[i], static_cast<int>(i));
  const std::string last = reply(seqs.back());
  const std::string rest = t.substr(t.rfind(last) + last.size());
  EXPECT_EQ(reply(seqs.back() + 1).rfind(rest, 0), 0u) << "after the last line: " << rest;
}

// The stand-in writes, in one write, a block of text in the ANSI code page whose byte 1022,
// the last of the first 1023-byte read, is the lead byte of a character (code page 936), or a
// letter outside ASCII (1252, where every character is one byte).
class BlockConsole : public Console {
 protected:
  void beforeStart() override {
    block = makeBlock();
    ASSERT_FALSE(block.empty()) << "no block with a character outside ASCII at byte 1022";
    const std::wstring path = folder.file(L"block.txt");
    const win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    ASSERT_TRUE(
        file &&
        WriteFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &put, nullptr) &&
        put == block.size());
    // The program and everything it starts inherit the driver's environment.
    SetEnvironmentVariableW(L"KESTROVA_PING_BLOCK", path.c_str());
    Console::beforeStart();
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"KESTROVA_PING_BLOCK", nullptr);
    Console::TearDown();
  }

  // Reply lines in the code page's language, shifted by a few ASCII bytes until a character
  // outside ASCII starts at byte 1022, then cut after the last whole character within 1344
  // bytes.
  static std::string makeBlock() {
    const std::string line =
        GetACP() == 936 ? ansi("来自 127.0.0.1 的回复: 字节=32 时间<1ms TTL=128 中文\r\n")
                        : ansi("Réponse de 127.0.0.1 : octets=32 temps<1ms TTL=128 été\r\n");
    for (std::size_t pad = 0; pad < line.size(); ++pad) {
      std::string b(pad, 'x');
      while (b.size() < 1400) b += line;
      std::size_t i = 0;
      bool wideAt1022 = false;
      std::size_t whole = 0;
      while (i < b.size()) {
        const auto byte = static_cast<BYTE>(b[i]);
        if (i == 1022) wideAt1022 = byte >= 0x80;
        i += IsDBCSLeadByte(byte) ? 2 : 1;
        if (i <= 1344) whole = i;
      }
      if (wideAt1022) return b.substr(0, whole);
    }
    return {};
  }

  std::string block;
};

TEST_F(BlockConsole, ACharacterCutByAReadReachesTheBoxAndTheLogWhole) {
  ASSERT_TRUE(GetACP() != 936 || IsDBCSLeadByte(static_cast<BYTE>(block[1022])));
  std::wstring wide(block.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, block.data(), static_cast<int>(block.size()), wide.data(),
                          static_cast<int>(wide.size()))));
  const std::string expected = narrow(wide);
  enterHost(kHost);
  // The stand-in writes its block and ends; the capture then finishes.
  ASSERT_TRUE(waitUntil([&] { return boxText().size() >= expected.size(); }))
      << "the box holds " << boxText().size() << " bytes of UTF-8, expected " << expected.size();
  ASSERT_TRUE(waitUntil([&] { return children().empty(); })) << describe(children());
  const std::string shown = boxText();
  const auto differ = std::mismatch(shown.begin(), shown.end(), expected.begin(), expected.end());
  EXPECT_TRUE(shown == expected) << "the box differs from UTF-8 byte "
                                 << (differ.first - shown.begin()) << " on: "
                                 << shown.substr(
                                        static_cast<std::size_t>(differ.first - shown.begin()), 40);

  const std::wstring log = folder.file(L"MailList.txt");
  clickButton(Ctl::超级按钮5);
  ASSERT_TRUE(waitUntil([&] { return readFileBytes(log).has_value(); }));
  ASSERT_TRUE(waitUntil([&] { return readFileBytes(log) == block + "\r\n"; }))
      << "MailList.txt holds " << readFileBytes(log).value_or("").size() << " bytes, expected "
      << block.size() + 2;
}

}  // namespace
}  // namespace kestrova::e2e
