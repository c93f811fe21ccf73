#pragma once

// A host for streaming tests: its bufferSwitch counts switches, fills every output half with
// a ramp that says which channel and which sample it is, and keeps what the input halves
// delivered. The driver calls it on its streaming thread.
#include <abi/asio.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kxtest {

class HostSession {
public:
  HostSession();
  ~HostSession();

  // Buffers for every channel, in the driver's 16-bit host format.
  ASIOError createBuffers(IASIO& driver, std::int32_t inputs, std::int32_t outputs, std::int32_t frames);

  ASIOCallbacks* callbacks() { return &callbacks_; }
  std::int64_t switches() const { return switches_.load(); }
  // Calls outputReady from inside every bufferSwitch; the answers are kept.
  void useOutputReady(bool on) { useOutputReady_ = on; }
  std::vector<ASIOError> outputReadyAnswers() const;
  // The asioMessage selectors the driver sent, in order (the host answers 1 to each).
  std::vector<std::int32_t> messages() const;
  // Samples of input channel c in arrival order.
  std::vector<std::int16_t> recorded(std::int32_t channel) const;
  // The sample output channel c plays at stream position n.
  static std::int16_t played(std::int32_t channel, std::int64_t n);

private:
  static void bufferSwitch(std::int32_t index, ASIOBool direct);
  static std::int32_t asioMessage(std::int32_t selector, std::int32_t value, void* message, double* opt);
  void onSwitch(std::int32_t index);

  ASIOCallbacks callbacks_{};
  IASIO* driver_ = nullptr;
  std::vector<ASIOBufferInfo> infos_;
  std::int32_t inputs_ = 0;
  std::int32_t outputs_ = 0;
  std::int32_t frames_ = 0;
  std::atomic<std::int64_t> switches_{0};
  std::atomic<bool> useOutputReady_{false};
  mutable std::mutex mutex_;
  std::vector<std::vector<std::int16_t>> recorded_;
  std::vector<ASIOError> outputReadyAnswers_;
  std::vector<std::int32_t> messages_;
  std::int64_t playedFrames_ = 0;
};

} // namespace kxtest
