#include "user32_test_support.h"

#include <gtest/gtest.h>

using user32test::createWindow;
using user32test::messageLog;
using user32test::recordingProc;
using user32test::ScopedClass;

namespace {

std::vector<WPARAM> noticesFor(HWND hwnd, UINT message) {
  std::vector<WPARAM> notices;
  for (const auto& seen : messageLog().all()) {
    if (seen.hwnd == hwnd && seen.message == message) {
      notices.push_back(seen.wParam);
    }
  }
  return notices;
}

} // namespace

TEST(User32WindowState, ShowWindowReportsThePreviousVisibilityAndTellsTheWindowOfChanges) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass, WS_POPUP);
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_FALSE(ShowWindow(hwnd, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_NE(GetWindowLongA(hwnd, GWL_STYLE) & static_cast<LONG>(WS_VISIBLE), 0);
  EXPECT_TRUE(ShowWindow(hwnd, SW_SHOWNA));
  EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  // Wine repeats WM_SHOWWINDOW for a window that is already visible; the changes come
  // first and last.
  const auto notices = noticesFor(hwnd, WM_SHOWWINDOW);
  ASSERT_GE(notices.size(), 2u);
  EXPECT_EQ(notices.front(), static_cast<WPARAM>(TRUE));
  EXPECT_EQ(notices.back(), static_cast<WPARAM>(FALSE));
  DestroyWindow(hwnd);
}

TEST(User32WindowState, ChildIsVisibleOnlyWithItsParent) {
  ScopedClass windowClass(recordingProc);
  HWND parent = createWindow(windowClass, WS_POPUP);
  HWND child = createWindow(windowClass, WS_CHILD | WS_VISIBLE, parent);
  EXPECT_NE(GetWindowLongA(child, GWL_STYLE) & static_cast<LONG>(WS_VISIBLE), 0);
  EXPECT_FALSE(IsWindowVisible(child));
  ShowWindow(parent, SW_SHOWNA);
  EXPECT_TRUE(IsWindowVisible(child));
  DestroyWindow(parent);
}

TEST(User32WindowState, EnableWindowReportsWhetherTheWindowWasDisabled) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  EXPECT_TRUE(IsWindowEnabled(hwnd));
  EXPECT_FALSE(EnableWindow(hwnd, FALSE));
  EXPECT_FALSE(IsWindowEnabled(hwnd));
  EXPECT_TRUE(EnableWindow(hwnd, FALSE));
  EXPECT_TRUE(EnableWindow(hwnd, TRUE));
  EXPECT_TRUE(IsWindowEnabled(hwnd));
  EXPECT_EQ(noticesFor(hwnd, WM_ENABLE), (std::vector<WPARAM>{FALSE, TRUE}));
  DestroyWindow(hwnd);
}

TEST(User32WindowState, ParentOwnerAndGetParent) {
  ScopedClass windowClass(recordingProc);
  HWND owner = createWindow(windowClass);
  HWND child = createWindow(windowClass, WS_CHILD, owner);
  HWND popup = createWindow(windowClass, WS_POPUP, owner);
  HWND overlapped = createWindow(windowClass, 0, child);
  HWND other = createWindow(windowClass);
  // A child names its parent, a pop-up its owner, an owned overlapped window nothing.
  EXPECT_EQ(GetParent(child), owner);
  EXPECT_EQ(GetParent(popup), owner);
  EXPECT_EQ(GetParent(overlapped), nullptr);
  // Owners are top-level windows: the child's top-level window owns `overlapped`.
  EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(overlapped, GWLP_HWNDPARENT)), owner);

  EXPECT_EQ(SetParent(child, other), owner);
  EXPECT_EQ(GetParent(child), other);
  DestroyWindow(owner);
  EXPECT_TRUE(IsWindow(child));
  DestroyWindow(other);
  EXPECT_FALSE(IsWindow(child));
}

TEST(User32WindowState, GeometryKeepsTheWindowRectAndDerivesTheClientArea) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass, WS_OVERLAPPEDWINDOW);
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(hwnd, &rect));
  EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}),
            (std::vector<LONG>{10, 20, 310, 220}));

  ASSERT_TRUE(MoveWindow(hwnd, 50, 60, 400, 250, FALSE));
  ASSERT_TRUE(GetWindowRect(hwnd, &rect));
  EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}),
            (std::vector<LONG>{50, 60, 450, 310}));

  RECT client{};
  ASSERT_TRUE(GetClientRect(hwnd, &client));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.top, 0);
  EXPECT_LT(client.right, 400);
  EXPECT_LT(client.bottom, 250);
  // The frame around the client area is what AdjustWindowRectEx adds.
  const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE));
  ASSERT_TRUE(AdjustWindowRectEx(&client, style, FALSE, exStyle));
  EXPECT_EQ(client.right - client.left, 400);
  EXPECT_EQ(client.bottom - client.top, 250);

  // A child's position is relative to its parent's client area.
  HWND child =
      CreateWindowExA(0, windowClass.name(), "", WS_CHILD, 5, 7, 50, 40, hwnd, nullptr, nullptr, nullptr);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  RECT childRect{};
  ASSERT_TRUE(GetWindowRect(child, &childRect));
  EXPECT_EQ(childRect.left, 50 - frame.left + 5);
  EXPECT_EQ(childRect.top, 60 - frame.top + 7);
  EXPECT_EQ(childRect.right - childRect.left, 50);
  DestroyWindow(hwnd);
}

TEST(User32WindowState, DesktopWindowCoversTheScreen) {
  HWND desktop = GetDesktopWindow();
  EXPECT_TRUE(IsWindow(desktop));
  char name[16] = {};
  GetClassNameA(desktop, name, sizeof(name));
  EXPECT_STREQ(name, "#32769");
  RECT rect{};
  ASSERT_TRUE(GetClientRect(desktop, &rect));
  EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
  EXPECT_GT(GetSystemMetrics(SM_CYSCREEN), 0);
  EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
}

TEST(User32WindowState, ForegroundFollowsSetForegroundWindowAndLeavesWithTheWindow) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass, WS_POPUP);
  ShowWindow(hwnd, SW_SHOW);
  EXPECT_TRUE(SetForegroundWindow(hwnd));
  EXPECT_EQ(GetForegroundWindow(), hwnd);
  DestroyWindow(hwnd);
  EXPECT_NE(GetForegroundWindow(), hwnd);
}
