// The device provider seam: SetupAPI enumeration, CreateFileA on device paths, DeviceIoControl.
#include <winapi/include/emu/device_provider.h>

#include "../test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

const GUID kInterfaceClass = {0xA7D2F4C8, 0x1E36, 0x4B5A, {0x9C, 0x07, 0x6F, 0x2E, 0x8B, 0x4D, 0x3C, 0x19}};
const GUID kMediaClass = {0x4D36E96C, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::atomic<int> openFiles{0};

class EchoFile : public kxemu::DeviceFile {
public:
  explicit EchoFile(std::string path) : path_(std::move(path)) { ++openFiles; }
  ~EchoFile() override { --openFiles; }
  bool ioControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned,
                 DWORD& error) override {
    if (code == 0x22004C) { // the interface version request
      if (outSize < 4) {
        error = ERROR_INSUFFICIENT_BUFFER;
        return false;
      }
      const DWORD version = 3217;
      std::memcpy(out, &version, 4);
      returned = 4;
      return true;
    }
    if (code == 0x220008) { // echo the input
      const DWORD n = inSize < outSize ? inSize : outSize;
      std::memcpy(out, in, n);
      returned = n;
      return true;
    }
    returned = 0;
    error = ERROR_INVALID_FUNCTION;
    return false;
  }

private:
  std::string path_;
};

class FakeProvider : public kxemu::DeviceProvider {
public:
  std::unique_ptr<kxemu::DeviceFile> open(const std::string& path, DWORD, DWORD, DWORD disposition, DWORD,
                                          DWORD& error) override {
    lastPath = path;
    if (disposition != OPEN_EXISTING) {
      error = ERROR_INVALID_PARAMETER;
      return nullptr;
    }
    for (const auto& record : records) {
      if (kxtest::lower(path) == kxtest::lower(record.devicePath) ||
          kxtest::lower(path) == kxtest::lower(record.devicePath + "\\IO")) {
        return std::make_unique<EchoFile>(path);
      }
    }
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  std::vector<kxemu::DeviceInterfaceRecord> interfaces(const GUID& interfaceClass, bool) override {
    return interfaceClass == kInterfaceClass ? records : std::vector<kxemu::DeviceInterfaceRecord>{};
  }
  std::vector<kxemu::DeviceInterfaceRecord> records;
  std::string lastPath;
};

class Devices : public ::testing::Test {
protected:
  void SetUp() override {
    provider_ = std::make_shared<FakeProvider>();
    provider_->records.push_back(
        {"\\\\?\\usb#vid_1111&pid_2222#5&1a2b3c&0&1#{a7d2f4c8-1e36-4b5a-9c07-6f2e8b4d3c19}", 0x1001,
         kMediaClass, "USB\\VID_1111&PID_2222\\5&1A2B3C&0&1", true});
    provider_->records.push_back(
        {"\\\\?\\usb#vid_1111&pid_3333#5&1a2b3c&0&2#{a7d2f4c8-1e36-4b5a-9c07-6f2e8b4d3c19}", 0x1002,
         kMediaClass, "USB\\VID_1111&PID_3333\\5&1A2B3C&0&2", false});
    kxemu::setDeviceProvider(provider_);
  }
  void TearDown() override { kxemu::setDeviceProvider(nullptr); }
  std::shared_ptr<FakeProvider> provider_;
};

TEST_F(Devices, EnumeratesPresentInterfacesWithTheirDetail) {
  HDEVINFO set =
      SetupDiGetClassDevsA(&kInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &kInterfaceClass, 0, &data));
  EXPECT_TRUE(IsEqualGUID(data.InterfaceClassGuid, kInterfaceClass));
  EXPECT_EQ(data.Flags & SPINT_ACTIVE, static_cast<DWORD>(SPINT_ACTIVE));
  SP_DEVICE_INTERFACE_DATA past{};
  past.cbSize = sizeof past;
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kInterfaceClass, 1, &past)); // the absent one
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

  // Size query first, as the driver's device discovery does.
  DWORD required = 0;
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  const std::string& path = provider_->records[0].devicePath;
  EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);

  std::vector<char> storage(required);
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(storage.data());
  detail->cbSize = 5; // the 32-bit size is wrong on a 64-bit target
  SetLastError(0);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required - 1, nullptr, &device));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, &device));
  EXPECT_EQ(std::string(detail->DevicePath), path);
  EXPECT_EQ(device.DevInst, 0x1001u);
  EXPECT_TRUE(IsEqualGUID(device.ClassGuid, kMediaClass));
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  // Without DIGCF_PRESENT the absent device is listed too.
  set = SetupDiGetClassDevsA(&kInterfaceClass, nullptr, nullptr, DIGCF_DEVICEINTERFACE);
  EXPECT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &kInterfaceClass, 1, &past));
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(Devices, DevicePathsOpenThroughTheProvider) {
  const std::string path = provider_->records[0].devicePath;
  HANDLE control = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(control, INVALID_HANDLE_VALUE);
  HANDLE streaming = CreateFileA((path + "\\IO").c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(streaming, INVALID_HANDLE_VALUE);
  EXPECT_EQ(provider_->lastPath, path + "\\IO");
  EXPECT_EQ(openFiles.load(), 2);

  DWORD version = 0, returned = 0;
  ASSERT_TRUE(DeviceIoControl(control, 0x22004C, nullptr, 0, &version, 4, &returned, nullptr));
  EXPECT_EQ(version, 3217u);
  EXPECT_EQ(returned, 4u);
  char in[8] = "abcdefg", out[8] = {};
  ASSERT_TRUE(DeviceIoControl(control, 0x220008, in, 8, out, 8, &returned, nullptr));
  EXPECT_STREQ(out, "abcdefg");
  SetLastError(0);
  EXPECT_FALSE(DeviceIoControl(control, 0x220100, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  char buffer[4];
  DWORD read = 0;
  EXPECT_FALSE(ReadFile(control, buffer, 4, &read, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));

  EXPECT_TRUE(CloseHandle(streaming));
  EXPECT_EQ(openFiles.load(), 1);
  EXPECT_TRUE(CloseHandle(control));
  EXPECT_EQ(openFiles.load(), 0);

  SetLastError(0);
  EXPECT_EQ(CreateFileA("\\\\?\\usb#vid_9999&pid_9999#x#{a7d2f4c8-1e36-4b5a-9c07-6f2e8b4d3c19}", GENERIC_READ,
                        0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Devices, WithoutAProviderDevicesAreMissing) {
  kxemu::setDeviceProvider(nullptr);
  SetLastError(0);
  EXPECT_EQ(CreateFileA(provider_->records[0].devicePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                        nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HDEVINFO set =
      SetupDiGetClassDevsA(&kInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kInterfaceClass, 0, &data));
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(Devices, OpenDeviceOutlivesTheProviderRegistration) {
  HANDLE control = CreateFileA(provider_->records[0].devicePath.c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(control, INVALID_HANDLE_VALUE);
  std::weak_ptr<FakeProvider> weak = provider_;
  kxemu::setDeviceProvider(nullptr);
  provider_.reset();
  EXPECT_FALSE(weak.expired()); // the open handle keeps it
  DWORD version = 0, returned = 0;
  EXPECT_TRUE(DeviceIoControl(control, 0x22004C, nullptr, 0, &version, 4, &returned, nullptr));
  CloseHandle(control);
  EXPECT_TRUE(weak.expired());
}

} // namespace
