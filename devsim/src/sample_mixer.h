#pragma once

// The mixer state of the built-in mixer profiles: an Output group of two entries side by
// side, an Input group of two entries in a list, one Monitor entry, two sync sources and an
// input monitor the host controls.
#include <abi/kernel.h>

namespace devsim {

kernel::MixerState sampleMixerState();

} // namespace devsim
