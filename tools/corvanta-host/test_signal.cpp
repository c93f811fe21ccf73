#include "test_signal.h"

#include "wav_file.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

class Sine final : public TestSignal {
public:
  Sine(std::int32_t channels, std::int32_t rate, std::int32_t bits) : rate_(rate > 0 ? rate : 1) {
    const double amplitude = std::ldexp(0.5, bits - 1);
    for (std::int32_t c = 0; c < channels; ++c) {
      std::vector<std::int32_t> period(static_cast<std::size_t>(rate_));
      const double frequency = 250.0 * (c + 1);
      for (std::int32_t n = 0; n < rate_; ++n) {
        period[static_cast<std::size_t>(n)] =
            static_cast<std::int32_t>(std::lround(amplitude * std::sin(2.0 * kPi * frequency * n / rate_)));
      }
      tables_.push_back(std::move(period));
    }
  }
  std::int32_t sample(std::int32_t channel, std::int64_t n) const override {
    if (channel < 0 || static_cast<std::size_t>(channel) >= tables_.size()) {
      return 0;
    }
    return tables_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(n % rate_)];
  }

private:
  std::int32_t rate_;
  std::vector<std::vector<std::int32_t>> tables_;
};

class WavSignal final : public TestSignal {
public:
  WavSignal(WavData wav, std::int32_t bits) : wav_(std::move(wav)), shift_(bits - wav_.bits) {
    frames_ = static_cast<std::int64_t>(wav_.samples.size()) / (wav_.channels * (wav_.bits / 8));
  }
  std::int32_t sample(std::int32_t channel, std::int64_t n) const override {
    if (frames_ == 0 || channel < 0) {
      return 0;
    }
    const std::int64_t index = (n % frames_) * wav_.channels + channel % wav_.channels;
    const std::int32_t value =
        readSample(wav_.samples.data() + static_cast<std::size_t>(index) * (wav_.bits / 8), wav_.bits / 8);
    return shift_ >= 0 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << shift_)
                       : value >> -shift_;
  }

private:
  WavData wav_;
  std::int32_t shift_;
  std::int64_t frames_ = 0;
};

} // namespace

std::unique_ptr<TestSignal> makeSine(std::int32_t channels, std::int32_t rate, std::int32_t bits) {
  return std::make_unique<Sine>(channels, rate, bits);
}

std::unique_ptr<TestSignal> makeWavSignal(const std::string& path, std::int32_t bits, std::string& why) {
  WavData wav;
  if (!readWav(path, wav, why)) {
    return nullptr;
  }
  return std::make_unique<WavSignal>(std::move(wav), bits);
}
