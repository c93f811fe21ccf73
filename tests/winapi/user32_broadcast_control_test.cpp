#include <winapi/include/emu/user32_control.h>

#include "user32_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <thread>

using user32test::createWindow;
using user32test::messageLog;
using user32test::recordingProc;
using user32test::ScopedClass;
using user32test::WindowThread;

namespace {

constexpr GUID kAudioInterfaces{0xA7D2F4C8, 0x1E36, 0x4B5A, {0x9C, 0x07, 0x6F, 0x2E, 0x8B, 0x4D, 0x3C, 0x19}};
constexpr GUID kOtherInterfaces{0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};

DEV_BROADCAST_DEVNODE devnodeRecord(DWORD devnode) {
  return DEV_BROADCAST_DEVNODE{sizeof(DEV_BROADCAST_DEVNODE), DBT_DEVTYP_DEVNODE, 0, devnode};
}

DEV_BROADCAST_DEVICEINTERFACE_A interfaceRecord(const GUID& interfaceClass) {
  DEV_BROADCAST_DEVICEINTERFACE_A record{};
  record.dbcc_size = sizeof(record);
  record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  record.dbcc_classguid = interfaceClass;
  return record;
}

// The device node of every WM_DEVICECHANGE the window saw, read when it was seen.
std::vector<DWORD> devnodesSeen;

LRESULT CALLBACK devnodeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE && lParam != 0) {
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(lParam);
    if (record->dbcd_devicetype == DBT_DEVTYP_DEVNODE) {
      devnodesSeen.push_back(record->dbcd_devnode);
    }
  }
  return recordingProc(hwnd, message, wParam, lParam);
}

} // namespace

TEST(User32BroadcastControl, ReachesTopLevelWindowsButNotChildrenOrMessageOnlyWindows) {
  ScopedClass windowClass(recordingProc);
  HWND hidden = createWindow(windowClass);
  HWND shown = createWindow(windowClass, WS_POPUP | WS_VISIBLE);
  ASSERT_NE(createWindow(windowClass, WS_CHILD, hidden), nullptr);
  HWND messageOnly = createWindow(windowClass, 0, HWND_MESSAGE);
  const auto record = devnodeRecord(1);
  EXPECT_TRUE(kxemu::broadcastDeviceChange(DBT_DEVICEARRIVAL, &record, sizeof(record)));
  using Pairs = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(messageLog().sequence({WM_DEVICECHANGE}),
            (Pairs{{hidden, WM_DEVICECHANGE}, {shown, WM_DEVICECHANGE}}));
  for (HWND hwnd : {messageOnly, shown, hidden}) {
    DestroyWindow(hwnd);
  }
}

TEST(User32BroadcastControl, ThreadWaitingForMessagesAnswersAtOnce) {
  ScopedClass windowClass(recordingProc);
  messageLog().answer(WM_DEVICECHANGE, BROADCAST_QUERY_DENY);
  WindowThread worker(windowClass);
  const auto record = devnodeRecord(2);
  // The worker may still be on its way into GetMessageA; once it waits there, the query
  // is answered synchronously and the refusal reaches the broadcaster.
  EXPECT_TRUE(user32test::waitUntil(
      [&] { return !kxemu::broadcastDeviceChange(DBT_DEVICEQUERYREMOVE, &record, sizeof(record)); }));
  EXPECT_TRUE(messageLog().saw(worker.hwnd(), WM_DEVICECHANGE));
}

TEST(User32BroadcastControl, BusyThreadGetsItsOwnCopyOfTheRecordWhenItNextLooks) {
  ScopedClass windowClass(devnodeProc);
  std::promise<void> broadcastDone;
  std::promise<HWND> created;
  std::thread busy([&] {
    created.set_value(createWindow(windowClass));
    broadcastDone.get_future().wait();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  });
  HWND hwnd = created.get_future().get();
  auto record = devnodeRecord(0x5150);
  EXPECT_TRUE(kxemu::broadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, &record, sizeof(record)));
  record.dbcd_devnode = 0xDEAD;
  EXPECT_TRUE(devnodesSeen.empty());
  broadcastDone.set_value();
  busy.join();
  EXPECT_EQ(devnodesSeen, (std::vector<DWORD>{0x5150}));
  EXPECT_TRUE(messageLog().saw(hwnd, WM_DEVICECHANGE));
}

TEST(User32BroadcastControl, QueryStopsAtTheFirstRefusal) {
  ScopedClass windowClass(recordingProc);
  messageLog().answer(WM_DEVICECHANGE, BROADCAST_QUERY_DENY);
  HWND first = createWindow(windowClass);
  HWND second = createWindow(windowClass);
  const auto record = devnodeRecord(3);
  EXPECT_FALSE(kxemu::broadcastDeviceChange(DBT_DEVICEQUERYREMOVE, &record, sizeof(record)));
  EXPECT_TRUE(messageLog().saw(first, WM_DEVICECHANGE));
  EXPECT_FALSE(messageLog().saw(second, WM_DEVICECHANGE));
  // Other events reach everyone whatever they answer.
  EXPECT_TRUE(kxemu::broadcastDeviceChange(DBT_DEVICEARRIVAL, &record, sizeof(record)));
  EXPECT_TRUE(messageLog().saw(second, WM_DEVICECHANGE));
  DestroyWindow(first);
  DestroyWindow(second);
}

TEST(User32BroadcastControl, RegisteredMessageOnlyWindowHearsItsInterfaceClassOnly) {
  ScopedClass windowClass(recordingProc);
  HWND listener = createWindow(windowClass, 0, HWND_MESSAGE);
  auto filter = interfaceRecord(kAudioInterfaces);
  HDEVNOTIFY notification = RegisterDeviceNotificationA(listener, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  ASSERT_NE(notification, nullptr);

  const auto other = interfaceRecord(kOtherInterfaces);
  kxemu::broadcastDeviceChange(DBT_DEVICEARRIVAL, &other, sizeof(other));
  EXPECT_FALSE(messageLog().saw(listener, WM_DEVICECHANGE));
  const auto audio = interfaceRecord(kAudioInterfaces);
  kxemu::broadcastDeviceChange(DBT_DEVICEARRIVAL, &audio, sizeof(audio));
  EXPECT_TRUE(messageLog().saw(listener, WM_DEVICECHANGE));

  EXPECT_TRUE(UnregisterDeviceNotification(notification));
  SetLastError(0);
  EXPECT_FALSE(UnregisterDeviceNotification(notification));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  DestroyWindow(listener);
}

TEST(User32BroadcastControl, RegistrationNeedsAWindowAndAnInterfaceFilter) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  auto filter = interfaceRecord(kAudioInterfaces);
  auto wrongType = filter;
  wrongType.dbcc_devicetype = DBT_DEVTYP_VOLUME;
  auto tooShort = filter;
  tooShort.dbcc_size = sizeof(DEV_BROADCAST_HDR);
  struct Case {
    HANDLE recipient;
    DEV_BROADCAST_DEVICEINTERFACE_A* filter;
    DWORD error;
  };
  for (const Case& c :
       {Case{nullptr, &filter, ERROR_INVALID_WINDOW_HANDLE}, Case{hwnd, nullptr, ERROR_INVALID_DATA},
        Case{hwnd, &wrongType, ERROR_INVALID_DATA}, Case{hwnd, &tooShort, ERROR_INVALID_DATA}}) {
    SetLastError(0);
    EXPECT_EQ(RegisterDeviceNotificationA(c.recipient, c.filter, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  DestroyWindow(hwnd);
}
