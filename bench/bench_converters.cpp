// One buffer's conversion in each direction next to memcpy of the same stream bytes: the
// same width on both sides, and the narrowing pairs where dither adds noise.
#include <driver/stream/sample_converter.h>
#include <driver/stream/sample_width.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

struct Shape {
  int channels;
  int frames;
};
constexpr Shape kShapes[] = {{8, 32}, {2, 256}};
constexpr int kWidths[] = {16, 24, 32};

struct Rig {
  SampleConverter converter;
  std::vector<ChannelBuffer> host;

  Rig(int channels, int frames, int deviceBits, int hostBits) : host(static_cast<std::size_t>(channels)) {
    converter.setup(nullptr, channels, deviceBits, frames, false, false, false);
    for (int i = 0; i < converter.byteCount(); ++i) {
      converter.data()[i] = static_cast<std::uint8_t>(i * 37);
    }
    for (ChannelBuffer& buffer : host) {
      buffer.allocate(hostBits, frames);
      for (int i = 0; i < buffer.size(); ++i) {
        buffer.data()[i] = static_cast<std::uint8_t>(i * 53);
      }
    }
  }
};

// Arguments: channels, frames, device bits, host bits, dither.
template <bool Capture>
void BM_Convert(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  const bool dither = state.range(4) != 0;
  Rig rig(channels, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
          static_cast<int>(state.range(3)));
  for (auto _ : state) {
    const bool done = Capture ? rig.converter.toHost(rig.host.data(), channels, dither)
                              : rig.converter.fromHost(rig.host.data(), channels, dither);
    benchmark::DoNotOptimize(done);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * rig.converter.byteCount());
}

// Arguments: channels, frames, device bits.
void BM_Memcpy(benchmark::State& state) {
  const std::size_t bytes =
      static_cast<std::size_t>(state.range(0) * state.range(1)) *
      static_cast<std::size_t>(bytesPerSample(static_cast<std::int32_t>(state.range(2))));
  std::vector<std::uint8_t> from(bytes, 0x5A);
  std::vector<std::uint8_t> to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// The wider side comes first: the device when capturing, the host when playing back.
void conversionArgs(benchmark::internal::Benchmark* b, bool capture) {
  struct Pair {
    int wide;
    int narrow;
  };
  const Pair narrowing[] = {{24, 16}, {32, 16}, {32, 24}};
  b->ArgNames({"channels", "frames", "device", "host", "dither"});
  for (const Shape& shape : kShapes) {
    for (int dither : {0, 1}) {
      for (int bits : kWidths) {
        b->Args({shape.channels, shape.frames, bits, bits, dither});
      }
      for (const Pair& pair : narrowing) {
        b->Args({shape.channels, shape.frames, capture ? pair.wide : pair.narrow,
                 capture ? pair.narrow : pair.wide, dither});
      }
    }
  }
}

void memcpyArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"channels", "frames", "device"});
  for (const Shape& shape : kShapes) {
    for (int bits : kWidths) {
      b->Args({shape.channels, shape.frames, bits});
    }
  }
}

} // namespace

BENCHMARK(BM_Memcpy)->Apply(memcpyArgs);
BENCHMARK(BM_Convert<true>)->Name("BM_ToHost")->Apply([](benchmark::internal::Benchmark* b) {
  conversionArgs(b, true);
});
BENCHMARK(BM_Convert<false>)->Name("BM_FromHost")->Apply([](benchmark::internal::Benchmark* b) {
  conversionArgs(b, false);
});
