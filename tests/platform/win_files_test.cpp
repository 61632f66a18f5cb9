// The log's file side against the real file system.
#include "platform/win32/win_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "platform/win32/handles.h"

namespace kestrova::win {
namespace {

std::string readAll(const std::string& path) {
  UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return "<missing>";
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got != 0) out.append(buf, got);
  return out;
}

struct WinFilesTest : ::testing::Test {
  WinFiles files;
  std::string path;

  void SetUp() override {
    char dir[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof dir, dir), 0u);
    path = std::string(dir) + "kestrova-MailList-test.txt";
    DeleteFileA(path.c_str());
  }
  void TearDown() override { DeleteFileA(path.c_str()); }
};

TEST_F(WinFilesTest, TheExecutablePathIsTheRunningModulesFile) {
  char module[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  const std::string exe = files.executablePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe, std::string(module, n));
  EXPECT_NE(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES);
  // The log's directory from it: the module's own, without a trailing backslash.
  const std::string dir =
      directoryOf(exe, [](unsigned char b) { return IsDBCSLeadByte(b) != FALSE; });
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '\\');
  EXPECT_EQ(exe.rfind(dir + "\\", 0), 0u);
  EXPECT_EQ(exe.find('\\', dir.size() + 1), std::string::npos);
}

TEST_F(WinFilesTest, EveryByteIsWrittenUnchanged) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  bytes += "\n\r\r\n\x1a";
  ASSERT_TRUE(files.writeWholeFile(path, bytes));
  EXPECT_EQ(readAll(path), bytes);
}

TEST_F(WinFilesTest, AWriteReplacesTheWholeOldContent) {
  ASSERT_TRUE(files.writeWholeFile(path, "a much longer first text\r\n"));
  ASSERT_TRUE(files.writeWholeFile(path, "\r\n"));
  EXPECT_EQ(readAll(path), "\r\n");
}

TEST_F(WinFilesTest, AFileThatCannotBeOpenedIsLeftAsItWas) {
  ASSERT_TRUE(files.writeWholeFile(path, "kept\r\n"));
  {
    // Another program holds the file without sharing it.
    UniqueFile locked(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(files.writeWholeFile(path, "lost\r\n"));
  }
  EXPECT_EQ(readAll(path), "kept\r\n");
  EXPECT_FALSE(files.writeWholeFile(path + ".missing-dir\\MailList.txt", "x"));
}

}  // namespace
}  // namespace kestrova::win
