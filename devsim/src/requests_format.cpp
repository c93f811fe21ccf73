// The requests of the stream format, the transfer length and the clock source.
#include "format_rules.h"
#include "request_handlers.h"

namespace devsim {

bool handleGetFormat(RequestTarget& target, RequestContext& request) {
  return replyWith(request, kernel::FormatReport{target.state.transferMs, target.state.format});
}

bool handleSetFormat(RequestTarget& target, RequestContext& request) {
  kernel::StreamFormat format;
  if (!readBlock(request, format)) {
    return false;
  }
  if (target.state.streamingOpen) {
    return fail(request, ERROR_BUSY);
  }
  if (!formatSupported(*target.state.image, format)) {
    return fail(request, ERROR_INVALID_PARAMETER);
  }
  target.state.format = format;
  target.state.transferMs = fittedTransferLength(format, target.state.transferMs);
  return true;
}

bool handleSetTransferLength(RequestTarget& target, RequestContext& request) {
  std::uint32_t ms;
  if (!readBlock(request, ms)) {
    return false;
  }
  if (!transferLengthFits(target.state.format, ms)) {
    return fail(request, ERROR_INVALID_PARAMETER);
  }
  target.state.transferMs = ms;
  target.engine.setTransferMs(ms);
  return true;
}

bool handleGetClockSource(RequestTarget& target, RequestContext& request) {
  return replyWith(request, target.state.clockSource);
}

bool handleSetClockSource(RequestTarget& target, RequestContext& request) {
  std::uint32_t source;
  if (!readBlock(request, source)) {
    return false;
  }
  if (source >= target.state.clockSourceCount) {
    return fail(request, ERROR_INVALID_PARAMETER);
  }
  target.state.clockSource = source;
  return true;
}

} // namespace devsim
