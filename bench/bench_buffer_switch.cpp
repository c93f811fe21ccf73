// One buffer switch as the driver does it, without the host's callback: the clock's tick,
// the capture ring into the host's input halves, the output halves into the playback ring.
// 8 channels x 32 frames of 24 bits both ways, on a simulated device.
#include <devsim/include/devsim.h>
#include <driver/device/kernel_audio_device.h>
#include <driver/host/driver_identity.h>
#include <driver/host/registry_key.h>
#include <driver/stream/channel_buffer.h>
#include <driver/stream/stream_clock.h>
#include <winapi/include/emu/kxemu.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

constexpr std::int32_t kChannels = 8;
constexpr std::int32_t kFrames = 32;
constexpr std::int32_t kBits = 24;
constexpr std::size_t kBlockBytes = kChannels * kFrames * 3;

struct SwitchRig {
  SwitchRig() {
    char pattern[] = "/tmp/corvanta-bench-root-XXXXXX";
    root = mkdtemp(pattern);
    kxemu::setSystemRoot(root);
    devsim::reset();
    devsim::setClockMode(devsim::ClockMode::Stepped);
    const devsim::DeviceId id = devsim::plug("eight-channel");
    device = std::make_unique<KernelAudioDevice>(KxString(devsim::device(id)->devicePath.c_str()), id);
    device->initialise(KxRegistryKey(KxString(kSettingsPath)));
    device->setFormat({96000, kChannels, kBits, kChannels, kBits, 0});
    device->setupConverters(kFrames);
    device->setStreaming(true, 1000, kFrames);
    for (int c = 0; c < kChannels; ++c) {
      inputs[c].allocate(kBits, kFrames);
      outputs[c].allocate(kBits, kFrames);
    }
    clock.reset(kFrames, 96000, 64);
  }
  ~SwitchRig() {
    device.reset();
    devsim::reset();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  // What the kernel driver would have done by the next wake-up: a block to capture, room
  // to play.
  void refill() {
    kernel::StreamBlock& block = device->streamBlock();
    kernel::shared(block.capture.fillCount).store(kernel::kRingCapacity);
    kernel::shared(block.playback.fillCount).store(0);
  }

  std::string root;
  std::unique_ptr<KernelAudioDevice> device;
  ChannelBuffer inputs[kChannels];
  ChannelBuffer outputs[kChannels];
  StreamClock clock;
};

void BM_BufferSwitch(benchmark::State& state) {
  SwitchRig rig;
  for (auto _ : state) {
    rig.refill();
    rig.clock.tick(StreamClock::systemTimeNs());
    rig.device->transferInput(rig.inputs, kChannels, false);
    rig.device->transferOutput(rig.outputs, kChannels, false);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlockBytes * 2));
}

// The bytes a switch moves, copied once each way.
void BM_MemcpyOfASwitch(benchmark::State& state) {
  std::vector<std::uint8_t> from(kBlockBytes * 2, 1);
  std::vector<std::uint8_t> to(kBlockBytes * 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kBlockBytes);
    std::memcpy(to.data() + kBlockBytes, from.data() + kBlockBytes, kBlockBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlockBytes * 2));
}

} // namespace

BENCHMARK(BM_BufferSwitch);
BENCHMARK(BM_MemcpyOfASwitch);
