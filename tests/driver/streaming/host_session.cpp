#include "host_session.h"

#include <cstring>

namespace kxtest {

namespace {
// One session at a time: the callbacks carry no context.
HostSession* activeSession = nullptr;
} // namespace

HostSession::HostSession() {
  callbacks_.bufferSwitch = &HostSession::bufferSwitch;
  callbacks_.asioMessage = &HostSession::asioMessage;
  activeSession = this;
}

HostSession::~HostSession() { activeSession = nullptr; }

ASIOError HostSession::createBuffers(IASIO& driver, std::int32_t inputs, std::int32_t outputs,
                                     std::int32_t frames) {
  driver_ = &driver;
  inputs_ = inputs;
  outputs_ = outputs;
  frames_ = frames;
  infos_.clear();
  for (std::int32_t c = 0; c < inputs; ++c) {
    infos_.push_back({ASIOTrue, c, {}});
  }
  for (std::int32_t c = 0; c < outputs; ++c) {
    infos_.push_back({ASIOFalse, c, {}});
  }
  recorded_.assign(static_cast<std::size_t>(inputs), {});
  return driver.createBuffers(infos_.data(), static_cast<std::int32_t>(infos_.size()), frames, &callbacks_);
}

std::int16_t HostSession::played(std::int32_t channel, std::int64_t n) {
  // Never zero, so the first sample that comes back shows the loop's delay.
  return static_cast<std::int16_t>(((channel + 1) << 12) | (n & 0xFFF));
}

void HostSession::bufferSwitch(std::int32_t index, ASIOBool) {
  if (activeSession != nullptr) {
    activeSession->onSwitch(index);
  }
}

std::int32_t HostSession::asioMessage(std::int32_t selector, std::int32_t, void*, double*) {
  if (activeSession == nullptr) {
    return 0;
  }
  const std::lock_guard<std::mutex> lock(activeSession->mutex_);
  activeSession->messages_.push_back(selector);
  return 1;
}

std::vector<std::int32_t> HostSession::messages() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

void HostSession::onSwitch(std::int32_t index) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (std::int32_t c = 0; c < inputs_; ++c) {
      const auto* half = static_cast<const std::int16_t*>(infos_[static_cast<std::size_t>(c)].buffers[index]);
      recorded_[static_cast<std::size_t>(c)].insert(recorded_[static_cast<std::size_t>(c)].end(), half,
                                                    half + frames_);
    }
    for (std::int32_t c = 0; c < outputs_; ++c) {
      auto* half = static_cast<std::int16_t*>(infos_[static_cast<std::size_t>(inputs_ + c)].buffers[index]);
      for (std::int32_t f = 0; f < frames_; ++f) {
        half[f] = played(c, playedFrames_ + f);
      }
    }
    playedFrames_ += frames_;
    if (useOutputReady_) {
      outputReadyAnswers_.push_back(driver_->outputReady());
    }
  }
  switches_.fetch_add(1);
}

std::vector<ASIOError> HostSession::outputReadyAnswers() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return outputReadyAnswers_;
}

std::vector<std::int16_t> HostSession::recorded(std::int32_t channel) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return recorded_[static_cast<std::size_t>(channel)];
}

} // namespace kxtest
