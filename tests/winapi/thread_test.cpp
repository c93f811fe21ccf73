// Threads: handles signalled at exit, exit codes, ids, suspended start, priorities.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct Job {
  HANDLE go;
  DWORD seenId = 0;
  DWORD result = 0;
};

DWORD WINAPI jobMain(LPVOID parameter) {
  auto* job = static_cast<Job*>(parameter);
  job->seenId = GetCurrentThreadId();
  if (job->go) {
    WaitForSingleObject(job->go, INFINITE);
  }
  return job->result;
}

TEST(Threads, HandleIsSignalledWhenTheThreadEndsWithItsExitCode) {
  Job job{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  job.result = 42;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, jobMain, &job, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
  SetEvent(job.go);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0); // stays signalled
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(job.seenId, id);
  EXPECT_EQ(GetThreadId(thread), id);
  EXPECT_TRUE(CloseHandle(thread));
  CloseHandle(job.go);
}

TEST(Threads, SuspendedThreadRunsAfterResume) {
  Job job{nullptr};
  job.result = 7;
  HANDLE thread = CreateThread(nullptr, 0, jobMain, &job, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
  EXPECT_EQ(job.seenId, 0u);
  EXPECT_EQ(ResumeThread(thread), 1u);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_NE(job.seenId, 0u);
  CloseHandle(thread);
}

TEST(Threads, PrioritiesAreTheWindowsLevels) {
  Job job{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, jobMain, &job, 0, nullptr);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  for (int level :
       {THREAD_PRIORITY_IDLE, THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
        THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL}) {
    EXPECT_TRUE(SetThreadPriority(thread, level)) << level;
    EXPECT_EQ(GetThreadPriority(thread), level);
  }
  SetLastError(0);
  EXPECT_FALSE(SetThreadPriority(thread, 5));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetEvent(job.go);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(job.go);
}

TEST(Threads, CurrentThreadPseudoHandle) {
  HANDLE self = GetCurrentThread();
  EXPECT_EQ(self, GetCurrentThread());
  EXPECT_TRUE(SetThreadPriority(self, THREAD_PRIORITY_ABOVE_NORMAL));
  EXPECT_EQ(GetThreadPriority(self), THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_TRUE(SetThreadPriority(self, THREAD_PRIORITY_NORMAL));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(self, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(self, 0), WAIT_TIMEOUT);
}

TEST(Threads, BadThreadHandle) {
  DWORD code = 0;
  SetLastError(0);
  EXPECT_FALSE(GetExitCodeThread(nullptr, &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetLastError(0);
  EXPECT_FALSE(SetThreadPriority(event, THREAD_PRIORITY_NORMAL)); // not a thread
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseHandle(event);
}

TEST(Threads, SleepSleeps) {
  const double start = kxtest::nowMs();
  Sleep(30);
  EXPECT_GE(kxtest::nowMs() - start, 20.0);
  Sleep(0);
}

} // namespace
