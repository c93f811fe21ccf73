// The registry file in the root: its text form, changes made by hand, several processes.
#include <winapi/include/emu/kxemu.h>

#include "../test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string registryText() {
  std::ifstream in(kxemu::systemRoot() + "/registry.reg");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void setString(HKEY key, const char* name, const std::string& text) {
  ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
}

std::string queryString(HKEY key, const char* name) {
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return "<missing>";
  }
  return std::string(buffer, size);
}

TEST(RegistryFile, IsRegeditText) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxFormat\\Sub Key", &key), ERROR_SUCCESS);
  setString(key, "Plain", "C:\\WINDOWS \"quoted\"");
  setString(key, nullptr, "the default");
  const DWORD dword = 42;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4);
  const BYTE binary[3] = {1, 0xAB, 0};
  RegSetValueExA(key, "Bytes", 0, REG_BINARY, binary, 3);
  RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0b\0"), 5);
  RegCloseKey(key);
  HKEY classes;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "KxFormatClass", &classes), ERROR_SUCCESS);
  RegCloseKey(classes);

  const std::string text = registryText();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\KxFormat\\Sub Key]\n"), std::string::npos);
  EXPECT_NE(text.find("\"Plain\"=\"C:\\\\WINDOWS \\\"quoted\\\"\"\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"the default\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Number\"=dword:0000002a\n"), std::string::npos);
  EXPECT_NE(text.find("\"Bytes\"=hex:01,ab,00\n"), std::string::npos);
  EXPECT_NE(text.find("\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\KxFormatClass]"), std::string::npos);
  EXPECT_EQ(text.find("HKEY_CLASSES_ROOT"), std::string::npos);
}

TEST(RegistryFile, UnterminatedStringsSurviveTheFile) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxBare", &key), ERROR_SUCCESS);
  const char bare[4] = {'a', 'b', 'c', '!'};
  ASSERT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare), 3), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_NE(registryText().find("\"Bare\"=hex(1):61,00,62,00,63,00\n"), std::string::npos);
  // Another process (here: a fresh load) sees exactly the stored bytes.
  const pid_t child = fork();
  if (child == 0) {
    HKEY k;
    DWORD size = 0;
    const bool ok = RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxBare", &k) == ERROR_SUCCESS &&
                    RegQueryValueExA(k, "Bare", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
                    size == 3;
    _exit(ok ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(RegistryFile, ChangesMadeToTheFileAreSeen) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxEdited", &key), ERROR_SUCCESS);
  setString(key, "Before", "1");
  std::string text = registryText();
  text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KxEdited]\n\"ByHand\"=\"edited\"\n\"Wide\"=hex(2):25,00,41,00,00,"
          "00\n\n";
  {
    std::ofstream out(kxemu::systemRoot() + "/registry.reg.new");
    out << text;
  }
  ASSERT_EQ(::rename((kxemu::systemRoot() + "/registry.reg.new").c_str(),
                     (kxemu::systemRoot() + "/registry.reg").c_str()),
            0);
  EXPECT_EQ(queryString(key, "ByHand"), std::string("edited\0", 7));
  EXPECT_EQ(queryString(key, "Wide"), std::string("%A\0", 3));
  EXPECT_EQ(queryString(key, "Before"), std::string("1\0", 2));
  RegCloseKey(key);
}

TEST(RegistryFile, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kValues = 150;
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxConcurrent", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      HKEY k;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxConcurrent", 0, KEY_ALL_ACCESS, &k) !=
          ERROR_SUCCESS) {
        _exit(2);
      }
      for (int i = 0; i < kValues; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "P%d_%03d", c, i);
        const DWORD value = static_cast<DWORD>(c * 1000 + i);
        if (RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) !=
            ERROR_SUCCESS) {
          _exit(3);
        }
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxConcurrent", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD count = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                   nullptr, nullptr);
  EXPECT_EQ(count, 2u * kValues);
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kValues; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "P%d_%03d", c, i);
      DWORD value = 0, size = 4;
      ASSERT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
                ERROR_SUCCESS)
          << name;
      EXPECT_EQ(value, static_cast<DWORD>(c * 1000 + i));
    }
  }
  RegCloseKey(key);
}

TEST(RegistryFile, KeyDeletedByAnotherProcess) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxVictim", &key), ERROR_SUCCESS);
  setString(key, "v", "1");
  const pid_t child = fork();
  if (child == 0) {
    _exit(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KxVictim") == ERROR_SUCCESS ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(RegistryFile, ThreadsShareOneTree) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\KxThreads", &key), ERROR_SUCCESS);
  std::thread workers[4];
  for (int t = 0; t < 4; ++t) {
    workers[t] = std::thread([key, t] {
      for (int i = 0; i < 50; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "T%d_%d", t, i);
        const DWORD v = static_cast<DWORD>(i);
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
      }
    });
  }
  for (auto& worker : workers) {
    worker.join();
  }
  DWORD count = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                   nullptr, nullptr);
  EXPECT_EQ(count, 200u);
  RegCloseKey(key);
}

} // namespace
