#pragma once

#include <abi/kernel.h>

#include <cstdint>

// The first alternate setting of a configuration that streams `channels` channels of `bits`
// bits at `rate` through an endpoint of the wanted direction. Every count of the image is
// held to the slots that exist.
kernel::FormatMatch findFormat(const kernel::DeviceDescriptorBlock& block, std::uint32_t configuration,
                               std::uint32_t rate, std::uint32_t bits, std::uint32_t channels,
                               bool discreteOnly, bool wantOut);

// The rates the driver offers at all.
bool isStandardRate(std::uint32_t rate);
