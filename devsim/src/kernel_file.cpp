#include "kernel_file.h"

namespace devsim {

bool KernelFile::ioControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                           DWORD& returned, DWORD& error) {
  if ((!in && inSize) || (!out && outSize)) {
    returned = 0;
    error = ERROR_INVALID_PARAMETER;
    return false;
  }
  RequestContext request;
  request.code = code;
  request.in = static_cast<const std::uint8_t*>(in);
  request.inSize = inSize;
  request.out = static_cast<std::uint8_t*>(out);
  request.outSize = outSize;
  const bool ok = device_->ioControl(kind_, connection_, request);
  returned = request.returned;
  error = ok ? ERROR_SUCCESS : request.error;
  return ok;
}

} // namespace devsim
