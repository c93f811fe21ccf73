#pragma once

// The profiles devsim knows from the start: one for every row kind of the driver's device
// table, and generic devices of several shapes.
#include <devsim/include/devsim_profile.h>

#include <vector>

namespace devsim {

std::vector<Profile> builtinProfiles();

} // namespace devsim
