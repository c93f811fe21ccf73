#include "stream_analysis.h"

#include "wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

IntervalStats intervalStats(const std::vector<std::int64_t>& timesNs, double nominalUs) {
  IntervalStats s;
  s.nominalUs = nominalUs;
  // Bins in multiples of the nominal period.
  const double edges[] = {0.25, 0.5, 0.75, 0.9, 1.1, 1.25, 1.5, 2.0, 3.0};
  constexpr std::size_t kBins = std::size(edges) + 1;
  std::vector<std::int64_t> counts(kBins, 0);
  double sum = 0;
  double squares = 0;
  for (std::size_t i = 1; i < timesNs.size(); ++i) {
    const double us = static_cast<double>(timesNs[i] - timesNs[i - 1]) / 1000.0;
    s.minUs = s.count == 0 ? us : std::min(s.minUs, us);
    s.maxUs = std::max(s.maxUs, us);
    sum += us;
    squares += us * us;
    ++s.count;
    if (nominalUs > 0 && us > 2.0 * nominalUs) {
      ++s.late;
    }
    const double ratio = nominalUs > 0 ? us / nominalUs : 0;
    counts[static_cast<std::size_t>(std::upper_bound(std::begin(edges), std::end(edges), ratio) -
                                    std::begin(edges))]++;
  }
  if (s.count > 0) {
    s.meanUs = sum / static_cast<double>(s.count);
    s.stddevUs = std::sqrt(std::max(0.0, squares / static_cast<double>(s.count) - s.meanUs * s.meanUs));
  }
  for (std::size_t b = 0; b < kBins; ++b) {
    char label[32];
    if (b == 0) {
      std::snprintf(label, sizeof label, "< %.2f", edges[0]);
    } else if (b == kBins - 1) {
      std::snprintf(label, sizeof label, ">= %.2f", edges[b - 1]);
    } else {
      std::snprintf(label, sizeof label, "%.2f-%.2f", edges[b - 1], edges[b]);
    }
    s.histogram.push_back({label, counts[b]});
  }
  return s;
}

LoopbackResult checkLoopback(const std::vector<std::uint8_t>& recording, std::int32_t sampleBytes,
                             const TestSignal& signal, std::int32_t input, std::int32_t output,
                             std::int64_t playedFrames) {
  LoopbackResult r;
  r.input = input;
  r.output = output;
  const auto frames = static_cast<std::int64_t>(recording.size()) / sampleBytes;
  auto recorded = [&](std::int64_t n) { return readSample(recording.data() + n * sampleBytes, sampleBytes); };
  // Where the played signal starts: the first place its opening samples come back whole.
  constexpr std::int64_t kWindow = 64;
  for (std::int64_t lag = 0; lag + kWindow <= frames && !r.found; ++lag) {
    std::int64_t i = 0;
    while (i < kWindow && recorded(lag + i) == signal.sample(output, i)) {
      ++i;
    }
    if (i == kWindow) {
      r.found = true;
      r.lag = lag;
    }
  }
  if (!r.found) {
    return r;
  }
  for (std::int64_t i = 0; r.lag + i < frames && i < playedFrames; ++i, ++r.compared) {
    if (recorded(r.lag + i) != signal.sample(output, i)) {
      if (r.mismatches++ == 0) {
        r.firstMismatch = i;
      }
    }
  }
  return r;
}
