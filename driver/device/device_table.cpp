#include <driver/device/device_table.h>

DeviceTraits deviceTraits(std::uint16_t vendor, std::uint16_t product) {
  using namespace devicetable;
  const UsbId id{vendor, product};
  DeviceTraits traits;
  for (int f = 0; f < kFamilyCount; ++f) {
    traits.family[f] = listed(familyIds(f), id);
  }
  traits.eightOutputInterleave = listed(kEightOutputInterleave, id);
  traits.bigEndian24 = listed(kBigEndian24, id);
  traits.mixedOrder24 = listed(kMixedOrder24, id);
  for (const ProductNameOverride& entry : kProductNameOverrides) {
    if (entry.id == id) {
      traits.productNameOverride = entry.productName;
    }
  }
  return traits;
}
