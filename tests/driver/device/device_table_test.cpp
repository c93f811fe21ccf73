#include <driver/device/device_table.h>

#include <gtest/gtest.h>

namespace {

using namespace devicetable;

TEST(DeviceTable, FamiliesAndQuirks) {
  struct Case {
    UsbId id;
    int family; // -1: none
    bool interleave;
    bool bigEndian;
    bool mixed;
  };
  const Case cases[] = {
      {kFamily0[0], 0, false, false, false},      {kFamily1[0], 1, false, false, false},
      {kFamily2[1], 2, false, false, false},      {kFamily3[0], 3, false, false, false},
      {kFamily3[3], 3, true, false, false},       {kFamily3[4], 3, true, false, false},
      {kFamily4[0], 4, false, false, false},      {kBigEndian24[0], -1, false, true, false},
      {kMixedOrder24[0], -1, false, false, true}, {{0x1234, 0x5678}, -1, false, false, false},
  };
  for (const auto& c : cases) {
    const DeviceTraits traits = deviceTraits(c.id.vendor, c.id.product);
    for (int f = 0; f < kFamilyCount; ++f) {
      EXPECT_EQ(traits.family[f], f == c.family)
          << std::hex << c.id.vendor << ":" << c.id.product << " family " << f;
    }
    EXPECT_EQ(traits.eightOutputInterleave, c.interleave);
    EXPECT_EQ(traits.bigEndian24, c.bigEndian);
    EXPECT_EQ(traits.mixedOrder24, c.mixed);
    EXPECT_EQ(traits.productNameOverride, nullptr);
  }
}

TEST(DeviceTable, ProductNameOverrides) {
  for (const ProductNameOverride& entry : kProductNameOverrides) {
    EXPECT_STREQ(deviceTraits(entry.id.vendor, entry.id.product).productNameOverride, entry.productName);
  }
}

} // namespace
