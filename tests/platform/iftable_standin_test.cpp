// The iphlpapi.dll stand-in of the fault tests (tests/fixtures/iphlpapi.c) answers as the
// system's GetIfTable does: the size first (ERROR_INSUFFICIENT_BUFFER), then the rows, each
// tick as its script says.
#include <windows.h>

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kestrova {
namespace {

using GetIfTableFn = DWORD(WINAPI*)(PMIB_IFTABLE, PULONG, BOOL);

std::string moduleDirectory() {
  char path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\'));
}

// The stand-in, in <build>/fixtures beside or above the test program.
std::string fixtureDll() {
  std::string dir = moduleDirectory();
  for (int up = 0; up < 4; ++up) {
    const std::string candidate = dir + "\\fixtures\\iphlpapi.dll";
    if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) return candidate;
    const auto cut = dir.find_last_of('\\');
    if (cut == std::string::npos) break;
    dir.resize(cut);
  }
  return {};
}

// What one tick of the program sees: the size call, then (if it gave a size) the rows call.
struct Tick {
  DWORD sizeCode = 0;
  ULONG size = 0;
  DWORD rowsCode = 0;
  ULONG sizeAfter = 0;
  std::vector<std::pair<DWORD, DWORD>> rows;  // in and out octets
};

std::string describe(const Tick& t) {
  std::string s = "size call " + std::to_string(t.sizeCode) + " size " + std::to_string(t.size) +
                  ", rows call " + std::to_string(t.rowsCode) + " size " +
                  std::to_string(t.sizeAfter) + ", rows";
  for (const auto& [in, out] : t.rows) s += " " + std::to_string(in) + "/" + std::to_string(out);
  return s;
}

// A private copy of the stand-in under a name of its own, loaded fresh with a script: its
// state starts anew with each load, and it cannot be mistaken for the system's iphlpapi.dll
// that this program has loaded already.
class StandIn {
 public:
  StandIn(const std::string& script, int n) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "kestrova-iftable-standin-" +
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n) + ".dll";
    if (!CopyFileA(fixtureDll().c_str(), path_.c_str(), FALSE)) return;
    SetEnvironmentVariableA("KESTROVA_IFTABLE_SCRIPT", script.empty() ? nullptr : script.c_str());
    module_ = LoadLibraryA(path_.c_str());
    if (module_ != nullptr) {
      fn_ = reinterpret_cast<GetIfTableFn>(
          reinterpret_cast<void*>(GetProcAddress(module_, "GetIfTable")));
    }
  }
  ~StandIn() {
    if (module_ != nullptr) FreeLibrary(module_);
    DeleteFileA(path_.c_str());
    SetEnvironmentVariableA("KESTROVA_IFTABLE_SCRIPT", nullptr);
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  bool loaded() const { return fn_ != nullptr; }

  Tick tick() {
    Tick t;
    BYTE dummy[1] = {};
    t.size = 0;
    t.sizeCode = fn_(reinterpret_cast<PMIB_IFTABLE>(dummy), &t.size, FALSE);
    if (t.size == 0) return t;
    std::vector<BYTE> buffer(t.size);
    t.sizeAfter = t.size;
    t.rowsCode = fn_(reinterpret_cast<PMIB_IFTABLE>(buffer.data()), &t.sizeAfter, TRUE);
    if (t.rowsCode != NO_ERROR) return t;
    const auto* table = reinterpret_cast<const MIB_IFTABLE*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
      EXPECT_EQ(table->table[i].dwIndex, i + 1);
      t.rows.emplace_back(table->table[i].dwInOctets, table->table[i].dwOutOctets);
    }
    return t;
  }

 private:
  std::string path_;
  HMODULE module_ = nullptr;
  GetIfTableFn fn_ = nullptr;
};

constexpr DWORD kOk = NO_ERROR;
constexpr DWORD kTooSmall = ERROR_INSUFFICIENT_BUFFER;  // 122
constexpr DWORD kNotSupported = ERROR_NOT_SUPPORTED;    // 50
constexpr DWORD kBadFormat = ERROR_BAD_FORMAT;          // 11
constexpr ULONG kTwoRows = 4 + 2 * 860;

struct Case {
  const char* what;
  std::string script;
  std::vector<Tick> ticks;
};

TEST(IfTableStandIn, AnswersEachTickAsItsScriptSays) {
  ASSERT_FALSE(fixtureDll().empty()) << "fixtures\\iphlpapi.dll not found";
  const std::vector<Case> cases = {
      {"no script", "", {{kNotSupported, 0, 0, 0, {}}}},
      {"a script that cannot be read", "rows:x", {{kBadFormat, 0, 0, 0, {}}}},
      {"fail, then rows",
       "fail*2;rows:1/2,3/4",
       {{kNotSupported, 0, 0, 0, {}},
        {kNotSupported, 0, 0, 0, {}},
        {kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 2}, {3, 4}}},
        {kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 2}, {3, 4}}}}},
      {"no rows", "rows:", {{kTooSmall, 4, kOk, 4, {}}}},
      {"grows between the size call and the rows call",
       "rows:1/2>rows:1/2,3/4",
       {{kTooSmall, 4 + 860, kTooSmall, kTwoRows, {}}}},
      {"counts, wrapping past 2^32, then the next step",
       "rows:1/1,4294967295/2147483647+2/1*2;rows:1/1,7/8",
       {{kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 1}, {4294967295u, 2147483647u}}},
        {kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 1}, {1, 2147483648u}}},
        {kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 1}, {7, 8}}},
        {kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 1}, {7, 8}}}}},
      {"the last step counts on",
       "rows:1/1,10/20+5/6",
       {{kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 1}, {10, 20}}},
        {kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 1}, {15, 26}}},
        {kTooSmall, kTwoRows, kOk, kTwoRows, {{1, 1}, {20, 32}}}}},
  };
  int n = 0;
  for (const auto& c : cases) {
    StandIn dll(c.script, ++n);
    ASSERT_TRUE(dll.loaded()) << c.what << ": error " << GetLastError();
    for (std::size_t i = 0; i < c.ticks.size(); ++i) {
      const Tick got = dll.tick();
      EXPECT_EQ(describe(got), describe(c.ticks[i])) << c.what << ", tick " << i + 1;
    }
  }
}

}  // namespace
}  // namespace kestrova
