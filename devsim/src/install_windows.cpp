// Windows has no emulated system to register with: the driver reaches devsim.dll through
// its kernel-call table instead.
#include <devsim/include/devsim.h>

namespace devsim {

bool install() { return false; }

} // namespace devsim
