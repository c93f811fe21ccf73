#include "user32_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

using user32test::createWindow;
using user32test::recordingProc;
using user32test::ScopedClass;

TEST(User32Classes, RegisteringANameTwiceIsRefusedWhateverItsCase) {
  ScopedClass first(recordingProc);
  ASSERT_NE(first.atom(), 0);
  std::string lower = first.name();
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const std::string& name : {std::string(first.name()), lower}) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = name.c_str();
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&wc), 0) << name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS)) << name;
  }
}

TEST(User32Classes, RegisterClassExRequiresItsOwnSize) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(WNDCLASSA);
  wc.lpfnWndProc = recordingProc;
  wc.lpszClassName = "KxTestWrongSize";
  SetLastError(0);
  EXPECT_EQ(RegisterClassExA(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  wc.cbSize = sizeof(WNDCLASSEXA);
  EXPECT_NE(RegisterClassExA(&wc), 0);
  EXPECT_TRUE(UnregisterClassA("KxTestWrongSize", nullptr));
}

TEST(User32Classes, UnknownClassCreatesNoWindow) {
  SetLastError(0);
  EXPECT_EQ(
      CreateWindowExA(0, "KxTestNeverRegistered", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  // Wine reports ERROR_CLASS_DOES_NOT_EXIST instead.
  if (!kxtest::runningUnderWine()) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  }
}

TEST(User32Classes, ClassWithWindowsCannotBeUnregistered) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  ASSERT_NE(hwnd, nullptr);
  SetLastError(0);
  EXPECT_FALSE(UnregisterClassA(windowClass.name(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));

  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_TRUE(UnregisterClassA(windowClass.name(), nullptr));
  SetLastError(0);
  EXPECT_FALSE(UnregisterClassA(windowClass.name(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
}

TEST(User32Classes, AtomNamesTheClassAndGetClassNameTruncates) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = CreateWindowExA(0, MAKEINTATOM(windowClass.atom()), "", 0, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);

  char name[64] = {};
  EXPECT_EQ(GetClassNameA(hwnd, name, sizeof(name)),
            static_cast<int>(std::string(windowClass.name()).size()));
  EXPECT_STREQ(name, windowClass.name());

  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetClassNameA(hwnd, small, sizeof(small)), 3);
  EXPECT_EQ(std::string(small), std::string(windowClass.name()).substr(0, 3));
  DestroyWindow(hwnd);
}
