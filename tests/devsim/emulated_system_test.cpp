// Linux only: what the emulated system adds around devsim (SetupAPI records, the place of
// the configuration file).
#include <abi/kernel_access.h>
#include <devsim/include/devsim.h>
#include <winapi/include/emu/device_provider.h>
#include <winapi/include/emu/kxemu.h>
#include <winapi/include/winapi.h>

#include "support/kernel_client.h"

#include <gtest/gtest.h>

namespace {

class EmulatedSystem : public ::testing::Test {
protected:
  void SetUp() override { devsim::reset(); }
  void TearDown() override { devsim::reset(); }

  // The interfaces SetupAPI lists with these flags: (devnode, setup class) pairs.
  std::vector<std::pair<DWORD, GUID>> listed(DWORD flags) {
    std::vector<std::pair<DWORD, GUID>> found;
    HDEVINFO set = SetupDiGetClassDevsA(&kernel::kInterfaceClass, nullptr, nullptr, flags);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &kernel::kInterfaceClass, i, &data); ++i) {
      SP_DEVINFO_DATA info{};
      EXPECT_FALSE(devsimtest::interfaceDetail(set, data, info).empty());
      found.emplace_back(info.DevInst, info.ClassGuid);
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
  }
};

TEST_F(EmulatedSystem, UnpluggedDevicesAreListedOnlyWithoutThePresentFlag) {
  const devsim::DeviceId gone = devsim::plug("generic");
  const devsim::DeviceId here = devsim::plug("family4");
  ASSERT_TRUE(devsim::unplug(gone));
  const auto present = listed(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_EQ(present.size(), 1u);
  EXPECT_EQ(present[0].first, here);
  EXPECT_TRUE(present[0].second == devsim::kMediaSetupClass);
  const auto all = listed(DIGCF_DEVICEINTERFACE);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].first, gone);
}

TEST_F(EmulatedSystem, DeviceIoControlChecksItsBuffers) {
  const devsim::DeviceId id = devsim::plug("generic");
  HANDLE control = CreateFileA(devsim::device(id)->devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(control, INVALID_HANDLE_VALUE);
  DWORD returned = 99;
  EXPECT_FALSE(
      DeviceIoControl(control, kernel::kRequestInterfaceVersion, nullptr, 0, nullptr, 4, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(returned, 0u);
  CloseHandle(control);
}

TEST_F(EmulatedSystem, ConfigurationLiesInTheSystemRoot) {
  EXPECT_EQ(devsim::configurationPath(), kxemu::systemRoot() + "/devsim.conf");
}

TEST_F(EmulatedSystem, InstallingAgainReplacesAnotherProvider) {
  const devsim::DeviceId id = devsim::plug("generic");
  kxemu::setDeviceProvider(nullptr);
  HDEVINFO set =
      SetupDiGetClassDevsA(&kernel::kInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kernel::kInterfaceClass, 0, &data));
  SetupDiDestroyDeviceInfoList(set);
  ASSERT_TRUE(devsim::install());
  ASSERT_EQ(listed(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE).size(), 1u);
  EXPECT_EQ(listed(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)[0].first, id);
}

} // namespace
