#include "user32_test_support.h"

#include <gtest/gtest.h>

using user32test::createWindow;
using user32test::messageLog;
using user32test::recordingProc;
using user32test::ScopedClass;

namespace {

WNDPROC previousProc = nullptr;

LRESULT CALLBACK doublingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) {
    return 2 * CallWindowProcA(previousProc, hwnd, message, wParam, lParam);
  }
  return CallWindowProcA(previousProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK echoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return message == WM_USER ? static_cast<LRESULT>(wParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

TEST(User32WindowData, UserDataAndExtraBytesStartAtZeroAndKeepWhatIsSet) {
  constexpr int kSlot = static_cast<int>(sizeof(LONG_PTR));
  ScopedClass windowClass(recordingProc, 2 * kSlot);
  HWND hwnd = createWindow(windowClass);
  ASSERT_NE(hwnd, nullptr);
  for (int index : {GWLP_USERDATA, 0, kSlot}) {
    EXPECT_EQ(GetWindowLongPtrA(hwnd, index), 0) << index;
    EXPECT_EQ(SetWindowLongPtrA(hwnd, index, 1000 + index), 0) << index;
  }
  for (int index : {GWLP_USERDATA, 0, kSlot}) {
    EXPECT_EQ(GetWindowLongPtrA(hwnd, index), 1000 + index) << index;
  }
  DestroyWindow(hwnd);
}

TEST(User32WindowData, IndexPastTheExtraBytesIsRefused) {
  ScopedClass windowClass(recordingProc, static_cast<int>(sizeof(LONG_PTR)));
  HWND hwnd = createWindow(windowClass);
  for (int index : {1, static_cast<int>(sizeof(LONG_PTR)), -100}) {
    SetLastError(0);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, index, 5), 0) << index;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX)) << index;
  }
  DestroyWindow(hwnd);
}

TEST(User32WindowData, ReplacedProcedureGetsTheMessagesAndCanChainToTheOldOne) {
  ScopedClass windowClass(echoProc);
  HWND hwnd = createWindow(windowClass);
  ASSERT_EQ(SendMessageA(hwnd, WM_USER, 21, 0), 21);
  previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(doublingProc)));
  EXPECT_EQ(previousProc, echoProc);
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(doublingProc));
  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 21, 0), 42);
  DestroyWindow(hwnd);
}

TEST(User32WindowData, TextIsSetThroughMessagesAndTruncatedToTheBuffer) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass, 0, nullptr, "first");
  EXPECT_EQ(GetWindowTextLengthA(hwnd), 5);
  EXPECT_TRUE(SetWindowTextA(hwnd, "second title"));
  EXPECT_TRUE(messageLog().saw(hwnd, WM_SETTEXT));
  EXPECT_EQ(GetWindowTextLengthA(hwnd), 12);
  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetWindowTextA(hwnd, small, sizeof(small)), 3);
  EXPECT_STREQ(small, "sec");
  EXPECT_TRUE(SetWindowTextA(hwnd, nullptr));
  EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
  DestroyWindow(hwnd);
}

TEST(User32WindowData, FindWindowFindsTopLevelWindowsByClassAndTitle) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass, 0, nullptr, "Kx Find Me");
  HWND child = createWindow(windowClass, WS_CHILD, hwnd, "Kx Child");
  HWND messageOnly = createWindow(windowClass, 0, HWND_MESSAGE, "Kx Hidden Messages");
  ASSERT_TRUE(hwnd && child && messageOnly);
  EXPECT_EQ(FindWindowA(windowClass.name(), nullptr), hwnd);
  EXPECT_EQ(FindWindowA(nullptr, "kx find me"), hwnd);
  EXPECT_EQ(FindWindowA(windowClass.name(), "Kx Find Me"), hwnd);
  EXPECT_EQ(FindWindowA(windowClass.name(), "Kx Child"), nullptr);
  // Wine finds message-only windows too; Windows keeps them to FindWindowEx(HWND_MESSAGE).
  if (!kxtest::runningUnderWine()) {
    EXPECT_EQ(FindWindowA(nullptr, "Kx Hidden Messages"), nullptr);
  }
  DestroyWindow(messageOnly);
  DestroyWindow(hwnd);
  EXPECT_EQ(FindWindowA(windowClass.name(), nullptr), nullptr);
}
