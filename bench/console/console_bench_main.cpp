// Kestrova as WinMain builds it, with one change chosen by the first argument, for the
// console benchmark (bench/README-console.md):
//
//   spin      the capture never waits between passes: the child's wait returns at once, so
//             the loop looks at its read, asks for the exit code and pumps events without a
//             pause
//   baseline  no capture at all: a timer appends the stand-in's reply line once a second to
//             the console box, the least any program showing those lines must do
//   stamp     the capture as the program runs it; every reply line that carries " qpc=N" (the
//             stand-in's QueryPerformanceCounter when it wrote the line) is timed the moment
//             its last chunk is in the console box, and "latency_us" lines go to
//             latency.txt beside the exe, with "append_us" lines: how long each append of
//             a chunk to the console box took
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "app/win32/program.h"
#include "console/console.h"
#include "platform/win32/handles.h"
#include "platform/win32/toolkit.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_process.h"

namespace {

using kestrova::Ctl;

// --- spin -------------------------------------------------------------------------------

class SpinningChild final : public kestrova::ChildProcess {
 public:
  explicit SpinningChild(std::unique_ptr<kestrova::ChildProcess> inner)
      : inner_(std::move(inner)) {}
  bool exitCode(std::uint32_t& code) override { return inner_->exitCode(code); }
  void waitForMessageOrEnd(kestrova::OutputPipe*) override {}
  void terminate() override { inner_->terminate(); }

 private:
  std::unique_ptr<kestrova::ChildProcess> inner_;
};

class SpinningProcessSystem final : public kestrova::ProcessSystem {
 public:
  kestrova::PlatformFamily platformFamily() override { return inner_.platformFamily(); }
  bool isLeadByte(unsigned char b) override { return inner_.isLeadByte(b); }
  std::unique_ptr<kestrova::OutputPipe> createPipe() override { return inner_.createPipe(); }
  std::unique_ptr<kestrova::ChildProcess> startChild(const std::string& commandLine,
                                                     const kestrova::StartupRecord& startup,
                                                     kestrova::OutputPipe& pipe) override {
    return std::make_unique<SpinningChild>(inner_.startChild(commandLine, startup, pipe));
  }

 private:
  kestrova::win::WinProcessSystem inner_;
};

// --- stamp ------------------------------------------------------------------------------

// The toolkit, with the console box's appends timed against the stamps in the lines.
class StampingUi final : public kestrova::Ui {
 public:
  explicit StampingUi(kestrova::win::Toolkit& inner)
      : inner_(inner),
        log_(CreateFileA(
            (kestrova::directoryOf(kestrova::win::WinFiles().executablePath(),
                                   [](unsigned char b) { return IsDBCSLeadByte(b) != FALSE; }) +
             "\\latency.txt")
                .c_str(),
            GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
            FILE_ATTRIBUTE_NORMAL, nullptr)) {
    QueryPerformanceFrequency(&frequency_);
  }

  kestrova::NativeHandle handle(Ctl c) const override { return inner_.handle(c); }
  std::string text(Ctl c) const override { return inner_.text(c); }
  void setText(Ctl c, std::string_view utf8) override { inner_.setText(c, utf8); }
  void appendText(Ctl c, std::string_view utf8) override { inner_.appendText(c, utf8); }
  std::string ansiText(Ctl c) const override { return inner_.ansiText(c); }
  void appendAnsiText(Ctl c, std::string_view ansi) override {
    LARGE_INTEGER before;
    QueryPerformanceCounter(&before);
    inner_.appendAnsiText(c, ansi);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (c != Ctl::编辑框) return;
    // The append's own share of the latency: EM_SETSEL, EM_SCROLLCARET and EM_REPLACESEL.
    write("append_us", now.QuadPart - before.QuadPart);
    timeLines(ansi, now.QuadPart);
  }
  bool visible(Ctl c) const override { return inner_.visible(c); }
  void setVisible(Ctl c, bool shown) override { inner_.setVisible(c, shown); }
  int position(Ctl c) const override { return inner_.position(c); }
  void setPosition(Ctl c, int position) override { inner_.setPosition(c, position); }
  void setBarColour(kestrova::NativeHandle bar, kestrova::ColourRef colour) override {
    inner_.setBarColour(bar, colour);
  }
  void applyTransparency(kestrova::NativeHandle window, std::uint8_t alpha) override {
    inner_.applyTransparency(window, alpha);
  }
  int outerHeight() const override { return inner_.outerHeight(); }
  void setOuterHeight(int height) override { inner_.setOuterHeight(height); }
  void minimise() override { inner_.minimise(); }
  void processPendingEvents() override { inner_.processPendingEvents(); }
  bool quitPending() const override { return inner_.quitPending(); }

 private:
  // Chunks may end inside a line: a line is timed with the chunk that brings its end.
  void timeLines(std::string_view chunk, long long now) {
    partial_.append(chunk);
    for (auto end = partial_.find("\r\n"); end != std::string::npos; end = partial_.find("\r\n")) {
      const std::string line = partial_.substr(0, end);
      partial_.erase(0, end + 2);
      const auto at = line.find(" qpc=");
      if (at == std::string::npos) continue;
      const long long written = std::strtoll(line.c_str() + at + 5, nullptr, 10);
      write("latency_us", now - written);
    }
  }

  void write(const char* name, long long ticks) {
    char out[64];
    const int n =
        std::snprintf(out, sizeof out, "%s %lld\r\n", name, ticks * 1000000 / frequency_.QuadPart);
    DWORD put = 0;
    if (log_) WriteFile(log_.get(), out, static_cast<DWORD>(n), &put, nullptr);
  }

  kestrova::win::Toolkit& inner_;
  kestrova::win::UniqueFile log_;
  LARGE_INTEGER frequency_{};
  std::string partial_;
};

// --- baseline ---------------------------------------------------------------------------

kestrova::win::Toolkit* baselineToolkit = nullptr;
int baselineSeq = 0;

void CALLBACK appendReplyLine(HWND, UINT, UINT_PTR, DWORD) {
  const std::string line =
      "Reply from 127.0.0.1: bytes=32 time<1ms TTL=128 seq=" + std::to_string(baselineSeq++) +
      "\r\n";
  baselineToolkit->appendAnsiText(Ctl::编辑框, line);
}

// The benchmark's variants of the program, picked by the first argument.
class BenchVariant final : public kestrova::win::ProgramVariant {
 public:
  explicit BenchVariant(std::string_view mode) : mode_(mode) {}

  kestrova::Ui& ui(kestrova::win::Toolkit& toolkit) override {
    if (!mode_.starts_with("stamp")) return toolkit;
    stamping_ = std::make_unique<StampingUi>(toolkit);
    return *stamping_;
  }
  kestrova::ProcessSystem& processes(kestrova::ProcessSystem& system) override {
    return mode_.starts_with("spin") ? spinning_ : system;
  }
  void starting(kestrova::win::Toolkit& toolkit) override {
    if (!mode_.starts_with("baseline")) return;
    baselineToolkit = &toolkit;
    SetTimer(nullptr, 0, 1000, &appendReplyLine);
  }

 private:
  std::string_view mode_;
  std::unique_ptr<StampingUi> stamping_;
  SpinningProcessSystem spinning_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  BenchVariant variant(commandLine ? commandLine : "");
  kestrova::win::runProgram(instance, variant);
}
