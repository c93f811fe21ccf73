// Files and folders: create/read/write, case-insensitive names, read-only files, copy, move,
// find with wildcards, temporary names, sharing, well-known folders.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

class Files : public ::testing::Test {
protected:
  void SetUp() override { folder_ = kxtest::makeTempFolder(); }
  void TearDown() override { kxtest::removeTree(folder_); }

  std::string path(const char* name) const { return folder_ + "\\" + name; }

  void writeFile(const std::string& file, const std::string& content) {
    HANDLE h =
        CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << file << " error " << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    EXPECT_EQ(written, content.size());
    CloseHandle(h);
  }

  std::string readFile(const std::string& file) {
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      return "<missing>";
    }
    char buffer[4096];
    DWORD read = 0;
    ReadFile(h, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(h);
    return std::string(buffer, read);
  }

  std::set<std::string> find(const std::string& pattern) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
      return names;
    }
    do {
      names.insert(data.cFileName);
    } while (FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    FindClose(h);
    return names;
  }

  std::string folder_;
};

TEST_F(Files, WriteReadSeekAndSize) {
  const std::string file = path("data.bin");
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &done, nullptr));
  EXPECT_EQ(done, 10u);
  DWORD high = 1;
  EXPECT_EQ(GetFileSize(h, &high), 10u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
  char buffer[8] = {};
  ASSERT_TRUE(ReadFile(h, buffer, 3, &done, nullptr));
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(std::string(buffer, 3), "456");
  EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 8u);
  EXPECT_EQ(SetFilePointer(h, 1, nullptr, FILE_CURRENT), 9u);
  ASSERT_TRUE(ReadFile(h, buffer, 8, &done, nullptr));
  EXPECT_EQ(done, 1u);
  ASSERT_TRUE(ReadFile(h, buffer, 8, &done, nullptr)); // end of file: success, nothing read
  EXPECT_EQ(done, 0u);
  SetLastError(0);
  EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 5u);
  CloseHandle(h);
}

TEST_F(Files, DispositionsAndTheirErrors) {
  const std::string file = path("d.txt");
  writeFile(file, "abc");
  SetLastError(0);
  EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(h);
  h = CreateFileA(path("new.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(h);
  h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(GetFileSize(h, nullptr), 0u); // truncated
  CloseHandle(h);
  SetLastError(0);
  EXPECT_EQ(CreateFileA(path("missing.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(
      CreateFileA(path("NoFolder\\x.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Files, NamesAreFoundIgnoringCase) {
  CreateDirectoryA(path("SubFolder").c_str(), nullptr);
  writeFile(path("SubFolder\\MixedName.DLL"), "content");
  std::string upperFolder = folder_;
  std::transform(upperFolder.begin(), upperFolder.end(), upperFolder.begin(),
                 [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
  EXPECT_EQ(readFile(upperFolder + "\\subfolder\\mixedname.dll"), "content");
  EXPECT_EQ(readFile(folder_ + "/SUBFOLDER/MIXEDNAME.dll"), "content"); // forward slashes too
  EXPECT_NE(GetFileAttributesA((folder_ + "\\subFOLDER").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  // Writing through another spelling changes the same file.
  writeFile(path("subfolder\\mixedname.dll"), "changed");
  EXPECT_EQ(readFile(path("SubFolder\\MixedName.DLL")), "changed");
  EXPECT_EQ(find(path("SubFolder\\*")).count("MixedName.DLL"), 1u);
}

TEST_F(Files, ReadOnlyFilesRefuseDeleteAndWrite) {
  const std::string file = path("ro.txt");
  writeFile(file, "keep");
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  const DWORD attributes = GetFileAttributesA(file.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(file.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // Wine keeps the attribute as the Unix write permission and so lets root write anyway.
  if (!kxtest::runningUnderWine()) {
    SetLastError(0);
    EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(readFile(file), "keep"); // reading is fine
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(DeleteFileA(file.c_str()));
  SetLastError(0);
  EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(file.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, CopyFailIfExistsAndOverwrite) {
  const std::string a = path("a.txt"), b = path("b.txt");
  writeFile(a, "first");
  ASSERT_TRUE(CopyFileA(a.c_str(), b.c_str(), TRUE));
  EXPECT_EQ(readFile(b), "first");
  writeFile(a, "second");
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(a.c_str(), b.c_str(), TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(readFile(b), "first");
  ASSERT_TRUE(CopyFileA(a.c_str(), b.c_str(), FALSE));
  EXPECT_EQ(readFile(b), "second");
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(path("none.txt").c_str(), b.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // A read-only destination is not overwritten (Wine run as root overwrites it, see above).
  ASSERT_TRUE(SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_READONLY));
  if (!kxtest::runningUnderWine()) {
    SetLastError(0);
    EXPECT_FALSE(CopyFileA(a.c_str(), b.c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Files, CopyTakesTheReadOnlyAttributeAlong) {
  const std::string a = path("src.txt"), b = path("dst.txt");
  writeFile(a, "x");
  SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(CopyFileA(a.c_str(), b.c_str(), TRUE));
  EXPECT_NE(GetFileAttributesA(b.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Files, MoveAndReplace) {
  const std::string a = path("a.txt"), b = path("b.txt"), c = path("c.txt");
  writeFile(a, "A");
  writeFile(b, "B");
  SetLastError(0);
  EXPECT_FALSE(MoveFileA(a.c_str(), b.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  ASSERT_TRUE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(readFile(b), "A");
  EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(MoveFileA(b.c_str(), c.c_str()));
  EXPECT_EQ(readFile(c), "A");
  SetLastError(0);
  EXPECT_FALSE(MoveFileA(a.c_str(), c.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // Folders move too.
  ASSERT_TRUE(CreateDirectoryA(path("dir1").c_str(), nullptr));
  writeFile(path("dir1\\inside.txt"), "in");
  ASSERT_TRUE(MoveFileA(path("dir1").c_str(), path("dir2").c_str()));
  EXPECT_EQ(readFile(path("dir2\\inside.txt")), "in");
}

TEST_F(Files, FindWithWildcards) {
  for (const char* name : {"a.inf", "b.INF", "c.txt", "oem1.inf", "oem22.inf", "noext"}) {
    writeFile(path(name), name);
  }
  CreateDirectoryA(path("sub").c_str(), nullptr);
  EXPECT_EQ(find(path("*.inf")), (std::set<std::string>{"a.inf", "b.INF", "oem1.inf", "oem22.inf"}));
  EXPECT_EQ(find(path("oem*.inf")), (std::set<std::string>{"oem1.inf", "oem22.inf"}));
  EXPECT_EQ(find(path("OEM?.INF")), (std::set<std::string>{"oem1.inf"}));
  EXPECT_EQ(find(path("?.txt")), (std::set<std::string>{"c.txt"}));
  EXPECT_EQ(find(path("c.txt")), (std::set<std::string>{"c.txt"}));
  auto all = find(path("*"));
  all.erase(".");
  all.erase("..");
  EXPECT_EQ(all, (std::set<std::string>{"a.inf", "b.INF", "c.txt", "oem1.inf", "oem22.inf", "noext", "sub"}));
  auto starDotStar = find(path("*.*"));
  starDotStar.erase(".");
  starDotStar.erase("..");
  EXPECT_EQ(starDotStar, all);
  WIN32_FIND_DATAA data;
  SetLastError(0);
  EXPECT_EQ(FindFirstFileA(path("nomatch*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(FindFirstFileA(path("nofolder\\*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  HANDLE h = FindFirstFileA(path("sub").c_str(), &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  FindClose(h);
  h = FindFirstFileA(path("c.txt").c_str(), &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  FindClose(h);
}

TEST_F(Files, TemporaryNames) {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(length, std::strlen(temp));
  EXPECT_EQ(temp[length - 1], '\\');
  EXPECT_NE(GetFileAttributesA(temp) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(GetTempPathA(2, temp), length + 1); // too small: the size needed

  char first[MAX_PATH], second[MAX_PATH];
  const UINT a = GetTempFileNameA(folder_.c_str(), "~kx", 0, first);
  ASSERT_NE(a, 0u);
  const UINT b = GetTempFileNameA(folder_.c_str(), "~kx", 0, second);
  ASSERT_NE(b, 0u);
  EXPECT_NE(std::string(first), std::string(second));
  const std::string prefix = kxtest::lower(folder_ + "\\~kx");
  EXPECT_EQ(kxtest::lower(first).rfind(prefix, 0), 0u) << first;
  EXPECT_EQ(kxtest::lower(first).substr(std::strlen(first) - 4), ".tmp");
  EXPECT_NE(GetFileAttributesA(first), INVALID_FILE_ATTRIBUTES); // created
  char named[MAX_PATH];
  EXPECT_EQ(GetTempFileNameA(folder_.c_str(), "abcdef", 0x1234, named), 0x1234u);
  EXPECT_EQ(kxtest::lower(named), kxtest::lower(folder_ + "\\abc1234.tmp"));
  EXPECT_EQ(GetFileAttributesA(named), INVALID_FILE_ATTRIBUTES); // not created
}

TEST_F(Files, Folders) {
  const std::string dir = path("folder");
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryA(dir.c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryA(path("no\\such\\parent").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA(dir.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  writeFile(dir + "\\file.txt", "x");
  SetLastError(0);
  EXPECT_FALSE(RemoveDirectoryA(dir.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(dir.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(DeleteFileA((dir + "\\file.txt").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(dir.c_str()));
  EXPECT_EQ(GetFileAttributesA(dir.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, SharingModesAreEnforced) {
  const std::string file = path("shared.txt");
  writeFile(file, "s");
  HANDLE exclusive = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(file.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(exclusive);
  HANDLE reader =
      CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  HANDLE second =
      CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(second, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(second);
  CloseHandle(reader);
  EXPECT_TRUE(DeleteFileA(file.c_str()));
}

TEST_F(Files, DeviceControlOnAFileAndMissingDevices) {
  const std::string file = path("plain.bin");
  writeFile(file, "p");
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  BYTE out[4];
  DWORD returned = 1;
  SetLastError(0);
  EXPECT_FALSE(DeviceIoControl(h, CTL_CODE(FILE_DEVICE_UNKNOWN, 0x805, METHOD_BUFFERED, FILE_ANY_ACCESS),
                               nullptr, 0, out, sizeof out, &returned, nullptr));
  // NTFS answers an unknown control code with ERROR_INVALID_FUNCTION; Wine says ERROR_NOT_SUPPORTED.
  EXPECT_EQ(GetLastError(),
            static_cast<DWORD>(kxtest::runningUnderWine() ? ERROR_NOT_SUPPORTED : ERROR_INVALID_FUNCTION));
  CloseHandle(h);
  SetLastError(0);
  EXPECT_EQ(CreateFileA("\\\\.\\KxNoSuchDevice", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(WellKnownFolders, WindowsAndSystemDirectories) {
  char windows[MAX_PATH], system[MAX_PATH];
  const UINT w = GetWindowsDirectoryA(windows, MAX_PATH);
  const UINT s = GetSystemDirectoryA(system, MAX_PATH);
  ASSERT_GT(w, 0u);
  ASSERT_GT(s, 0u);
  EXPECT_EQ(w, std::strlen(windows));
  EXPECT_EQ(kxtest::lower(system), kxtest::lower(std::string(windows) + "\\system32"));
  EXPECT_EQ(kxtest::lower(windows).substr(1), ":\\windows");
  EXPECT_EQ(GetFileAttributesA(system) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_NE(GetFileAttributesA((std::string(windows) + "\\inf").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((std::string(system) + "\\drivers").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetWindowsDirectoryA(windows, 3), w + 1);
}

} // namespace
