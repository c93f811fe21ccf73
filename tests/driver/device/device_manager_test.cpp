#include <driver/device/device_manager.h>
#include <driver/device/usb_audio_device.h>

#include "simulated_devices.h"

#include <string>
#include <tests/driver/host/make_driver.h>
#include <tests/support/message_pump.h>

namespace {

class DeviceManagerTest : public kxtest::SimulatedDevices {
protected:
  void SetUp() override { SimulatedDevices::SetUp(); }
  void TearDown() override {
    driver_.reset();
    SimulatedDevices::TearDown();
  }
  KxDeviceManager& startDriver() {
    driver_ = std::make_unique<kxtest::DriverPtr>(kxtest::makeDriver());
    (*driver_)->init(nullptr);
    return *(*driver_)->deviceManager();
  }
  AsioDriver& driver() { return **driver_; }

  static std::string productOf(UsbAudioDevice* device) {
    return device != nullptr ? device->productName().text() : "<none>";
  }

  std::unique_ptr<kxtest::DriverPtr> driver_;
};

TEST_F(DeviceManagerTest, TwoDevicesAtInitFirstIsCurrent) {
  const devsim::DeviceId first = plug("generic");
  plug("outputs-only");
  KxDeviceManager& manager = startDriver();
  EXPECT_EQ(manager.count(), 2);
  ASSERT_NE(manager.currentDevice(), nullptr);
  EXPECT_EQ(manager.currentDevice()->instanceId(), first);
  EXPECT_EQ(manager.findByInstance(first), manager.at(0));
  EXPECT_EQ(manager.findByInstance(12345), nullptr);
}

TEST_F(DeviceManagerTest, ArrivalAddsANewDeviceOnce) {
  KxDeviceManager& manager = startDriver();
  EXPECT_EQ(manager.count(), 0);
  plug("generic"); // broadcasts arrival and node change to the manager's window
  EXPECT_EQ(manager.count(), 1);
  EXPECT_NE(manager.currentDevice(), nullptr);
  DEV_BROADCAST_DEVNODE record{};
  record.dbcd_size = sizeof record;
  record.dbcd_devicetype = DBT_DEVTYP_DEVNODE;
  record.dbcd_devnode = manager.at(0)->instanceId();
  SendMessageA(manager.window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&record));
  EXPECT_EQ(manager.count(), 1) << "a listed device is not added again";
}

TEST_F(DeviceManagerTest, UnpluggingTheCurrentDeviceMakesTheNextCurrent) {
  const devsim::DeviceId first = plug("generic");
  const devsim::DeviceId second = plug("outputs-only");
  KxDeviceManager& manager = startDriver();
  ASSERT_EQ(manager.currentDevice()->instanceId(), first);
  ASSERT_TRUE(devsim::unplug(first));
  EXPECT_EQ(manager.count(), 1);
  ASSERT_NE(manager.currentDevice(), nullptr);
  EXPECT_EQ(manager.currentDevice()->instanceId(), second);
  ASSERT_TRUE(devsim::unplug(second));
  EXPECT_EQ(manager.count(), 0);
  EXPECT_EQ(manager.currentDevice(), nullptr);
}

TEST_F(DeviceManagerTest, QueryRemoveOfAnOpenDeviceIsDenied) {
  const devsim::DeviceId id = plug("generic");
  KxDeviceManager& manager = startDriver();
  EXPECT_FALSE(manager.queryRemove(id));
  EXPECT_TRUE(manager.queryRemove(999999)) << "no listed device has that instance";
  EXPECT_FALSE(devsim::requestRemoval(id)) << "the window answered BROADCAST_QUERY_DENY";
  EXPECT_EQ(manager.count(), 1);
}

TEST_F(DeviceManagerTest, SelectDevice) {
  plug("generic");
  const devsim::DeviceId second = plug("inputs-only");
  KxDeviceManager& manager = startDriver();
  EXPECT_FALSE(manager.selectDevice(2));
  EXPECT_FALSE(manager.selectDevice(-1));
  EXPECT_NE(manager.currentDevice()->instanceId(), second) << "unchanged";
  EXPECT_TRUE(manager.selectDevice(1));
  EXPECT_EQ(manager.currentDevice()->instanceId(), second);
}

TEST_F(DeviceManagerTest, ADeviceThatCannotOpenIsNotListed) {
  const devsim::DeviceId id = plug("generic");
  devsim::failOpens(id, 2);
  KxDeviceManager& manager = startDriver();
  EXPECT_EQ(manager.count(), 0);
}

TEST_F(DeviceManagerTest, GoneFromTheStreamingThreadIsRemovedOnTheWindowsThread) {
  const devsim::DeviceId id = plug("generic");
  KxDeviceManager& manager = startDriver();
  UsbAudioDevice* device = manager.currentDevice();
  ASSERT_NE(device, nullptr);
  std::thread streaming([&] { manager.reportGone(device); });
  streaming.join();
  EXPECT_EQ(manager.count(), 1) << "nothing changes on the reporting thread";
  EXPECT_TRUE(kxtest::pumpUntil([&] { return manager.count() == 0; }));
  (void)id;
}

} // namespace
