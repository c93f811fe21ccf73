// Every conversion member, one buffer of 8 channels × 256 frames, next to memcpy of the same
// stream bytes. Each member's rate is also printed as a share of that memcpy's
// ("of_memcpy"), so the table needs no arithmetic afterwards.
#include <abi/kernel.h>
#include <driver/stream/convert_members.h>
#include <driver/stream/sample_converter.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kChannels = 8;
constexpr int kFrames = 256;

struct Device {
  const char* name;
  int bits;
  bool bigEndian24;
  bool msbLsbMid24;
};
constexpr Device kDevices[] = {
    {"D16", 16, false, false},  {"D20", 20, false, false},  {"D24", 24, false, false},
    {"D24be", 24, true, false}, {"D24mix", 24, true, true}, {"D32", 32, false, false},
};
constexpr int kHostWidths[] = {16, 24, 32};

std::int32_t streamBytes(int deviceBits) { return kChannels * kFrames * kernel::bytesPerSample(deviceBits); }

struct Rig {
  SampleConverter converter;
  std::vector<ChannelBuffer> host;

  Rig(const Device& device, int hostBits) : host(kChannels) {
    converter.setup(nullptr, kChannels, device.bits, kFrames, device.bigEndian24, device.msbLsbMid24, false);
    for (int i = 0; i < converter.byteCount(); ++i) {
      converter.data()[i] = static_cast<std::uint8_t>(i * 37);
    }
    for (ChannelBuffer& buffer : host) {
      buffer.allocate(hostBits, kFrames);
      for (int i = 0; i < buffer.size(); ++i) {
        buffer.data()[i] = static_cast<std::uint8_t>(i * 53);
      }
    }
  }
};

template <bool Capture>
void convert(benchmark::State& state, Device device, int hostBits, bool dither) {
  Rig rig(device, hostBits);
  for (auto _ : state) {
    const bool done = Capture ? rig.converter.toHost(rig.host.data(), kChannels, dither)
                              : rig.converter.fromHost(rig.host.data(), kChannels, dither);
    benchmark::DoNotOptimize(done);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * rig.converter.byteCount());
}

void copy(benchmark::State& state, std::int32_t bytes) {
  std::vector<std::uint8_t> from(static_cast<std::size_t>(bytes), 0x5A);
  std::vector<std::uint8_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}

// Stream bytes of every registered benchmark, by name; memcpy's own are listed apart.
std::map<std::string, std::int32_t> bytesOf;
std::map<std::string, std::int32_t> memcpyBytesOf;

std::string memcpyName(std::int32_t bytes) { return "Memcpy/" + std::to_string(bytes) + "B"; }

std::string memberName(bool capture, const Device& device, int hostBits, bool dither) {
  const std::string host = "H" + std::to_string(hostBits);
  return std::string(capture ? "ToHost/" : "FromHost/") +
         (capture ? device.name + (">" + host) : host + ">" + device.name) + (dither ? "/dither" : "");
}

// A dithered member is listed only where the tables dither: elsewhere the lookup gives the
// plain member for both.
bool dithers(bool capture, const Device& device, int hostBits) {
  const DeviceFormat format = deviceFormatOf(device.bits, device.bigEndian24, device.msbLsbMid24);
  return capture ? findToHostMember(format, hostBits, true) != findToHostMember(format, hostBits, false)
                 : findFromHostMember(format, hostBits, true) != findFromHostMember(format, hostBits, false);
}

void registerMember(bool capture, const Device& device, int hostBits, bool dither) {
  const std::string name = memberName(capture, device, hostBits, dither);
  bytesOf[name] = streamBytes(device.bits);
  benchmark::RegisterBenchmark(name.c_str(), capture ? &convert<true> : &convert<false>, device, hostBits,
                               dither);
}

void registerAll() {
  for (int bits : {16, 24, 32}) {
    const std::int32_t bytes = streamBytes(bits);
    memcpyBytesOf[memcpyName(bytes)] = bytes;
    benchmark::RegisterBenchmark(memcpyName(bytes).c_str(), &copy, bytes);
  }
  for (bool capture : {true, false}) {
    for (const Device& device : kDevices) {
      for (int hostBits : kHostWidths) {
        registerMember(capture, device, hostBits, false);
        if (dithers(capture, device, hostBits)) {
          registerMember(capture, device, hostBits, true);
        }
      }
    }
  }
}

// The console report with one more column: the member's rate over memcpy's for the same
// bytes, per kind of result (single run, mean, median, ...). Memcpy is registered first, so
// its rates are known before any member's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown = runs;
    for (Run& run : shown) {
      const std::string& name = run.run_name.function_name;
      const auto rate = run.counters.find("bytes_per_second");
      if (rate == run.counters.end()) {
        continue;
      }
      if (const auto copy = memcpyBytesOf.find(name); copy != memcpyBytesOf.end()) {
        memcpyRates_[{copy->second, run.aggregate_name}] = rate->second.value;
      } else if (const auto member = bytesOf.find(name); member != bytesOf.end()) {
        const auto copyRate = memcpyRates_.find({member->second, run.aggregate_name});
        if (copyRate != memcpyRates_.end() && copyRate->second > 0) {
          run.counters["of_memcpy"] = rate->second.value / copyRate->second;
        }
      }
    }
    ConsoleReporter::ReportRuns(shown);
  }

private:
  std::map<std::pair<std::int32_t, std::string>, double> memcpyRates_;
};

} // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
