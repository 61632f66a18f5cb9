// A scripted stand-in for the process side of the capture. Each child follows a script of
// steps; the child takes one step every time the capture asks its pipe what is waiting, so a
// test can say exactly which pass sees which output. Every call is recorded in order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/process.h"

namespace kestrova::testing {

struct Step {
  std::string write;   // bytes the child writes to the pipe
  bool exits = false;  // the child ends (after writing)
  // Taken at the next exit-code query instead of the next peek: output that arrives just
  // after a pass found the pipe empty.
  bool late = false;
};

inline Step writes(std::string bytes) {
  return Step{std::move(bytes), false, false};
}
inline Step exits() {
  return Step{"", true, false};
}
inline Step idles() {
  return Step{};
}
inline Step writesAndExitsLate(std::string bytes) {
  return Step{std::move(bytes), true, true};
}

struct ChildScript {
  std::vector<Step> steps;
  bool cannotStart = false;
};

class ScriptedProcesses : public ProcessSystem {
 public:
  // Scripts for the children in the order they are started; a child without one idles.
  std::deque<ChildScript> scripts;
  PlatformFamily family = PlatformFamily::nt;
  // Calls in order, each child's prefixed by its number from 1: "1 peek 5", "2 read 3".
  std::vector<std::string> trace;
  std::vector<std::string> commandLines;
  std::vector<StartupRecord> startups;
  int childrenAlive = 0;  // started and not yet destroyed (with their job)
  int pipesAlive = 0;
  int waits = 0;
  int peeks = 0;
  // A capture that never finishes would hang its test: past this many peeks every child
  // ends by itself and `runaway` is set.
  int peekLimit = 10000;
  bool runaway = false;

  // The ANSI code page's lead bytes; none by default, as in a single-byte code page.
  std::function<bool(unsigned char)> leadBytes;
  bool isLeadByte(unsigned char b) override { return leadBytes && leadBytes(b); }

  PlatformFamily platformFamily() override {
    trace.push_back("version");
    return family;
  }

  std::unique_ptr<OutputPipe> createPipe() override {
    trace.push_back("pipe");
    return std::make_unique<Pipe>(*this);
  }

  std::unique_ptr<ChildProcess> startChild(const std::string& commandLine,
                                           const StartupRecord& startup,
                                           OutputPipe& pipe) override {
    commandLines.push_back(commandLine);
    startups.push_back(startup);
    const int id = static_cast<int>(commandLines.size());
    trace.push_back("start " + commandLine);
    ChildScript script;
    if (!scripts.empty()) {
      script = std::move(scripts.front());
      scripts.pop_front();
    }
    auto state = std::make_shared<State>();
    state->id = id;
    state->started = !script.cannotStart;
    state->steps = std::move(script.steps);
    static_cast<Pipe&>(pipe).state = state;
    return std::make_unique<Child>(*this, state);
  }

 private:
  struct State {
    int id = 0;
    bool started = false;
    std::vector<Step> steps;
    std::size_t next = 0;
    std::string waiting;
    bool ended = false;
    std::uint32_t code = 0;

    void advance(bool atExitQuery) {
      if (!started || ended || next >= steps.size()) return;
      if (steps[next].late != atExitQuery) return;
      const Step& s = steps[next++];
      waiting += s.write;
      if (s.exits) {
        ended = true;
        code = 0;
      }
    }
  };

  void note(const State* s, const std::string& what) {
    trace.push_back((s ? std::to_string(s->id) + " " : std::string("- ")) + what);
  }

  class Pipe : public OutputPipe {
   public:
    explicit Pipe(ScriptedProcesses& owner) : owner_(owner) { ++owner_.pipesAlive; }
    ~Pipe() override { --owner_.pipesAlive; }
    void closeWriteEnd() override { owner_.note(state.get(), "closeWrite"); }
    void closeReadEnd() override { owner_.note(state.get(), "closeRead"); }
    std::uint32_t bytesAvailable() override {
      if (++owner_.peeks > owner_.peekLimit && state && !state->ended) {
        owner_.runaway = true;
        state->ended = true;
        state->code = 99;
      }
      if (state) state->advance(false);
      const auto n = state ? static_cast<std::uint32_t>(state->waiting.size()) : 0u;
      owner_.note(state.get(), "peek " + std::to_string(n));
      return n;
    }
    std::uint32_t read(std::uint8_t* buffer, std::uint32_t size) override {
      if (!state) return 0;
      const auto n = std::min<std::size_t>(size, state->waiting.size());
      std::memcpy(buffer, state->waiting.data(), n);
      state->waiting.erase(0, n);
      owner_.note(state.get(), "read " + std::to_string(n));
      return static_cast<std::uint32_t>(n);
    }

    std::shared_ptr<State> state;

   private:
    ScriptedProcesses& owner_;
  };

  class Child : public ChildProcess {
   public:
    Child(ScriptedProcesses& owner, std::shared_ptr<State> state)
        : owner_(owner), state_(std::move(state)) {
      ++owner_.childrenAlive;
    }
    ~Child() override {
      --owner_.childrenAlive;
      owner_.note(state_.get(), "destroy");
    }
    bool exitCode(std::uint32_t& code) override {
      if (!state_->started) {
        owner_.note(state_.get(), "exitCode none");
        return false;
      }
      state_->advance(true);
      code = state_->ended ? state_->code : kStillActive;
      owner_.note(state_.get(), "exitCode " + std::to_string(code));
      return true;
    }
    void waitForMessageOrEnd(std::uint32_t milliseconds) override {
      ++owner_.waits;
      owner_.note(state_.get(), "wait " + std::to_string(milliseconds));
    }
    void terminate() override {
      owner_.note(state_.get(), "terminate");
      if (state_->started && !state_->ended) {
        state_->ended = true;
        state_->code = 1;
      }
    }

   private:
    ScriptedProcesses& owner_;
    std::shared_ptr<State> state_;
  };
};

}  // namespace kestrova::testing
