// Events, waits, mutexes and semaphores.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct WaitJob {
  HANDLE event;
  DWORD timeout;
  DWORD result = 0xDEADBEEF;
};

DWORD WINAPI waitOnEvent(LPVOID parameter) {
  auto* job = static_cast<WaitJob*>(parameter);
  job->result = WaitForSingleObject(job->event, job->timeout);
  return job->result;
}

TEST(Events, ManualResetStaysSignalledUntilReset) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(event));
}

TEST(Events, AutoResetSatisfiesOneWait) {
  HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  SetEvent(event);
  SetEvent(event); // setting twice still releases one wait
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(Events, WaitTimesOutAfterTheTimeout) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const double start = kxtest::nowMs();
  EXPECT_EQ(WaitForSingleObject(event, 60), WAIT_TIMEOUT);
  const double elapsed = kxtest::nowMs() - start;
  EXPECT_GE(elapsed, 45.0); // Wine's waits end on its 16 ms tick, a little early at times
  EXPECT_LT(elapsed, 2000.0);
  CloseHandle(event);
}

TEST(Events, WaitingThreadIsReleasedBySetEvent) {
  WaitJob job{CreateEventA(nullptr, FALSE, FALSE, nullptr), INFINITE};
  HANDLE thread = CreateThread(nullptr, 0, waitOnEvent, &job, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT); // still waiting
  SetEvent(job.event);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(job.result, WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, WAIT_OBJECT_0);
  // The auto-reset event was consumed by the waiter.
  EXPECT_EQ(WaitForSingleObject(job.event, 0), WAIT_TIMEOUT);
  CloseHandle(thread);
  CloseHandle(job.event);
}

TEST(Events, AutoResetReleasesOneOfTwoWaiters) {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  WaitJob a{event, 5000}, b{event, 5000};
  HANDLE threads[2] = {CreateThread(nullptr, 0, waitOnEvent, &a, 0, nullptr),
                       CreateThread(nullptr, 0, waitOnEvent, &b, 0, nullptr)};
  Sleep(50);
  SetEvent(event);
  const DWORD first = WaitForMultipleObjects(2, threads, FALSE, 5000);
  ASSERT_LT(first, WAIT_OBJECT_0 + 2);
  const DWORD other = 1 - (first - WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(threads[other], 50), WAIT_TIMEOUT);
  SetEvent(event);
  EXPECT_EQ(WaitForSingleObject(threads[other], 5000), WAIT_OBJECT_0);
  EXPECT_EQ(a.result, WAIT_OBJECT_0);
  EXPECT_EQ(b.result, WAIT_OBJECT_0);
  CloseHandle(threads[0]);
  CloseHandle(threads[1]);
  CloseHandle(event);
}

TEST(Events, ManualResetReleasesAllWaiters) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  WaitJob jobs[3] = {{event, 5000}, {event, 5000}, {event, 5000}};
  HANDLE threads[3];
  for (int i = 0; i < 3; ++i) {
    threads[i] = CreateThread(nullptr, 0, waitOnEvent, &jobs[i], 0, nullptr);
  }
  Sleep(30);
  SetEvent(event);
  EXPECT_EQ(WaitForMultipleObjects(3, threads, TRUE, 5000), WAIT_OBJECT_0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(jobs[i].result, WAIT_OBJECT_0);
    CloseHandle(threads[i]);
  }
  CloseHandle(event);
}

TEST(Waits, MultipleObjectsAnyReportsTheSignalledIndex) {
  HANDLE events[3] = {CreateEventA(nullptr, TRUE, FALSE, nullptr),
                      CreateEventA(nullptr, TRUE, FALSE, nullptr),
                      CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(events[2]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_TIMEOUT);
  SetEvent(events[0]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_OBJECT_0);
  for (HANDLE e : events) {
    CloseHandle(e);
  }
}

TEST(Waits, BadHandlesFailWithInvalidHandle) {
  SetLastError(0);
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  SetLastError(0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(SetEvent(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Events, NamedEventIsSharedByName) {
  const std::string name = kxtest::uniqueName("KxTestEvent");
  HANDLE first = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_NE(first, second);
  SetEvent(first);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  HANDLE third = OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str());
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(WaitForSingleObject(third, 0), WAIT_OBJECT_0);
  CloseHandle(first);
  CloseHandle(second);
  CloseHandle(third);
  EXPECT_EQ(OpenEventA(EVENT_ALL_ACCESS, FALSE, kxtest::uniqueName("KxNoSuchEvent").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

DWORD WINAPI tryMutex(LPVOID parameter) { return WaitForSingleObject(static_cast<HANDLE>(parameter), 0); }

TEST(Mutexes, OwnerMayWaitAgainOthersMayNot) {
  HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); // recursion
  HANDLE thread = CreateThread(nullptr, 0, tryMutex, mutex, 0, nullptr);
  WaitForSingleObject(thread, 5000);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, WAIT_TIMEOUT);
  CloseHandle(thread);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  SetLastError(0);
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
  thread = CreateThread(nullptr, 0, tryMutex, mutex, 0, nullptr);
  WaitForSingleObject(thread, 5000);
  GetExitCodeThread(thread, &code);
  // The thread took the free mutex and ended holding it: Windows then calls it abandoned.
  EXPECT_TRUE(code == WAIT_OBJECT_0);
  CloseHandle(thread);
  CloseHandle(mutex);
}

TEST(Semaphores, CountDownAndRelease) {
  HANDLE semaphore = CreateSemaphoreA(nullptr, 2, 3, nullptr);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT);
  LONG previous = -1;
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 3, &previous));
  EXPECT_EQ(previous, 0);
  SetLastError(0);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
  CloseHandle(semaphore);
}

} // namespace
