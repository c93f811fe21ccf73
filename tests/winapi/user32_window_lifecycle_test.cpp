#include "user32_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using user32test::createWindow;
using user32test::messageLog;
using user32test::recordingProc;
using user32test::ScopedClass;

namespace {

struct CreationSeen {
  bool seen = false;
  LPVOID params = nullptr;
  std::string name;
  int x = 0, y = 0, cx = 0, cy = 0;
};
CreationSeen ncCreate;
CreationSeen create;

LRESULT CALLBACK creationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE || message == WM_CREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    CreationSeen& seen = message == WM_NCCREATE ? ncCreate : create;
    seen = CreationSeen{true, cs->lpCreateParams, cs->lpszName, cs->x, cs->y, cs->cx, cs->cy};
  }
  return recordingProc(hwnd, message, wParam, lParam);
}

const std::vector<UINT> kLifeMessages = {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY};

} // namespace

TEST(User32WindowLifecycle, CreationSendsNcCreateThenCreateWithTheCreateStruct) {
  ScopedClass windowClass(creationProc);
  int params = 0;
  HWND hwnd = CreateWindowExA(0, windowClass.name(), "Title", WS_POPUP, 11, 22, 133, 144, nullptr, nullptr,
                              nullptr, &params);
  ASSERT_NE(hwnd, nullptr);
  using Pairs = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(messageLog().sequence(kLifeMessages), (Pairs{{hwnd, WM_NCCREATE}, {hwnd, WM_CREATE}}));
  for (const CreationSeen* seen : {&ncCreate, &create}) {
    EXPECT_TRUE(seen->seen);
    EXPECT_EQ(seen->params, &params);
    EXPECT_EQ(seen->name, "Title");
    EXPECT_EQ((std::vector<int>{seen->x, seen->y, seen->cx, seen->cy}), (std::vector<int>{11, 22, 133, 144}));
  }
  char title[16] = {};
  EXPECT_EQ(GetWindowTextA(hwnd, title, sizeof(title)), 5);
  EXPECT_STREQ(title, "Title");
  DestroyWindow(hwnd);
}

struct CreationRefusal {
  const char* name;
  UINT refusedAt;
  LRESULT answer;
  std::vector<UINT> expected;
};

class User32CreationRefused : public testing::TestWithParam<CreationRefusal> {};

TEST_P(User32CreationRefused, LeavesNoWindowAndEndsTheWindowsLife) {
  const CreationRefusal& refusal = GetParam();
  ScopedClass windowClass(recordingProc);
  messageLog().answer(refusal.refusedAt, refusal.answer);
  EXPECT_EQ(createWindow(windowClass), nullptr);
  std::vector<UINT> seen;
  for (const auto& [hwnd, message] : messageLog().sequence(kLifeMessages)) {
    seen.push_back(message);
    EXPECT_FALSE(IsWindow(hwnd));
  }
  EXPECT_EQ(seen, refusal.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, User32CreationRefused,
    // The window ends without WM_DESTROY either way: it never finished being created.
    testing::Values(CreationRefusal{"AtNcCreate", WM_NCCREATE, FALSE, {WM_NCCREATE, WM_NCDESTROY}},
                    CreationRefusal{"AtCreate", WM_CREATE, -1, {WM_NCCREATE, WM_CREATE, WM_NCDESTROY}}),
    user32test::CaseName());

TEST(User32WindowLifecycle, DestroyTakesOwnedWindowsFirstThenParentBeforeChildren) {
  ScopedClass windowClass(recordingProc);
  HWND parent = createWindow(windowClass);
  HWND child = createWindow(windowClass, WS_CHILD, parent);
  HWND owned = createWindow(windowClass, 0, parent);
  ASSERT_TRUE(parent && child && owned);

  ASSERT_TRUE(DestroyWindow(parent));
  using Pairs = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(messageLog().sequence({WM_DESTROY, WM_NCDESTROY}), (Pairs{{owned, WM_DESTROY},
                                                                      {owned, WM_NCDESTROY},
                                                                      {parent, WM_DESTROY},
                                                                      {child, WM_DESTROY},
                                                                      {child, WM_NCDESTROY},
                                                                      {parent, WM_NCDESTROY}}));
  for (HWND hwnd : {parent, child, owned}) {
    EXPECT_FALSE(IsWindow(hwnd));
  }
  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(parent));
  // Wine reports ERROR_ACCESS_DENIED for a window that is gone.
  if (!kxtest::runningUnderWine()) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
}

TEST(User32WindowLifecycle, CloseEndsTheWindowThroughTheDefaultProcedure) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(messageLog().saw(hwnd, WM_NCDESTROY));
}

TEST(User32WindowLifecycle, WindowBelongsToItsThreadAndEndsWithIt) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = nullptr;
  DWORD creator = 0;
  std::thread thread([&] {
    creator = GetCurrentThreadId();
    hwnd = createWindow(windowClass);
  });
  thread.join();
  ASSERT_NE(creator, 0u);
  // The thread is gone, and its window with it.
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), 0u);

  HWND mine = createWindow(windowClass);
  DWORD process = 0;
  EXPECT_EQ(GetWindowThreadProcessId(mine, &process), GetCurrentThreadId());
  EXPECT_EQ(process, GetCurrentProcessId());
  DestroyWindow(mine);
}

TEST(User32WindowLifecycle, AnotherThreadCannotDestroyTheWindow) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  BOOL destroyed = TRUE;
  DWORD error = 0;
  std::thread([&] {
    destroyed = DestroyWindow(hwnd);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(IsWindow(hwnd));
  DestroyWindow(hwnd);
}
