#pragma once

// The parsed descriptor image the kernel driver hands out, built from a profile, and the
// kernel's own bounded walk over an image (which may be damaged).
#include <abi/kernel.h>
#include <devsim/include/devsim_profile.h>

#include <functional>
#include <memory>

namespace devsim {

std::unique_ptr<kernel::DeviceDescriptorBlock> buildDescriptorImage(const Profile& profile);

// Every count of the image becomes `count`.
void damageCounts(kernel::DeviceDescriptorBlock& image, std::uint8_t count);

// Calls `visit` for every alternate setting of configuration `configuration`, counts clamped
// to their slots; nothing when the configuration is not in the image.
void forEachAlternateSetting(const kernel::DeviceDescriptorBlock& image, std::uint32_t configuration,
                             const std::function<void(const kernel::AlternateSettingSlot&)>& visit);

} // namespace devsim
