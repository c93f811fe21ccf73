// The requests that describe the device: its names, descriptor image and interface version.
#include "request_handlers.h"

#include <algorithm>
#include <vector>

namespace devsim {

bool handleName(RequestTarget& target, RequestContext& request) {
  const std::string& name =
      request.code == kernel::kRequestManufacturerName ? target.profile.manufacturer : target.profile.product;
  if (request.outSize == 0) {
    return fail(request, ERROR_INSUFFICIENT_BUFFER);
  }
  const auto size = static_cast<std::uint32_t>(name.size() + 1);
  const std::uint32_t fits = std::min(size, request.outSize);
  std::copy_n(name.c_str(), fits - 1, request.out);
  request.out[fits - 1] = '\0';
  request.returned = fits;
  return fits == size || fail(request, ERROR_MORE_DATA);
}

bool handleDescriptors(RequestTarget& target, RequestContext& request) {
  return replyWith(request, *target.state.image);
}

bool handleInterfaceVersion(RequestTarget& target, RequestContext& request) {
  return replyWith(request, target.state.interfaceVersion);
}

} // namespace devsim
