// SetupAPI device-interface enumeration of a class nobody offers.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const GUID kNobodysClass = {0x1B2C3D4E, 0x5F60, 0x4172, {0x83, 0x94, 0xA5, 0xB6, 0xC7, 0xD8, 0xE9, 0xF0}};

TEST(SetupApi, DetailRecordHasTheWindowsSize) {
  EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), sizeof(void*) == 8 ? 8u : 5u);
  EXPECT_EQ(sizeof(SP_DEVINFO_DATA), sizeof(void*) == 8 ? 32u : 28u);
}

TEST(SetupApi, EmptyClassEnumeratesNothing) {
  HDEVINFO set =
      SetupDiGetClassDevsA(&kNobodysClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  SetLastError(0);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kNobodysClass, 0, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  data.cbSize = 3;
  SetLastError(0);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kNobodysClass, 0, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

} // namespace
