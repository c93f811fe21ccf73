#pragma once

// One DeviceIoControl call as the simulated kernel driver handles it, and the checks every
// request makes on the caller's buffers. The buffers may overlap (a caller may pass one
// buffer as input and output), so a request reads all it needs before it writes.
#include <devsim/include/devsim.h>
#include <winapi/include/winapi.h>

#include <cstdint>
#include <cstring>

namespace devsim {

struct RequestContext {
  std::uint32_t code = 0;
  const std::uint8_t* in = nullptr;
  std::uint32_t inSize = 0; // 0 when `in` is null
  std::uint8_t* out = nullptr;
  std::uint32_t outSize = 0; // 0 when `out` is null
  DWORD returned = 0;
  DWORD error = ERROR_SUCCESS;
};

inline bool fail(RequestContext& request, DWORD error) {
  request.error = error;
  return false;
}

// The block a setting request carries in its output buffer, when it is large enough.
template <typename T>
bool readBlock(RequestContext& request, T& value) {
  if (request.outSize < sizeof(T)) {
    return fail(request, ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(&value, request.out, sizeof(T));
  return true;
}

// Answers with `size` bytes in the output buffer, when it is large enough.
inline bool reply(RequestContext& request, const void* data, std::uint32_t size) {
  if (request.outSize < size) {
    return fail(request, ERROR_INSUFFICIENT_BUFFER);
  }
  std::memmove(request.out, data, size);
  request.returned = size;
  return true;
}

template <typename T>
bool replyWith(RequestContext& request, const T& value) {
  return reply(request, &value, sizeof(T));
}

} // namespace devsim
