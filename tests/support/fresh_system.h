#pragma once

// A clean system for each driver test: on Linux a new emulated system root, removed after
// the test; everywhere, no settings or registration of the driver left from earlier tests.
#include <winapi/include/winapi.h>

#include <gtest/gtest.h>

#include <string>

namespace kxtest {

class FreshSystem : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Sets a DWORD (or, with asString, a REG_SZ) value in the driver's settings key.
  static void storeSetting(const char* name, DWORD value, bool asString = false);
  // The DWORD stored under the settings key, or -1 when there is none.
  static long long storedSetting(const char* name);

private:
  std::string root_;
};

// The Windows form of a host file path: Z:\... for Wine and the emulation alike.
std::string windowsPathOf(const std::string& hostPath);

} // namespace kxtest
