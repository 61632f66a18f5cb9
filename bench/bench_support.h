// A quiet stand-in for the window and the system for the benchmarks: it keeps what the core
// writes and records nothing, so the figures are the core's own.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"

namespace kestrova::bench {

class QuietUi : public Ui {
 public:
  NativeHandle handle(Ctl c) const override { return 0x1000 + index(c); }
  std::string text(Ctl c) const override { return texts_[index(c)]; }
  void setText(Ctl c, std::string_view utf8) override { texts_[index(c)].assign(utf8); }
  void appendText(Ctl c, std::string_view utf8) override { texts_[index(c)].append(utf8); }
  std::string ansiText(Ctl c) const override { return texts_[index(c)]; }
  void appendAnsiText(Ctl c, std::string_view ansi) override { texts_[index(c)].append(ansi); }
  bool visible(Ctl c) const override { return shown_[index(c)]; }
  void setVisible(Ctl c, bool shown) override { shown_[index(c)] = shown; }
  int position(Ctl c) const override { return positions_[index(c)]; }
  void setPosition(Ctl c, int p) override { positions_[index(c)] = p; }
  void setBarColour(NativeHandle, ColourRef) override {}
  void applyTransparency(NativeHandle, std::uint8_t) override {}
  int outerHeight() const override { return height_; }
  void setOuterHeight(int h) override { height_ = h; }
  void minimise() override {}
  void processPendingEvents() override {}
  bool quitPending() const override { return false; }

 private:
  std::array<std::string, kControlCount + 1> texts_{};
  std::array<bool, kControlCount + 1> shown_{};
  std::array<int, kControlCount + 1> positions_{};
  int height_ = kUnfoldedHeight;
};

// A 16-row interface table whose second row receives and sends a little on every call.
class SixteenRows : public IfTableSource {
 public:
  SixteenRows() : bytes_(4 + kRows * kIfRowSize, 0) {
    put32(0, kRows);
    for (std::uint32_t i = 0; i < kRows; ++i) {
      put32(4 + i * kIfRowSize + kInOctetsOffset, 1000 * i);
      put32(4 + i * kIfRowSize + kOutOctetsOffset, 2000 * i);
    }
  }
  std::uint32_t getIfTable(std::uint8_t* buffer, std::uint32_t* size, bool sorted) override {
    const auto needed = static_cast<std::uint32_t>(bytes_.size());
    if (!sorted || *size < needed) {
      *size = needed;
      return 122;  // ERROR_INSUFFICIENT_BUFFER
    }
    in_ += 37'000;
    out_ += 4'100;
    put32(4 + kIfRowSize + kInOctetsOffset, in_);
    put32(4 + kIfRowSize + kOutOctetsOffset, out_);
    std::memcpy(buffer, bytes_.data(), bytes_.size());
    *size = needed;
    return 0;
  }

 private:
  static constexpr std::uint32_t kRows = 16;
  void put32(std::size_t at, std::uint32_t v) {
    for (std::size_t b = 0; b < 4; ++b) bytes_[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
  }
  std::vector<std::uint8_t> bytes_;
  std::uint32_t in_ = 0;
  std::uint32_t out_ = 0;
};

class SteadyFigures : public SystemFigures {
 public:
  void takeCpuBaseline() override {}
  int cpuLoadPercent() override { return load_ = (load_ + 7) % 101; }
  PhysicalMemory physicalMemory() override { return {4096, 1234}; }

 private:
  int load_ = 0;
};

class FixedClock : public LocalClock {
 public:
  LocalTime now() override { return {2011, 3, 4, 9, 5, 7}; }
};

// The console is idle in the benchmarks: nothing is ever started or saved.
class NoProcesses : public ProcessSystem {
 public:
  PlatformFamily platformFamily() override { return PlatformFamily::nt; }
  bool isLeadByte(unsigned char) override { return false; }
  std::unique_ptr<OutputPipe> createPipe() override { return nullptr; }
  std::unique_ptr<ChildProcess> startChild(const std::string&, const StartupRecord&,
                                           OutputPipe&) override {
    return nullptr;
  }
};

class NoFiles : public Files {
 public:
  std::string executablePath() override { return {}; }
  bool writeWholeFile(const std::string&, std::string_view) override { return false; }
};

class NoShell : public Shell {
 public:
  void createMainWindow(std::vector<Binding>) override {}
  void runMessageLoop() override {}
  void destroyWindows() override {}
  [[noreturn]] void exitProcess(int) override { std::abort(); }
};

// The application with the stand-ins, created as start-up creates it.
struct BenchApp {
  QuietUi ui;
  SixteenRows rows;
  SteadyFigures figures;
  FixedClock clock;
  NoProcesses processes;
  NoFiles files;
  NoShell shell;
  App app{shell, Services{ui, rows, figures, clock, processes, files}};

  BenchApp() { app.onCreated(); }
};

}  // namespace kestrova::bench
