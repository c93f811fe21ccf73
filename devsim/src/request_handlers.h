#pragma once

// The simulated kernel driver's answer to each request. A handler fails with a Windows
// error and changes nothing, or succeeds with `returned` bytes in the output buffer:
//   names            out >= name + 1; a longer name fails ERROR_MORE_DATA with what fits
//   class request    see requests_class.cpp
//   descriptors, get format, version, get clock source
//                    out >= the record, else ERROR_INSUFFICIENT_BUFFER
//   set format       ERROR_BUSY while a streaming handle is open; ERROR_INVALID_PARAMETER for
//                    a format the descriptor image does not offer (format_rules.h); lowers
//                    the transfer length when the new format needs it
//   transfer length  ERROR_INVALID_PARAMETER outside the rules of format_rules.h
//   set clock source ERROR_INVALID_PARAMETER for a source the device does not have
//   stream           see requests_stream.cpp
//   MME flag         out >= 1; any time
//   mixer state      ERROR_INVALID_FUNCTION without a mixer; out >= 3540
// Setting requests return no bytes: the caller's block stays as it was.
#include "device_state.h"
#include "request_context.h"

namespace devsim {

using RequestHandler = bool (*)(RequestTarget& target, RequestContext& request);

// Null for a code the kernel driver does not know.
RequestHandler handlerFor(std::uint32_t code);

bool handleName(RequestTarget& target, RequestContext& request);
bool handleDescriptors(RequestTarget& target, RequestContext& request);
bool handleInterfaceVersion(RequestTarget& target, RequestContext& request);
bool handleGetFormat(RequestTarget& target, RequestContext& request);
bool handleSetFormat(RequestTarget& target, RequestContext& request);
bool handleSetTransferLength(RequestTarget& target, RequestContext& request);
bool handleGetClockSource(RequestTarget& target, RequestContext& request);
bool handleSetClockSource(RequestTarget& target, RequestContext& request);
bool handleStream(RequestTarget& target, RequestContext& request);
bool handleMmeMode(RequestTarget& target, RequestContext& request);
bool handleReadMixerState(RequestTarget& target, RequestContext& request);
bool handleWriteMixerState(RequestTarget& target, RequestContext& request);
bool handleClassRequest(RequestTarget& target, RequestContext& request);

} // namespace devsim
