// Class ids as text (the driver registers itself under its text form).
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const CLSID kDriverClass = {0x5C3E8A21, 0x7D4B, 0x4F19, {0xA6, 0xC2, 0x3B, 0x8E, 0x9D, 0x0F, 0x1A, 0x64}};

std::string narrow(LPCOLESTR text) {
  char buffer[100];
  const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return n > 0 ? std::string(buffer) : std::string("<failed>");
}

TEST(Guids, StringFromClsidIsUpperCaseWithBraces) {
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(kDriverClass, &text), S_OK);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(narrow(text), "{5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}");
  CLSID back{};
  EXPECT_EQ(CLSIDFromString(text, &back), S_OK);
  EXPECT_TRUE(IsEqualCLSID(back, kDriverClass));
  CoTaskMemFree(text);
}

TEST(Guids, ParsingAcceptsLowerCaseAndRejectsJunk) {
  CLSID parsed{};
  EXPECT_EQ(CLSIDFromString(OLESTR("{a7d2f4c8-1e36-4b5a-9c07-6f2e8b4d3c19}"), &parsed), S_OK);
  const GUID expected = {0xA7D2F4C8, 0x1E36, 0x4B5A, {0x9C, 0x07, 0x6F, 0x2E, 0x8B, 0x4D, 0x3C, 0x19}};
  EXPECT_TRUE(IsEqualGUID(parsed, expected));
  EXPECT_EQ(CLSIDFromString(OLESTR("{A7D2F4C8-1E36-4B5A-9C07-6F2E8B4D3C1}"), &parsed), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromString(OLESTR("{A7D2F4C8-1E36-4B5A-9C07-6F2E8B4D3C1G}"), &parsed), CO_E_CLASSSTRING);
}

TEST(Guids, StringFromGuid2WritesIntoTheBuffer) {
  OLECHAR buffer[39];
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, buffer, 39), 39);
  EXPECT_EQ(narrow(buffer), "{00000000-0000-0000-C000-000000000046}");
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, buffer, 38), 0);
}

} // namespace
