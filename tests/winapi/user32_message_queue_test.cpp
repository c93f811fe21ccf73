#include "user32_test_support.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using user32test::createWindow;
using user32test::messageLog;
using user32test::recordingProc;
using user32test::ScopedClass;

namespace {

// The test's own messages; Wine may queue messages of its own for a new window.
constexpr UINT kFirst = WM_USER;
constexpr UINT kLast = WM_APP;

// Drains the messages the filter accepts, in retrieval order.
std::vector<UINT> drain(HWND filter, UINT first = kFirst, UINT last = kLast) {
  std::vector<UINT> taken;
  MSG msg;
  while (PeekMessageA(&msg, filter, first, last, PM_REMOVE)) {
    taken.push_back(msg.message);
  }
  return taken;
}

} // namespace

TEST(User32MessageQueue, PostedMessagesArriveInOrderAndPeekCanLeaveThem) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  for (UINT message : {WM_USER + 1, WM_USER + 2, WM_USER + 3}) {
    ASSERT_TRUE(PostMessageA(hwnd, message, message, 0));
  }
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, kFirst, kLast, PM_NOREMOVE));
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(WM_USER + 1));
  EXPECT_EQ(drain(nullptr), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, kFirst, kLast, PM_REMOVE));
  DestroyWindow(hwnd);
}

TEST(User32MessageQueue, FiltersSelectByRangeAndWindow) {
  ScopedClass windowClass(recordingProc);
  HWND a = createWindow(windowClass);
  HWND b = createWindow(windowClass);
  PostMessageA(a, WM_USER + 1, 0, 0);
  PostMessageA(b, WM_USER + 2, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 3, 0, 0);
  PostMessageA(a, WM_APP, 0, 0);
  // PostMessageA without a window posts to the thread itself.
  PostMessageA(nullptr, WM_USER + 4, 0, 0);

  EXPECT_EQ(drain(nullptr, WM_APP, WM_APP), (std::vector<UINT>{WM_APP}));
  EXPECT_EQ(drain(b), (std::vector<UINT>{WM_USER + 2}));
  EXPECT_EQ(drain(reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))),
            (std::vector<UINT>{WM_USER + 3, WM_USER + 4}));
  EXPECT_EQ(drain(nullptr), (std::vector<UINT>{WM_USER + 1}));
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST(User32MessageQueue, QuitComesAfterThePostedMessagesAndEndsGetMessage) {
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0);
  PostQuitMessage(7);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 0, 0);
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 9, WM_USER + 9, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << "the quit request passes any filter";
  std::vector<UINT> taken;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    taken.push_back(msg.message);
  }
  EXPECT_EQ(taken, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(User32MessageQueue, GetMessageForAWindowThatIsGoneFails) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  DestroyWindow(hwnd);
  MSG msg{};
  SetLastError(0);
  EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

struct PointerMessage {
  const char* name;
  UINT message;
  WPARAM wParam;
};

class User32PointerMessages : public testing::TestWithParam<PointerMessage> {};

TEST_P(User32PointerMessages, CanOnlyBeSent) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  char text[] = "text";
  const auto& [name, message, wParam] = GetParam();
  SetLastError(0);
  EXPECT_FALSE(PostMessageA(hwnd, message, wParam, reinterpret_cast<LPARAM>(text)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessageA(GetCurrentThreadId(), message, wParam, reinterpret_cast<LPARAM>(text)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));
  DestroyWindow(hwnd);
}

INSTANTIATE_TEST_SUITE_P(Messages, User32PointerMessages,
                         testing::Values(PointerMessage{"SetText", WM_SETTEXT, 0},
                                         PointerMessage{"GetText", WM_GETTEXT, 4},
                                         PointerMessage{"DeviceArrival", WM_DEVICECHANGE, DBT_DEVICEARRIVAL}),
                         user32test::CaseName());

TEST(User32MessageQueue, ThreadWithoutAQueueCannotBePosted) {
  std::promise<DWORD> started;
  std::promise<void> posted;
  std::thread idle([&] {
    started.set_value(GetCurrentThreadId());
    posted.get_future().wait();
  });
  const DWORD idleId = started.get_future().get();
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessageA(idleId, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
  posted.set_value();
  idle.join();
}

TEST(User32MessageQueue, DispatchCallsTheWindowProcedureWithTheMessage) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  messageLog().answer(WM_USER + 5, 77);
  PostMessageA(hwnd, WM_USER + 5, 3, 4);
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, hwnd, WM_USER + 5, WM_USER + 5), TRUE);
  EXPECT_EQ(DispatchMessageA(&msg), 77);
  const auto seen = messageLog().all().back();
  EXPECT_EQ(seen.hwnd, hwnd);
  EXPECT_EQ(seen.message, static_cast<UINT>(WM_USER + 5));
  EXPECT_EQ(seen.wParam, 3u);
  EXPECT_EQ(seen.lParam, 4);
  DestroyWindow(hwnd);
}

TEST(User32MessageQueue, TranslateMessageAnswersForKeyMessagesOnly) {
  struct Case {
    UINT message;
    bool translated;
  };
  // VK_SHIFT (0x10) makes no character, so no WM_CHAR follows.
  for (const Case& c : {Case{WM_KEYDOWN, true}, Case{WM_KEYUP, true}, Case{WM_SYSKEYUP, true},
                        Case{WM_USER, false}, Case{WM_TIMER, false}}) {
    MSG msg{};
    msg.message = c.message;
    msg.wParam = 0x10;
    EXPECT_EQ(TranslateMessage(&msg) != FALSE, c.translated) << c.message;
  }
}

TEST(User32MessageQueue, MessagesOfADestroyedWindowLeaveTheQueue) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  PostMessageA(hwnd, WM_USER + 1, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 0, 0);
  DestroyWindow(hwnd);
  EXPECT_EQ(drain(nullptr), (std::vector<UINT>{WM_USER + 2}));
}

TEST(User32MessageQueue, WaitMessageReturnsOnceSomethingNewArrives) {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  const DWORD self = GetCurrentThreadId();
  // Posted before or during the wait, the message is new since the queue was last read.
  std::thread poster([self] { PostThreadMessageA(self, WM_USER + 6, 0, 0); });
  EXPECT_TRUE(WaitMessage());
  poster.join();
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 6, WM_USER + 6, PM_REMOVE));
}
