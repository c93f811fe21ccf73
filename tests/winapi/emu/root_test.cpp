// The emulated system root: its tree, path mapping, the read-only host drive.
#include <winapi/include/emu/kxemu.h>

#include "../test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(SystemRoot, HoldsTheDriveTree) {
  const std::string root = kxemu::systemRoot();
  for (const char* folder :
       {"drive_c/WINDOWS", "drive_c/WINDOWS/System32", "drive_c/WINDOWS/System32/drivers",
        "drive_c/WINDOWS/inf", "drive_c/WINDOWS/Temp"}) {
    EXPECT_TRUE(isDirectory(root + "/" + folder)) << folder;
  }
}

TEST(SystemRoot, DefaultFollowsXdgStateHome) {
  const char* saved = std::getenv("XDG_STATE_HOME");
  const std::string keep = saved ? saved : "";
  ::setenv("XDG_STATE_HOME", "/some/state", 1);
  EXPECT_EQ(kxemu::defaultSystemRoot(), "/some/state/corvanta/root");
  if (saved) {
    ::setenv("XDG_STATE_HOME", keep.c_str(), 1);
  } else {
    ::unsetenv("XDG_STATE_HOME");
  }
}

TEST(SystemRoot, SwitchingRootsSwitchesFilesAndRegistry) {
  const std::string original = kxemu::systemRoot();
  char pattern[] = "/tmp/kxwinapi-other-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string other = pattern;
  kxemu::setSystemRoot(other);
  EXPECT_TRUE(isDirectory(other + "/drive_c/WINDOWS/System32"));
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OnlyInOther", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  kxemu::setSystemRoot(original);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OnlyInOther", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(std::system(("rm -rf " + other).c_str()), 0);
}

TEST(PathMapping, DriveCLivesInTheRootAndIgnoresCase) {
  const std::string root = kxemu::systemRoot();
  const std::string host = root + "/drive_c/WINDOWS/System32/X.DLL";
  { std::ofstream(host) << "x"; }
  EXPECT_EQ(kxemu::hostPath("c:\\windows\\SYSTEM32\\x.dll"), host);
  EXPECT_EQ(kxemu::hostPath("C:/WINDOWS/system32/X.dll"), host);
  EXPECT_EQ(kxemu::hostPath("\\\\?\\C:\\WINDOWS\\System32\\x.DLL"), host);
  EXPECT_EQ(kxemu::windowsPath(host), "C:\\WINDOWS\\System32\\X.DLL");
  // Parts that do not exist keep the spelling they were given.
  EXPECT_EQ(kxemu::hostPath("C:\\windows\\New Folder\\File.txt"),
            root + "/drive_c/WINDOWS/New Folder/File.txt");
  EXPECT_EQ(kxemu::hostPath("C:\\WINDOWS\\..\\WINDOWS\\.\\inf"), root + "/drive_c/WINDOWS/inf");
  EXPECT_EQ(kxemu::hostPath("\\\\?\\usb#vid_1111&pid_2222#1#{guid}"), "");
  ::unlink(host.c_str());
}

TEST(PathMapping, HostDriveIsReadOnly) {
  char pattern[] = "/tmp/kxwinapi-host-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  { std::ofstream(dir + "/Readme.txt") << "host file"; }
  const std::string windows = kxemu::windowsPath(dir);
  EXPECT_EQ(windows.substr(0, 3), "Z:\\");
  HANDLE h = CreateFileA((windows + "\\README.TXT").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buffer[32] = {};
  DWORD read = 0;
  ReadFile(h, buffer, sizeof buffer, &read, nullptr);
  EXPECT_STREQ(buffer, "host file");
  CloseHandle(h);
  SetLastError(0);
  EXPECT_EQ(CreateFileA((windows + "\\new.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteFileA((windows + "\\Readme.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(CreateDirectoryA((windows + "\\sub").c_str(), nullptr));
  // Copying from the host into the root is how programs and libraries come in.
  EXPECT_TRUE(CopyFileA((windows + "\\Readme.txt").c_str(), "C:\\WINDOWS\\Temp\\fromhost.txt", FALSE));
  EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\Temp\\fromhost.txt"));
  ::unlink((dir + "/Readme.txt").c_str());
  ::rmdir(dir.c_str());
}

TEST(PathMapping, ReadOnlyAttributeIsTheHostWritePermission) {
  ASSERT_TRUE(CloseHandle(CreateFileA("C:\\WINDOWS\\Temp\\ro.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_READONLY, nullptr)));
  struct stat st;
  ASSERT_EQ(::stat(kxemu::hostPath("C:\\WINDOWS\\Temp\\ro.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_NE(GetFileAttributesA("C:\\WINDOWS\\Temp\\ro.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  SetFileAttributesA("C:\\WINDOWS\\Temp\\ro.txt", FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\Temp\\ro.txt"));
}

TEST(PathMapping, CurrentDirectoryAndFullPaths) {
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA("c:\\windows\\system32"));
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  EXPECT_STREQ(cwd, "C:\\WINDOWS\\System32");
  char full[MAX_PATH];
  LPSTR part = nullptr;
  EXPECT_EQ(GetFullPathNameA("..\\inf\\x.inf", MAX_PATH, full, &part), 20u);
  EXPECT_STREQ(full, "C:\\WINDOWS\\inf\\x.inf");
  EXPECT_STREQ(part, "x.inf");
  EXPECT_NE(GetFileAttributesA("drivers"), INVALID_FILE_ATTRIBUTES); // relative to the current directory
  EXPECT_FALSE(SetCurrentDirectoryA("C:\\NoSuchFolder"));
  SetCurrentDirectoryA(saved);
}

} // namespace
