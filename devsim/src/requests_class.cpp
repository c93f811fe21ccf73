// USB class requests: the input holds the SETUP packet and, for a host-to-device request,
// its wLength data bytes (else ERROR_INVALID_PARAMETER); a device-to-host request needs room
// for the packet and wLength bytes in the output (else ERROR_INSUFFICIENT_BUFFER) and
// answers with both. A request the device's units do not take stalls: ERROR_GEN_FAILURE.
#include "request_handlers.h"

#include <algorithm>

namespace devsim {
namespace {

constexpr std::size_t kLogLimit = 16384;

bool route(DeviceState& state, const kernel::UsbSetupPacket& setup, std::vector<std::uint8_t>& data) {
  if (state.orin) {
    return state.orin->request(setup, data);
  }
  if (state.pyxis) {
    return state.pyxis->request(setup, data);
  }
  return false;
}

void record(DeviceState& state, ClassRequestRecord entry) {
  if (state.classRequests.size() >= kLogLimit) {
    state.classRequests.erase(state.classRequests.begin());
  }
  state.classRequests.push_back(std::move(entry));
}

} // namespace

bool handleClassRequest(RequestTarget& target, RequestContext& request) {
  constexpr std::uint32_t header = kernel::kClassRequestHeaderSize;
  if (request.inSize < header) {
    return fail(request, ERROR_INVALID_PARAMETER);
  }
  kernel::UsbSetupPacket setup;
  std::memcpy(&setup, request.in, header);
  const bool toDevice = (setup.requestType & kernel::kUsbDirectionIn) == 0;
  std::vector<std::uint8_t> data(setup.length);
  if (toDevice) {
    if (request.inSize < header + setup.length) {
      return fail(request, ERROR_INVALID_PARAMETER);
    }
    std::copy_n(request.in + header, setup.length, data.begin());
  } else if (request.outSize < header + setup.length) {
    return fail(request, ERROR_INSUFFICIENT_BUFFER);
  }
  const bool answered = route(target.state, setup, data);
  record(target.state, {setup, answered || toDevice ? data : std::vector<std::uint8_t>{}, answered});
  if (!answered) {
    return fail(request, ERROR_GEN_FAILURE);
  }
  if (!toDevice) {
    std::memmove(request.out, &setup, header);
    std::copy(data.begin(), data.end(), request.out + header);
    request.returned = header + setup.length;
  }
  return true;
}

} // namespace devsim
