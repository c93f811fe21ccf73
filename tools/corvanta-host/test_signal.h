#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the host plays: sample n of output channel c, as a signed value of the host's width.
// A signal is a pure function of (c, n), so the loopback check can ask it again afterwards.
class TestSignal {
public:
  virtual ~TestSignal() = default;
  virtual std::int32_t sample(std::int32_t channel, std::int64_t n) const = 0;
};

// A sine per channel (channel c at 250 × (c + 1) Hz), half of full scale, one second long
// and repeated, so it is exact at every sample.
std::unique_ptr<TestSignal> makeSine(std::int32_t channels, std::int32_t rate, std::int32_t bits);

// A PCM WAV file, looped; output channel c plays file channel c modulo the file's channels,
// rescaled to the host's width. Null with a reason when the file cannot be used.
std::unique_ptr<TestSignal> makeWavSignal(const std::string& path, std::int32_t bits, std::string& why);
