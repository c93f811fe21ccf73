#include "user32_test_support.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <winapi/include/emu/user32_control.h>
#endif

using user32test::createWindow;
using user32test::ScopedClass;

namespace {

// The device manager's use: a hidden top-level window that reads the device node at byte
// 12 of the record and may refuse a removal.
struct DeviceEvent {
  WPARAM event;
  DWORD devnode;
};
std::vector<DeviceEvent> deviceEvents;
DWORD busyDevnode = 0;

LRESULT CALLBACK deviceProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_DEVICECHANGE) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  const auto* node = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(lParam);
  deviceEvents.push_back(DeviceEvent{wParam, node != nullptr ? node->dbcd_devnode : 0});
  if (wParam == DBT_DEVICEQUERYREMOVE && node != nullptr && node->dbcd_devnode == busyDevnode) {
    return BROADCAST_QUERY_DENY;
  }
  return TRUE;
}

// Windows cannot be made to broadcast a device event without a device, so the Windows
// build sends the message the system would send; the emulation broadcasts it.
bool deliver(HWND hwnd, WPARAM event, const DEV_BROADCAST_DEVNODE* record) {
#if defined(_WIN32)
  return SendMessageA(hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record)) != BROADCAST_QUERY_DENY;
#else
  (void)hwnd;
  return kxemu::broadcastDeviceChange(event, record, record != nullptr ? sizeof(*record) : 0);
#endif
}

DEV_BROADCAST_DEVNODE devnodeRecord(DWORD devnode) {
  return DEV_BROADCAST_DEVNODE{sizeof(DEV_BROADCAST_DEVNODE), DBT_DEVTYP_DEVNODE, 0, devnode};
}

} // namespace

TEST(User32DeviceChange, HiddenTopLevelWindowReceivesTheEventAndItsRecord) {
  ScopedClass windowClass(deviceProc);
  HWND hwnd = createWindow(windowClass);
  ASSERT_FALSE(IsWindowVisible(hwnd));
  const auto arrival = devnodeRecord(0x1234);
  EXPECT_TRUE(deliver(hwnd, DBT_DEVICEARRIVAL, &arrival));
  EXPECT_TRUE(deliver(hwnd, DBT_DEVNODES_CHANGED, nullptr));
  ASSERT_EQ(deviceEvents.size(), 2u);
  EXPECT_EQ(deviceEvents[0].event, static_cast<WPARAM>(DBT_DEVICEARRIVAL));
  EXPECT_EQ(deviceEvents[0].devnode, 0x1234u);
  EXPECT_EQ(deviceEvents[1].event, static_cast<WPARAM>(DBT_DEVNODES_CHANGED));
  DestroyWindow(hwnd);
}

TEST(User32DeviceChange, WindowCanRefuseARemovalQuery) {
  ScopedClass windowClass(deviceProc);
  HWND hwnd = createWindow(windowClass);
  busyDevnode = 0x77;
  const auto busy = devnodeRecord(0x77);
  const auto idle = devnodeRecord(0x78);
  EXPECT_FALSE(deliver(hwnd, DBT_DEVICEQUERYREMOVE, &busy));
  EXPECT_TRUE(deliver(hwnd, DBT_DEVICEQUERYREMOVE, &idle));
  DestroyWindow(hwnd);
}

TEST(User32DeviceChange, WindowRegistersForDeviceInterfaceNotifications) {
  ScopedClass windowClass(deviceProc);
  HWND hwnd = createWindow(windowClass);
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = GUID{0xA7D2F4C8, 0x1E36, 0x4B5A, {0x9C, 0x07, 0x6F, 0x2E, 0x8B, 0x4D, 0x3C, 0x19}};
  HDEVNOTIFY notification = RegisterDeviceNotificationA(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  ASSERT_NE(notification, nullptr);
  EXPECT_TRUE(UnregisterDeviceNotification(notification));
  DestroyWindow(hwnd);
}
