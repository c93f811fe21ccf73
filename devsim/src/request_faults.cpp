#include "request_faults.h"

#include <algorithm>

namespace devsim {

void RequestFaults::failOpens(std::uint32_t times, std::uint32_t error) {
  openFailures_ = times;
  openError_ = error;
}

std::optional<RequestFault> RequestFaults::takeForRequest(std::uint32_t code) {
  const auto fault = std::find_if(faults_.begin(), faults_.end(),
                                  [code](const RequestFault& f) { return f.code == 0 || f.code == code; });
  if (fault == faults_.end()) {
    return std::nullopt;
  }
  const RequestFault taken = *fault;
  if (--fault->times == 0) {
    faults_.erase(fault);
  }
  return taken;
}

std::uint32_t RequestFaults::takeForOpen() {
  if (openFailures_ == 0) {
    return 0;
  }
  --openFailures_;
  return openError_;
}

void RequestFaults::clear() {
  faults_.clear();
  openFailures_ = 0;
}

} // namespace devsim
