// The application manifest that the program's exe carries, read from the exe file itself as
// the system's loader reads it: resource 1 of type RT_MANIFEST.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/win32/handles.h"

#ifndef KESTROVA_EXE
#define KESTROVA_EXE ""
#endif

namespace kestrova::win {
namespace {

struct ModuleTraits {
  static HMODULE invalid() { return nullptr; }
  static void close(HMODULE m) { FreeLibrary(m); }
};
using UniqueModule = Unique<HMODULE, ModuleTraits>;

// The exe's path as Windows sees it: the build passes the host's path, which Wine serves as Z:.
std::string exePath() {
  std::string path = KESTROVA_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The manifest's text; empty, with the reason in error, if there is none.
std::string manifestOf(const std::string& exe, std::string& error) {
  UniqueModule module(LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) {
    error = "LoadLibraryEx failed, error " + std::to_string(GetLastError());
    return {};
  }
  HRSRC info = FindResourceA(module.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  HGLOBAL data = info ? LoadResource(module.get(), info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) {
    error = "no RT_MANIFEST resource 1";
    return {};
  }
  return std::string(static_cast<const char*>(bytes), SizeofResource(module.get(), info));
}

TEST(Manifest, TheExeAsksForTheUsersRightsSupportedSystemsAndNoDpiScalingOfItsOwn) {
  std::string error;
  const std::string m = manifestOf(exePath(), error);
  ASSERT_FALSE(m.empty()) << exePath() << ": " << error;
  const char* const required[] = {
      R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
      R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)",  // Windows 7
      R"(<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>)",  // 8
      R"(<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>)",  // 8.1
      R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",  // 10 and 11
      R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">false</dpiAware>)",
  };
  for (const char* s : required) EXPECT_NE(m.find(s), std::string::npos) << "missing: " << s;
  // Classic common controls: no dependent assembly (version 6 would be one).
  EXPECT_EQ(m.find("<dependency"), std::string::npos) << m;
  EXPECT_EQ(m.find("Common-Controls"), std::string::npos) << m;
}

}  // namespace
}  // namespace kestrova::win
