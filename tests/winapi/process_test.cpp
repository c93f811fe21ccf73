// The process: pseudo handle, priority classes, version.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(Process, PriorityClassesRoundTrip) {
  HANDLE self = GetCurrentProcess();
  EXPECT_EQ(GetPriorityClass(self), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  for (DWORD value : {IDLE_PRIORITY_CLASS, BELOW_NORMAL_PRIORITY_CLASS, ABOVE_NORMAL_PRIORITY_CLASS,
                      HIGH_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS}) {
    EXPECT_TRUE(SetPriorityClass(self, value)) << value;
    EXPECT_EQ(GetPriorityClass(self), value);
  }
  // Without the privilege Windows quietly gives HIGH for REALTIME; the emulation keeps it.
  EXPECT_TRUE(SetPriorityClass(self, REALTIME_PRIORITY_CLASS));
  const DWORD realtime = GetPriorityClass(self);
  EXPECT_TRUE(realtime == REALTIME_PRIORITY_CLASS || realtime == HIGH_PRIORITY_CLASS) << realtime;
  EXPECT_TRUE(SetPriorityClass(self, NORMAL_PRIORITY_CLASS));
  SetLastError(0);
  EXPECT_FALSE(SetPriorityClass(self, 0x1234));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetPriorityClass(self), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
}

TEST(Process, PseudoHandleAndIds) {
  EXPECT_EQ(GetCurrentProcess(), reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)));
  EXPECT_NE(GetCurrentProcessId(), 0u);
  EXPECT_NE(GetCurrentThreadId(), 0u);
  EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
}

TEST(Process, VersionIsNt) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_GE(info.dwMajorVersion, 5u);
  info.dwOSVersionInfoSize = 12;
  EXPECT_FALSE(GetVersionExA(&info));
}

DWORD WINAPI reportLastError(LPVOID) { return GetLastError(); }

TEST(Process, LastErrorIsPerThread) {
  SetLastError(1234);
  HANDLE thread = CreateThread(nullptr, 0, reportLastError, nullptr, 0, nullptr);
  WaitForSingleObject(thread, 5000);
  DWORD code = 99;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(GetLastError(), 1234u);
}

} // namespace
