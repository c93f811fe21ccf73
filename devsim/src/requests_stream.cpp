// Starting and stopping the stream, and the MME flag.
//
// The start request takes the form of the build (abi/kernel.h): 8 bytes with a 32-bit block
// address, or 16 bytes with a 64-bit address in 64-bit builds, where the 8-byte form only
// stops. Starting needs a block address; starting a running stream restarts it on the new
// block. Stopping always succeeds, and once it has returned the block is no longer touched.
#include "request_handlers.h"

namespace devsim {
namespace {

bool readStart(RequestContext& request, bool& start, std::uintptr_t& address) {
  if constexpr (sizeof(void*) == 8) {
    if (request.outSize >= sizeof(kernel::StreamStartRequest64)) {
      kernel::StreamStartRequest64 block;
      readBlock(request, block);
      start = block.start != 0;
      address = static_cast<std::uintptr_t>(block.blockAddress);
      return true;
    }
  }
  kernel::StreamStartRequest32 block;
  if (!readBlock(request, block)) {
    return false;
  }
  start = block.start != 0;
  address = block.blockAddress;
  return !(start && sizeof(void*) == 8) || fail(request, ERROR_INVALID_PARAMETER);
}

} // namespace

bool handleStream(RequestTarget& target, RequestContext& request) {
  bool start = false;
  std::uintptr_t address = 0;
  if (!readStart(request, start, address)) {
    return false;
  }
  if (!start) {
    target.engine.stop(false);
    return true;
  }
  if (address == 0) {
    return fail(request, ERROR_INVALID_PARAMETER);
  }
  StreamStart setup;
  setup.block = reinterpret_cast<kernel::StreamBlock*>(address);
  setup.format = target.state.format;
  setup.transferMs = target.state.transferMs;
  setup.signal = target.state.signal;
  setup.clock = target.clock;
  target.engine.start(setup);
  return true;
}

bool handleMmeMode(RequestTarget& target, RequestContext& request) {
  std::uint8_t flag;
  if (!readBlock(request, flag)) {
    return false;
  }
  target.state.mmeMode = flag != 0;
  return true;
}

} // namespace devsim
