#include "request_handlers.h"

namespace devsim {

RequestHandler handlerFor(std::uint32_t code) {
  switch (code) {
  case kernel::kRequestManufacturerName:
  case kernel::kRequestProductName:
    return handleName;
  case kernel::kRequestClass:
    return handleClassRequest;
  case kernel::kRequestDescriptors:
    return handleDescriptors;
  case kernel::kRequestGetFormat:
    return handleGetFormat;
  case kernel::kRequestSetTransferLength:
    return handleSetTransferLength;
  case kernel::kRequestSetFormat:
    return handleSetFormat;
  case kernel::kRequestStream:
    return handleStream;
  case kernel::kRequestInterfaceVersion:
    return handleInterfaceVersion;
  case kernel::kRequestGetClockSource:
    return handleGetClockSource;
  case kernel::kRequestSetClockSource:
    return handleSetClockSource;
  case kernel::kRequestMmeMode:
    return handleMmeMode;
  case kernel::kRequestWriteMixerState:
    return handleWriteMixerState;
  case kernel::kRequestReadMixerState:
    return handleReadMixerState;
  default:
    return nullptr;
  }
}

} // namespace devsim
