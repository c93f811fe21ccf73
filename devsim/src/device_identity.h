#pragma once

// How a simulated device appears in the device tree: its instance id, hardware ids and
// the device paths of its interfaces (see devsim.h for the forms).
#include <abi/devices.h>
#include <winapi/include/winapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

struct DeviceIdentity {
  std::string instanceId;
  std::vector<std::string> hardwareIds;
  std::vector<std::string> interfacePaths; // one per interface class
};

// `serial` numbers the devices devsim has made (1, 2, ...).
DeviceIdentity makeIdentity(devicetable::UsbId id, std::uint32_t serial, const std::vector<GUID>& classes);

// Windows compares device paths without regard to case.
bool samePath(const std::string& a, const std::string& b);

} // namespace devsim
