// Shutdown requests, moves at the next restart, debugger output, starting programs.
#include <winapi/include/emu/kxemu.h>

#include "../test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

void touch(const char* path, const char* content = "x") {
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  WriteFile(h, content, static_cast<DWORD>(std::strlen(content)), nullptr, nullptr);
  CloseHandle(h);
}

bool exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

TEST(Reboot, ShutdownNeedsThePrivilegeAndIsOnlyRecorded) {
  EXPECT_FALSE(kxemu::rebootRequested());
  SetLastError(0);
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
  EXPECT_FALSE(InitiateSystemShutdownA(nullptr, nullptr, 0, FALSE, TRUE));

  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES privileges{};
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  LUID unknown;
  EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &unknown));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));

  ASSERT_TRUE(InitiateSystemShutdownA(nullptr, nullptr, 0, FALSE, TRUE));
  EXPECT_TRUE(kxemu::rebootRequested());
  EXPECT_EQ(kxemu::rebootRequestText().rfind("InitiateSystemShutdownA reboot=1", 0), 0u);
  ASSERT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(kxemu::rebootRequestText(), "ExitWindowsEx flags=0x2 reason=0x0");
  kxemu::simulateReboot();
  EXPECT_FALSE(kxemu::rebootRequested());

  privileges.Privileges[0].Attributes = 0;
  AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  EXPECT_TRUE(CloseHandle(token));
}

TEST(Reboot, DelayedMovesHappenAtTheSimulatedRestart) {
  CreateDirectoryA("C:\\WINDOWS\\KxBrand", nullptr);
  touch("C:\\WINDOWS\\KxBrand\\Setup.exe");
  touch("C:\\WINDOWS\\Temp\\move-me.txt", "moved");
  ASSERT_TRUE(MoveFileExA("C:\\WINDOWS\\KxBrand\\Setup.exe", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExA("C:\\WINDOWS\\KxBrand", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExA("C:\\WINDOWS\\Temp\\move-me.txt", "C:\\WINDOWS\\Temp\\moved.txt",
                          MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_TRUE(exists("C:\\WINDOWS\\KxBrand\\Setup.exe")); // nothing happens before the restart

  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  char data[1024];
  DWORD size = sizeof data, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                             reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, REG_MULTI_SZ);
  auto pair = [](const std::string& from, const std::string& to) { return from + '\0' + to + '\0'; };
  const std::string expected =
      pair("\\??\\C:\\WINDOWS\\KxBrand\\Setup.exe", "") + pair("\\??\\C:\\WINDOWS\\KxBrand", "") +
      pair("\\??\\C:\\WINDOWS\\Temp\\move-me.txt", "\\??\\C:\\WINDOWS\\Temp\\moved.txt") + '\0';
  EXPECT_EQ(std::string(data, size), expected);

  EXPECT_EQ(kxemu::simulateReboot(), 3);
  EXPECT_FALSE(exists("C:\\WINDOWS\\KxBrand\\Setup.exe"));
  EXPECT_FALSE(exists("C:\\WINDOWS\\KxBrand"));
  EXPECT_TRUE(exists("C:\\WINDOWS\\Temp\\moved.txt"));
  EXPECT_EQ(kxemu::simulateReboot(), 0);
  DeleteFileA("C:\\WINDOWS\\Temp\\moved.txt");
}

TEST(DebugOutput, GoesToTheHandler) {
  std::vector<std::string> seen;
  kxemu::setDebugOutputHandler([&](const std::string& text) { seen.push_back(text); });
  SetLastError(77);
  OutputDebugStringA("DBT_CONFIGCHANGED\n");
  EXPECT_EQ(GetLastError(), 77u);
  kxemu::setDebugOutputHandler(nullptr);
  OutputDebugStringA("not seen\n");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "DBT_CONFIGCHANGED\n");
}

TEST(Programs, WinExecStartsAnEmulatedProgram) {
  // A program in System32: here a shell script standing in for the registration tool.
  const std::string script = kxemu::hostPath("C:\\WINDOWS\\System32") + "/kxrecord";
  {
    std::ofstream out(script);
    out << "#!/bin/sh\nprintf '%s|' \"$@\" > \"$KX_SYSTEM_ROOT/drive_c/WINDOWS/Temp/winexec.out.tmp\"\n"
           "mv \"$KX_SYSTEM_ROOT/drive_c/WINDOWS/Temp/winexec.out.tmp\" "
           "\"$KX_SYSTEM_ROOT/drive_c/WINDOWS/Temp/winexec.out\"\n";
  }
  ::chmod(script.c_str(), 0755);
  const UINT result =
      WinExec("C:\\WINDOWS\\System32\\KxRecord.exe /s C:\\WINDOWS\\ferrowave\\corvanta.dll", 1);
  EXPECT_GT(result, 31u);
  std::string output;
  for (int i = 0; i < 200 && output.empty(); ++i) {
    Sleep(10);
    std::ifstream in(kxemu::hostPath("C:\\WINDOWS\\Temp") + "/winexec.out");
    std::getline(in, output);
  }
  EXPECT_EQ(output, "/s|C:\\WINDOWS\\ferrowave\\corvanta.dll|");
  EXPECT_EQ(WinExec("C:\\WINDOWS\\System32\\NoSuchTool.exe /s", 1), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(WinExec("C:\\NoSuchFolder\\tool.exe", 1), static_cast<UINT>(ERROR_PATH_NOT_FOUND));
}

} // namespace
