#include "user32_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using user32test::createWindow;
using user32test::messageLog;
using user32test::pumpUntil;
using user32test::recordingProc;
using user32test::ScopedClass;
using user32test::WindowThread;

namespace {

constexpr UINT kDouble = WM_USER + 1;
constexpr UINT kAskBack = WM_USER + 2;
constexpr UINT kNote = WM_USER + 3;

std::atomic<HWND> callBackTo{nullptr};
std::atomic<int> notes{0};

LRESULT CALLBACK workerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case kDouble:
    return static_cast<LRESULT>(2 * wParam);
  case kAskBack:
    // Sends to the thread that is itself waiting in SendMessageA for this answer.
    return 1 + SendMessageA(callBackTo, kDouble, wParam, 0);
  case kNote:
    ++notes;
    return 0;
  default:
    return recordingProc(hwnd, message, wParam, lParam);
  }
}

} // namespace

TEST(User32SendMessage, SendToAnotherThreadRunsThereAndReturnsItsAnswer) {
  ScopedClass windowClass(workerProc);
  WindowThread worker(windowClass);
  ASSERT_NE(worker.hwnd(), nullptr);
  EXPECT_EQ(SendMessageA(worker.hwnd(), kDouble, 21, 0), 42);
  // The recording procedure notes the thread each message ran on.
  SendMessageA(worker.hwnd(), WM_USER + 9, 0, 0);
  const auto seen = messageLog().all().back();
  EXPECT_EQ(seen.message, static_cast<UINT>(WM_USER + 9));
  EXPECT_EQ(seen.threadId, worker.threadId());
}

TEST(User32SendMessage, ThreadPollingWithPeekMessageAnswersSentMessages) {
  ScopedClass windowClass(workerProc);
  std::promise<HWND> created;
  std::atomic<bool> answered{false};
  std::thread poller([&] {
    created.set_value(createWindow(windowClass));
    pumpUntil([&] { return answered.load(); });
  });
  HWND hwnd = created.get_future().get();
  EXPECT_EQ(SendMessageA(hwnd, kDouble, 4, 0), 8);
  answered = true;
  poller.join();
}

TEST(User32SendMessage, WaitingSenderAnswersWhatIsSentToIt) {
  ScopedClass windowClass(workerProc);
  HWND mine = createWindow(windowClass);
  callBackTo = mine;
  WindowThread worker(windowClass);
  EXPECT_EQ(SendMessageA(worker.hwnd(), kAskBack, 5, 0), 11);
  DestroyWindow(mine);
}

TEST(User32SendMessage, PostToAnotherThreadsWindowGoesToThatThreadsQueue) {
  ScopedClass windowClass(workerProc);
  WindowThread worker(windowClass);
  notes = 0;
  ASSERT_TRUE(PostMessageA(worker.hwnd(), kNote, 0, 0));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, kNote, kNote, PM_REMOVE));
  EXPECT_TRUE(pumpUntil([] { return notes == 1; }));
}

TEST(User32SendMessage, SentMessagesAreAnsweredBeforePostedOnesAreRetrieved) {
  ScopedClass windowClass(recordingProc);
  HWND target = createWindow(windowClass);
  HWND release = createWindow(windowClass);
  std::thread sender([&] {
    PostMessageA(target, WM_USER + 1, 0, 0);
    SendMessageA(target, WM_USER + 2, 0, 0);
    PostMessageA(release, WM_USER + 3, 0, 0);
  });
  // Waiting for `release` only, GetMessageA still answers the message sent to `target`
  // while the posted one waits in the queue.
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, release, WM_USER + 3, WM_USER + 3), TRUE);
  sender.join();
  ASSERT_TRUE(PeekMessageA(&msg, target, WM_USER, WM_APP, PM_REMOVE));
  DispatchMessageA(&msg);
  using Pairs = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(messageLog().sequence({WM_USER + 1, WM_USER + 2}),
            (Pairs{{target, WM_USER + 2}, {target, WM_USER + 1}}));
  DestroyWindow(target);
  DestroyWindow(release);
}

TEST(User32SendMessage, SendToAWindowThatIsGoneReturnsZero) {
  ScopedClass windowClass(workerProc);
  HWND gone = createWindow(windowClass);
  DestroyWindow(gone);
  SetLastError(0);
  EXPECT_EQ(SendMessageA(gone, kDouble, 21, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}
