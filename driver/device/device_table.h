#pragma once

#include <abi/devices.h>

#include <cstdint>

// What the driver knows of a device from its USB vendor and product ids.
struct DeviceTraits {
  bool family[devicetable::kFamilyCount] = {};
  bool eightOutputInterleave = false;
  bool bigEndian24 = false;
  bool mixedOrder24 = false;
  const char* productNameOverride = nullptr; // null: keep the kernel driver's name
};

DeviceTraits deviceTraits(std::uint16_t vendor, std::uint16_t product);
