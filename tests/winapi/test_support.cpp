#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#ifndef _WIN32
#include <winapi/include/emu/kxemu.h>

#include <cstdlib>
#include <ftw.h>
#include <unistd.h>
#endif

namespace kxtest {
namespace {

int counter = 0;

#ifndef _WIN32
// The emulation runs each test program on a system root of its own, removed at the end.
class EmulatedRoot : public ::testing::Environment {
public:
  void SetUp() override {
    char pattern[] = "/tmp/kxwinapi-test-XXXXXX";
    if (const char* dir = ::mkdtemp(pattern)) {
      directory_ = dir;
      kxemu::setSystemRoot(directory_);
    }
  }
  void TearDown() override {
    if (!directory_.empty() && !std::getenv("KX_KEEP_TEST_ROOT")) {
      ::nftw(
          directory_.c_str(),
          [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
          FTW_DEPTH | FTW_PHYS);
    }
  }

private:
  std::string directory_;
};
[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new EmulatedRoot);
#endif

} // namespace

std::string uniqueName(const char* stem) {
  char text[96];
  std::snprintf(text, sizeof text, "%s-%lu-%d", stem, static_cast<unsigned long>(GetCurrentProcessId()),
                ++counter);
  return text;
}

std::string makeTempFolder() {
  char temp[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, temp);
  EXPECT_GT(n, 0u);
  const std::string folder = std::string(temp) + uniqueName("kxwt");
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder << " error " << GetLastError();
  return folder;
}

void removeTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") {
        continue;
      }
      const std::string path = folder + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

std::string makeTestKeyPath() { return "Software\\CorvantaWinapiTests\\" + uniqueName("key"); }

void deleteKeyTree(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return;
  }
  std::vector<std::string> children;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    children.push_back(name);
  }
  RegCloseKey(key);
  for (const auto& child : children) {
    deleteKeyTree(root, path + "\\" + child);
  }
  RegDeleteKeyA(root, path.c_str());
}

double nowMs() {
  LARGE_INTEGER frequency, count;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool runningUnderWine() {
  const DWORD saved = GetLastError(); // callers check last errors around this
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  SetLastError(saved);
  return wine;
}

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

} // namespace kxtest
