// A scripted stand-in for the process side of the capture, on a scripted clock. Each child
// follows a script of steps at given times; time passes only while the capture waits, and a
// wait ends at the first moment something would wake the real one: a read under way that
// takes bytes or finds the pipe broken (when the wait watches the pipe), the child's end, or
// a window message. Every call is recorded in order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace kestrova::testing {

// Scripted milliseconds between two steps that give no time of their own.
inline constexpr std::uint32_t kStepMs = 1000;

struct Step {
  std::string write;   // bytes the child writes to the pipe
  bool exits = false;  // the child ends (after writing)
  // Taken at the first exit-code query once its time has come, not when the time comes:
  // output that arrives between a pass's read and its exit-code query.
  bool late = false;
  // Milliseconds after the child's start; without one, kStepMs after the step before.
  std::optional<std::uint32_t> at;
};

inline Step writes(std::string bytes) {
  return Step{std::move(bytes), false, false, std::nullopt};
}
inline Step exits() {
  return Step{"", true, false, std::nullopt};
}
// A step's time with nothing in it.
inline Step idles() {
  return Step{};
}
inline Step writesAndExitsLate(std::string bytes) {
  return Step{std::move(bytes), true, true, std::nullopt};
}
inline Step at(std::uint32_t ms, Step s) {
  s.at = ms;
  return s;
}

struct ChildScript {
  std::vector<Step> steps;  // a script without an exit step never ends by itself
  bool cannotStart = false;
  bool pipeFails = false;  // the pipe has no ends: whatever the child writes is lost
};

class ScriptedProcesses : public ProcessSystem {
 public:
  // Scripts for the children in the order they are started; a child without one idles.
  std::deque<ChildScript> scripts;
  PlatformFamily family = PlatformFamily::nt;
  // Calls in order, each child's prefixed by its number from 1: "1 read 5", "2 wait -> 1000".
  std::vector<std::string> trace;
  std::vector<std::string> commandLines;
  std::vector<StartupRecord> startups;
  int childrenAlive = 0;  // started and not yet destroyed (with their job)
  int pipesAlive = 0;
  int waits = 0;
  // The scripted clock, in milliseconds.
  std::uint32_t now = 0;
  // A window message (a timer's) arrives every this many milliseconds; 0: none.
  std::uint32_t messageEveryMs = 0;
  // A capture that never finishes would hang its test: past this many calls every child
  // ends by itself and `runaway` is set.
  int callLimit = 10000;
  bool runaway = false;
  // Set when a wait had nothing that could ever end it (the real one would wait for ever);
  // the child is then ended.
  bool stuck = false;

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
    state->pipeWorks = !script.pipeFails;
    std::uint32_t time = 0;
    for (auto& s : script.steps) {
      time = s.at ? *s.at : (&s == &script.steps.front() ? 0 : time + kStepMs);
      s.at = now + time;
    }
    state->steps = std::move(script.steps);
    state->advanceTo(now, false);
    static_cast<Pipe&>(pipe).state = state;
    return std::make_unique<Child>(*this, state);
  }

 private:
  struct State {
    int id = 0;
    bool started = false;
    bool pipeWorks = true;
    std::vector<Step> steps;  // times on the scripted clock
    std::size_t next = 0;
    std::string inPipe;  // written and not yet taken by a read
    // A read under way: the size asked for, and once it has finished, what it took (nothing
    // when it found the pipe broken).
    bool underWay = false;
    std::uint32_t readSize = 0;
    bool finished = false;
    std::string taken;
    bool ended = false;
    std::uint32_t code = 0;

    // Every writer gone: the child ended, or never started.
    bool broken() const { return (ended || !started) && inPipe.empty(); }

    // Takes every step whose time has come; a late step waits for an exit-code query.
    void advanceTo(std::uint32_t time, bool atExitQuery) {
      while (started && !ended && next < steps.size() && *steps[next].at <= time &&
             (!steps[next].late || atExitQuery)) {
        const Step& s = steps[next++];
        if (pipeWorks) inPipe += s.write;
        if (s.exits) end(0);
      }
      settle();
    }
    // The time of the next step that time alone brings about, if any.
    std::optional<std::uint32_t> nextStepTime() const {
      if (!started || ended || next >= steps.size() || steps[next].late) return std::nullopt;
      return *steps[next].at;
    }
    void end(std::uint32_t c) {
      if (ended) return;
      ended = true;
      code = c;
      settle();
    }
    // A read under way takes what has arrived, or finishes with nothing once every writer
    // is gone.
    void settle() {
      if (!underWay || finished) return;
      if (!inPipe.empty()) {
        const auto n = std::min<std::size_t>(readSize, inPipe.size());
        taken = inPipe.substr(0, n);
        inPipe.erase(0, n);
        finished = true;
      } else if (broken()) {
        taken.clear();
        finished = true;
      }
    }
  };

  void note(const State* s, const std::string& what) {
    trace.push_back((s ? std::to_string(s->id) + " " : std::string("- ")) + what);
  }

  // Counts a call; past the limit the child ends, so that a spinning capture still returns.
  void count(State* s) {
    if (--callLimit >= 0 || !s || s->ended) return;
    runaway = true;
    s->end(99);
  }

  std::optional<std::uint32_t> nextMessageTime() const {
    if (messageEveryMs == 0) return std::nullopt;
    return (now / messageEveryMs + 1) * messageEveryMs;
  }

  class Pipe : public OutputPipe {
   public:
    explicit Pipe(ScriptedProcesses& owner) : owner_(owner) { ++owner_.pipesAlive; }
    ~Pipe() override { --owner_.pipesAlive; }
    void closeWriteEnd() override { owner_.note(state.get(), "closeWrite"); }
    void closeReadEnd() override {
      owner_.note(state.get(), "closeRead");
      if (state) state->underWay = false;
    }
    std::uint32_t bytesAvailable() override {
      if (!works()) return 0;
      state->advanceTo(owner_.now, false);
      const auto n = static_cast<std::uint32_t>(state->inPipe.size() +
                                                (state->finished ? state->taken.size() : 0));
      owner_.note(state.get(), "available " + std::to_string(n));
      return n;
    }
    std::uint32_t read(std::uint8_t* buffer, std::uint32_t size) override {
      if (!works()) return 0;
      owner_.count(state.get());
      State& s = *state;
      s.advanceTo(owner_.now, false);
      if (!s.underWay) {
        if (s.broken()) {
          owner_.note(&s, "read broken");
          return 0;
        }
        s.underWay = true;
        s.readSize = size;
        s.finished = false;
        s.settle();
      }
      if (!s.finished) {
        owner_.note(&s, "read under way");
        return 0;
      }
      s.underWay = false;
      s.finished = false;
      if (s.taken.empty()) {
        owner_.note(&s, "read broken");
        return 0;
      }
      const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size, s.taken.size()));
      std::memcpy(buffer, s.taken.data(), n);
      s.taken.clear();
      owner_.note(&s, "read " + std::to_string(n));
      return n;
    }

    // A read under way whose end would wake a wait that watches this pipe.
    bool watchable() const { return works() && state->underWay; }

    std::shared_ptr<State> state;

   private:
    bool works() const { return state && state->pipeWorks; }
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
      owner_.count(state_.get());
      if (!state_->started) {
        owner_.note(state_.get(), "exitCode none");
        return false;
      }
      state_->advanceTo(owner_.now, true);
      code = state_->ended ? state_->code : kStillActive;
      owner_.note(state_.get(), "exitCode " + std::to_string(code));
      return true;
    }
    void waitForMessageOrEnd(OutputPipe* output) override {
      ++owner_.waits;
      owner_.count(state_.get());
      State& s = *state_;
      const auto* pipe = static_cast<Pipe*>(output);
      const bool watchesPipe = pipe != nullptr && pipe->watchable();
      s.advanceTo(owner_.now, false);
      std::string woke;
      for (;;) {
        if (s.ended) {
          woke = "end";
        } else if (watchesPipe && s.finished) {
          woke = "output";
        }
        if (!woke.empty()) break;
        const auto step = s.nextStepTime();
        const auto message = owner_.nextMessageTime();
        if (!step && !message) {
          // The real wait would never return.
          owner_.stuck = true;
          s.end(98);
          woke = "nothing";
          break;
        }
        if (message && (!step || *message <= *step)) {
          owner_.now = *message;
          s.advanceTo(owner_.now, false);
          woke = "message";
          if (s.ended) woke = "end";
          if (watchesPipe && s.finished) woke = "output";
          break;
        }
        owner_.now = *step;
        s.advanceTo(owner_.now, false);
      }
      owner_.note(&s, std::string("wait") + (watchesPipe ? " output" : "") + " -> " +
                          std::to_string(owner_.now) + " " + woke);
    }
    void terminate() override {
      owner_.note(state_.get(), "terminate");
      if (state_->started) state_->end(1);
    }

   private:
    ScriptedProcesses& owner_;
    std::shared_ptr<State> state_;
  };
};

}  // namespace kestrova::testing
