#pragma once

// The USB vendor and product ids behind every row of the driver's device table, the
// product-name override texts, and the unit ids of the family controllers. The driver's
// device table and devsim's device profiles both take them from here, so a simulated device
// is recognised exactly as the hardware would be.
#include <cstdint>
#include <iterator>
#include <span>

namespace devicetable {

struct UsbId {
  std::uint16_t vendor;
  std::uint16_t product;
  friend constexpr bool operator==(UsbId, UsbId) = default;
};

inline constexpr std::uint16_t kVendorCorvanta = 0x2F1C;
inline constexpr std::uint16_t kVendorHalden = 0x1D5A;   // the maker of every family-3 device
inline constexpr std::uint16_t kVendorOemLabel = 0x3A71; // sells two devices under our names

// Families: code branches on these numbers, never on raw ids.
inline constexpr UsbId kFamily0[] = {{kVendorCorvanta, 0x0110}}; // Orin, tunnel unit 4
inline constexpr UsbId kFamily1[] = {{kVendorCorvanta, 0x0111}}; // Orin, tunnel unit 5
inline constexpr UsbId kFamily2[] = {
    {kVendorCorvanta, 0x0220}, {kVendorCorvanta, 0x0221}, {kVendorCorvanta, 0x0222}}; // Pyxis
inline constexpr UsbId kFamily3[] = {{kVendorHalden, 0x0301},
                                     {kVendorHalden, 0x0302},
                                     {kVendorHalden, 0x0303},
                                     {kVendorHalden, 0x0304},
                                     {kVendorHalden, 0x0305}};
inline constexpr UsbId kFamily4[] = {{kVendorCorvanta, 0x0440}};
inline constexpr int kFamilyCount = 5;

// Quirks.
inline constexpr UsbId kEightOutputInterleave[] = {kFamily3[3], kFamily3[4]};
inline constexpr UsbId kBigEndian24[] = {{kVendorCorvanta, 0x0550}};
inline constexpr UsbId kMixedOrder24[] = {{kVendorCorvanta, 0x0551}};

struct ProductNameOverride {
  UsbId id;
  const char* productName;
};
inline constexpr ProductNameOverride kProductNameOverrides[] = {
    {{kVendorOemLabel, 0x0010}, "Corvanta Nano"},
    {{kVendorOemLabel, 0x0011}, "Corvanta Nano Pro"},
};

// The ids listed for a family; empty for numbers outside 0..4.
constexpr std::span<const UsbId> familyIds(int family) {
  switch (family) {
  case 0:
    return kFamily0;
  case 1:
    return kFamily1;
  case 2:
    return kFamily2;
  case 3:
    return kFamily3;
  case 4:
    return kFamily4;
  default:
    return {};
  }
}

constexpr bool listed(std::span<const UsbId> ids, UsbId id) {
  for (const UsbId& candidate : ids) {
    if (candidate == id) {
      return true;
    }
  }
  return false;
}

// The family controllers' units (USB Audio Class unit ids, all in interface 0).
inline constexpr std::uint8_t kOrinTunnelUnitFamily0 = 4;
inline constexpr std::uint8_t kOrinTunnelUnitFamily1 = 5;
inline constexpr std::uint8_t kPyxisSelectorUnit = 12;
inline constexpr std::uint8_t kPyxisInput1Unit = 8; // mute of input 1 and the input path's volume
inline constexpr std::uint8_t kPyxisInput2Unit = 10;
inline constexpr std::uint8_t kPyxisInput3Unit = 11;
inline constexpr std::uint8_t kPyxisOutputUnit = 2; // mute and volume of the output

static_assert(std::size(kFamily2) == 3 && std::size(kFamily3) == 5);
static_assert(listed(kFamily3, kEightOutputInterleave[0]) && listed(kFamily3, kEightOutputInterleave[1]));
static_assert(kProductNameOverrides[0].id.vendor == kProductNameOverrides[1].id.vendor);

} // namespace devicetable
