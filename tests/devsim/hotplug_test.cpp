// Plugging and unplugging: the device-change broadcasts a hidden top-level window receives,
// and what becomes of the handles and the stream of a device that goes.
#include "support/devsim_fixture.h"
#include "support/stream_harness.h"

#include <algorithm>
#include <memory>
#include <vector>

using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;
using devsimtest::StreamHarness;

namespace {

struct Seen {
  WPARAM event;
  DWORD devnode;          // the 32-bit word at byte 12 of the record, 0 without one
  std::size_t interfaces; // what the window found when it enumerated during the broadcast
};

std::vector<Seen> seen;
DWORD refusedDevnode = 0;
const kernel::KernelAccess* enumerateWith = nullptr;

LRESULT CALLBACK deviceWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_DEVICECHANGE) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(lParam);
  const DWORD devnode = record ? record->dbcd_devnode : 0;
  // The device manager enumerates from inside the broadcast: devsim must not be locked.
  seen.push_back({wParam, devnode, devsimtest::KernelClient(*enumerateWith).enumerate().size()});
  if (wParam == DBT_DEVICEQUERYREMOVE && devnode == refusedDevnode) {
    return BROADCAST_QUERY_DENY;
  }
  return TRUE;
}

class HotPlug : public DevsimTest {
protected:
  void SetUp() override {
    DevsimTest::SetUp();
    seen.clear();
    refusedDevnode = 0;
    enumerateWith = GetParam().access;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = deviceWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DevsimHotPlugTest";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "DevsimHotPlugTest", "", 0, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ASSERT_FALSE(IsWindowVisible(window_));
  }
  void TearDown() override {
    DestroyWindow(window_);
    UnregisterClassA("DevsimHotPlugTest", GetModuleHandleA(nullptr));
    DevsimTest::TearDown();
  }
  std::vector<Seen> seenEvents(std::initializer_list<WPARAM> events) const {
    std::vector<Seen> matching;
    for (const Seen& s : seen) {
      if (std::find(events.begin(), events.end(), s.event) != events.end()) {
        matching.push_back(s);
      }
    }
    return matching;
  }

  HWND window_ = nullptr;
};

TEST_P(HotPlug, PluggingBroadcastsArrivalThenNodesChanged) {
  devsim::DeviceId first = 0;
  plugPath("generic", &first);
  const devsim::DeviceId second = devsim::plug("pyxis-1");
  const auto events = seenEvents({DBT_DEVICEARRIVAL, DBT_DEVNODES_CHANGED});
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].event, static_cast<WPARAM>(DBT_DEVICEARRIVAL));
  EXPECT_EQ(events[0].devnode, first);
  EXPECT_EQ(events[0].interfaces, 1u); // already present when the window hears of it
  EXPECT_EQ(events[1].event, static_cast<WPARAM>(DBT_DEVNODES_CHANGED));
  EXPECT_EQ(events[1].devnode, 0u);
  EXPECT_EQ(events[2].devnode, second);
  EXPECT_EQ(events[3].interfaces, 2u);
}

TEST_P(HotPlug, UnpluggingBroadcastsRemovalAndKillsTheHandles) {
  devsim::DeviceId id = 0;
  const std::string path = plugPath("generic", &id);
  OpenDevice device(client(), path);
  seen.clear();
  ASSERT_TRUE(devsim::unplug(id));
  const auto events = seenEvents({DBT_DEVICEREMOVECOMPLETE, DBT_DEVNODES_CHANGED});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].event, static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE));
  EXPECT_EQ(events[0].devnode, id);
  EXPECT_EQ(events[0].interfaces, 0u);
  EXPECT_EQ(events[1].event, static_cast<WPARAM>(DBT_DEVNODES_CHANGED));

  std::uint32_t version = 0;
  const auto reply = client().send(device.control, kernel::kRequestInterfaceVersion, version);
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  DWORD error = 0;
  EXPECT_EQ(client().open(path, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(devsim::unplug(id));

  // Plugged in again: same node and path, a new connection; the old handles stay dead.
  ASSERT_TRUE(devsim::replug(id));
  EXPECT_EQ(seenEvents({DBT_DEVICEARRIVAL}).back().devnode, id);
  EXPECT_FALSE(client().send(device.control, kernel::kRequestInterfaceVersion, version).ok);
  device.closeStreaming();
  OpenDevice again(client(), path);
  EXPECT_TRUE(again.isOpen());
  EXPECT_TRUE(client().send(again.control, kernel::kRequestInterfaceVersion, version).ok);
}

TEST_P(HotPlug, UnpluggingAStreamingDeviceSetsStateOneAndTheEvent) {
  devsim::DeviceId id = 0;
  OpenDevice device(client(), plugPath("generic", &id));
  StreamHarness stream(device);
  ASSERT_TRUE(stream.start().ok);
  devsim::advance(4);
  stream.takeEvent();
  const std::uint32_t fill = stream.captureFill();
  ASSERT_TRUE(devsim::unplug(id));
  EXPECT_EQ(stream.block().state, kernel::kStreamStateGone);
  EXPECT_TRUE(stream.takeEvent());
  devsim::advance(10);
  EXPECT_EQ(stream.captureFill(), fill); // the block is left alone from now on
  EXPECT_FALSE(devsim::streamInfo(id)->streaming);
}

TEST_P(HotPlug, AWindowCanRefuseASafeRemoval) {
  devsim::DeviceId id = 0;
  plugPath("generic", &id);
  refusedDevnode = id;
  seen.clear();
  EXPECT_FALSE(devsim::requestRemoval(id));
  auto events = seenEvents({DBT_DEVICEQUERYREMOVE, DBT_DEVICEQUERYREMOVEFAILED, DBT_DEVICEREMOVECOMPLETE});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].event, static_cast<WPARAM>(DBT_DEVICEQUERYREMOVE));
  EXPECT_EQ(events[1].event, static_cast<WPARAM>(DBT_DEVICEQUERYREMOVEFAILED));
  EXPECT_EQ(events[1].devnode, id);
  EXPECT_TRUE(devsim::device(id)->present);

  refusedDevnode = 0;
  seen.clear();
  EXPECT_TRUE(devsim::requestRemoval(id));
  events = seenEvents({DBT_DEVICEQUERYREMOVE, DBT_DEVICEQUERYREMOVEFAILED, DBT_DEVICEREMOVECOMPLETE});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].event, static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE));
  EXPECT_FALSE(devsim::device(id)->present);
}

DEVSIM_ON_EVERY_BACKEND(HotPlug);

} // namespace
