#pragma once

// Profiles the tests define for themselves.
#include <abi/kernel_access.h>
#include <devsim/include/devsim.h>

namespace devsimtest {

// Four inputs and two outputs of 16 bits at 48 kHz, no controller.
inline devsim::Profile fourInTwoOut() {
  devsim::Profile profile;
  profile.name = "four-in-two-out";
  profile.manufacturer = "Tests";
  profile.product = "Four In Two Out";
  profile.id = {0x4E11, 0x0F42};
  devsim::ConfigurationDescriptor configuration;
  configuration.interfaces.push_back({1, {{devsim::FormatDescriptor{0, 0, false, 0, 0, {}}, {}}}});
  configuration.interfaces.push_back(
      {2, {{devsim::FormatDescriptor{16, 2, false, 0, 0, {48000}}, {{0x01, 200}}}}});
  configuration.interfaces.push_back(
      {2, {{devsim::FormatDescriptor{16, 4, false, 0, 0, {48000}}, {{0x82, 400}}}}});
  profile.configurations.push_back(configuration);
  profile.format = {48000, 4, 16, 2, 16, 0};
  profile.interfaceClasses = {kernel::kInterfaceClass};
  profile.setupClass = devsim::kMediaSetupClass;
  return profile;
}

} // namespace devsimtest
