#pragma once

// A fresh emulated system with the simulated kernel driver in stepped mode, a device opened
// with or without its models, the class requests the device received since the last look,
// and the values of the models' registry keys.
#include <driver/device/kernel_audio_device.h>
#include <driver/host/driver_identity.h>
#include <driver/host/registry_key.h>
#include <winapi/include/winapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tests/driver/device/simulated_devices.h>
#include <vector>

namespace kxtest {

class ModelFixture : public SimulatedDevices {
protected:
  // Open handles, no names, descriptors or models yet.
  std::unique_ptr<KernelAudioDevice> openDevice(const std::string& profile) {
    id_ = plug(profile);
    seen_ = 0;
    auto device = std::make_unique<KernelAudioDevice>(KxString(pathOf(id_).c_str()), id_);
    EXPECT_TRUE(device->open());
    return device;
  }
  // The whole open: the device creates the model of its family.
  std::unique_ptr<KernelAudioDevice> initialiseDevice(const std::string& profile) {
    auto device = openDevice(profile);
    EXPECT_TRUE(device->initialise(settings_));
    return device;
  }

  // Everything after the requests already seen, and marks it seen.
  std::vector<devsim::ClassRequestRecord> newRequests() {
    const auto all = devsim::classRequests(id_);
    std::vector<devsim::ClassRequestRecord> fresh(all.begin() + static_cast<std::ptrdiff_t>(seen_),
                                                  all.end());
    seen_ = all.size();
    return fresh;
  }
  void forgetRequests() { newRequests(); }

  // Values in a family's sub-key of the driver's settings key.
  static KxRegistryKey modelKey(const char* name) {
    return KxRegistryKey(KxString((std::string(kSettingsPath) + "\\" + name).c_str()));
  }
  static void storeValue(const char* key, const char* name, std::uint32_t value) {
    ASSERT_TRUE(modelKey(key).writeDword(name, value));
  }
  // Removes a family's sub-key, so that the next model starts without stored settings.
  static void forgetKey(const char* key) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kSettingsPath) + "\\" + key).c_str());
  }
  // The DWORD stored, or -1 when there is none.
  static long long storedValue(const char* key, const char* name) {
    std::uint32_t value = 0;
    return modelKey(key).readDword(name, value) ? static_cast<long long>(value) : -1;
  }

  KxRegistryKey settings_{KxString(kSettingsPath)};
  devsim::DeviceId id_ = 0;

private:
  std::size_t seen_ = 0;
};

} // namespace kxtest
