// Modules: the program's own handle and file name, system DLLs, missing libraries.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Modules, ProgramHandleAndFileName) {
  HMODULE self = GetModuleHandleA(nullptr);
  ASSERT_NE(self, nullptr);
  char name[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
  ASSERT_GT(length, 4u);
  EXPECT_EQ(length, std::strlen(name));
  EXPECT_EQ(kxtest::lower(name).substr(length - 4), ".exe");
  EXPECT_EQ(name[1], ':');
  EXPECT_EQ(GetModuleFileNameA(self, name, MAX_PATH), length);
  EXPECT_EQ(GetModuleHandleA(name), self);
  // Too small a buffer: truncated, terminated, the buffer size returned.
  char small[5];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
  if (!kxtest::runningUnderWine()) { // Wine keeps Windows XP's unterminated, error-less form
    EXPECT_EQ(small[4], '\0');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  }
}

TEST(Modules, SystemLibrariesAndProcedures) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(GetModuleHandleA("KERNEL32"), kernel); // ".dll" is implied
  EXPECT_NE(GetProcAddress(kernel, "GetTickCount"), nullptr);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(kernel, "KxNoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  HMODULE loaded = LoadLibraryA("kernel32.dll");
  EXPECT_EQ(loaded, kernel);
  EXPECT_TRUE(FreeLibrary(loaded));
}

TEST(Modules, MissingLibraries) {
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleA("kxnosuchlibrary.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("kxnosuchlibrary.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

} // namespace
