#include "stream_session.h"

#include <winapi/include/winapi.h>

#include "wav_file.h"

namespace {
// The callbacks carry no context: one session at a time.
std::atomic<StreamSession*> activeSession{nullptr};
} // namespace

std::int64_t performanceCounterNs() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<std::int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  const auto ticks = static_cast<std::int64_t>(now.QuadPart);
  return ticks / frequency * 1'000'000'000 + ticks % frequency * 1'000'000'000 / frequency;
}

StreamSession::StreamSession(IASIO& driver, const Plan& plan) : driver_(driver), plan_(plan) {
  callbacks_.bufferSwitch = &StreamSession::bufferSwitch;
  callbacks_.asioMessage = &StreamSession::asioMessage;
  times_.reserve(static_cast<std::size_t>(plan.maxSwitches));
  recordings_.resize(static_cast<std::size_t>(plan.inputs));
  for (auto& recording : recordings_) {
    recording.reserve(static_cast<std::size_t>(plan.maxSwitches * plan.frames * plan.sampleBytes));
  }
  activeSession = this;
}

StreamSession::~StreamSession() { activeSession = nullptr; }

ASIOError StreamSession::createBuffers() {
  infos_.clear();
  for (std::int32_t c = 0; c < plan_.inputs; ++c) {
    infos_.push_back({ASIOTrue, c, {}});
  }
  for (std::int32_t c = 0; c < plan_.outputs; ++c) {
    infos_.push_back({ASIOFalse, c, {}});
  }
  return driver_.createBuffers(infos_.data(), static_cast<std::int32_t>(infos_.size()), plan_.frames,
                               &callbacks_);
}

const std::vector<std::uint8_t>& StreamSession::recording(std::int32_t channel) const {
  return recordings_[static_cast<std::size_t>(channel)];
}

void StreamSession::bufferSwitch(std::int32_t index, ASIOBool) {
  if (StreamSession* session = activeSession.load()) {
    session->onSwitch(index);
  }
}

std::int32_t StreamSession::asioMessage(std::int32_t selector, std::int32_t value, void*, double*) {
  // Answers what a simple host supports; a reset request is declined (the run just ends).
  if (selector == kAsioSelectorSupported) {
    return value == kAsioEngineVersion || value == kAsioSupportsTimeInfo ? 1 : 0;
  }
  return selector == kAsioEngineVersion ? 2 : 0;
}

void StreamSession::onSwitch(std::int32_t index) {
  const bool keep = switches() < plan_.maxSwitches;
  if (keep) {
    times_.push_back(performanceCounterNs());
    for (std::int32_t c = 0; c < plan_.inputs; ++c) {
      const auto* half = static_cast<const std::uint8_t*>(infos_[static_cast<std::size_t>(c)].buffers[index]);
      auto& recording = recordings_[static_cast<std::size_t>(c)];
      recording.insert(recording.end(), half, half + plan_.frames * plan_.sampleBytes);
    }
  }
  for (std::int32_t c = 0; c < plan_.outputs; ++c) {
    auto* half =
        static_cast<std::uint8_t*>(infos_[static_cast<std::size_t>(plan_.inputs + c)].buffers[index]);
    for (std::int32_t f = 0; f < plan_.frames; ++f) {
      writeSample(half + f * plan_.sampleBytes, plan_.sampleBytes, plan_.signal->sample(c, played_ + f));
    }
  }
  played_ += plan_.frames;
  if (plan_.useOutputReady && driver_.outputReady() != ASE_OK) {
    ++outputReadyRefusals_;
  }
  switches_.fetch_add(1, std::memory_order_acq_rel);
}
