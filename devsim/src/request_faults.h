#pragma once

// Injected request faults of one device: requests that fail, replies cut short, and opens
// that fail, each for a given number of times.
#include <cstdint>
#include <optional>
#include <vector>

namespace devsim {

struct RequestFault {
  std::uint32_t code = 0; // 0: any request
  std::uint32_t times = 0;
  std::uint32_t error = 0;                 // fail with this error, unless...
  std::optional<std::uint32_t> replyBytes; // ...succeed reporting only this many bytes
};

class RequestFaults {
public:
  void add(const RequestFault& fault) {
    if (fault.times > 0) {
      faults_.push_back(fault);
    }
  }
  void failOpens(std::uint32_t times, std::uint32_t error);
  // The fault that applies to the next request with this code, counted off; none when no
  // fault applies. The earliest added fault applies first.
  std::optional<RequestFault> takeForRequest(std::uint32_t code);
  // The error the next open fails with, counted off; 0 when it succeeds.
  std::uint32_t takeForOpen();
  void clear();

private:
  std::vector<RequestFault> faults_;
  std::uint32_t openFailures_ = 0;
  std::uint32_t openError_ = 0;
};

} // namespace devsim
