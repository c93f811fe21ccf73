// The mixer state, returned and accepted whole. A write answers with the restart flag when
// the device's policy says the change needs the host to reload the driver; the state the
// kernel keeps has the flag clear.
#include "request_handlers.h"

namespace devsim {

bool handleReadMixerState(RequestTarget& target, RequestContext& request) {
  if (!target.state.mixer) {
    return fail(request, ERROR_INVALID_FUNCTION);
  }
  return replyWith(request, *target.state.mixer);
}

bool handleWriteMixerState(RequestTarget& target, RequestContext& request) {
  if (!target.state.mixer) {
    return fail(request, ERROR_INVALID_FUNCTION);
  }
  kernel::MixerState written;
  if (!readBlock(request, written)) {
    return false;
  }
  const MixerRestart policy = target.state.mixerRestart;
  const bool restart =
      policy == MixerRestart::Always || (policy == MixerRestart::OnSyncSourceChange &&
                                         written.chosenSyncSource != target.state.mixer->chosenSyncSource);
  written.restartFlag = 0;
  *target.state.mixer = written;
  written.restartFlag = restart ? 1 : 0;
  return replyWith(request, written);
}

} // namespace devsim
