// Arbitrary requests to the simulated kernel driver, with arbitrary sizes and contents, on
// devices with and without controllers and mixer: whatever the caller passes, devsim reads
// and writes only inside the buffers it was given. Each step of the input picks a device, a
// handle, a request and an output size, and fills the buffers from the input. Streams run
// only on the fuzzer's own block, in stepped mode.
#include <abi/kernel.h>
#include <devsim/include/devsim.h>
#include <devsim/include/devsim_c.h>

#include "fuzz_input.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

const std::uint32_t kCodes[] = {
    kernel::kRequestManufacturerName, kernel::kRequestProductName,    kernel::kRequestClass,
    kernel::kRequestDescriptors,      kernel::kRequestGetFormat,      kernel::kRequestSetTransferLength,
    kernel::kRequestSetFormat,        kernel::kRequestStream,         kernel::kRequestInterfaceVersion,
    kernel::kRequestGetClockSource,   kernel::kRequestSetClockSource, kernel::kRequestMmeMode,
    kernel::kRequestWriteMixerState,  kernel::kRequestReadMixerState, 0x220010,
};
const char* const kProfiles[] = {"orin-unit4", "pyxis-1", "mixer", "eight-channel"};

struct Opened {
  HANDLE control;
  HANDLE streaming;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  devsim::reset();
  devsim::setClockMode(devsim::ClockMode::Stepped);
  const kernel::KernelAccess& kernelCalls = *devsimKernelAccess();
  std::vector<Opened> devices;
  for (const char* profile : kProfiles) {
    const std::string path = devsim::device(devsim::plug(profile))->devicePath;
    devices.push_back(
        {kernelCalls.open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0),
         kernelCalls.open((path + "\\IO").c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0)});
  }
  auto block = std::make_unique<kernel::StreamBlock>();
  std::memset(block.get(), 0, sizeof *block);

  FuzzInput input(data, size);
  while (!input.done()) {
    const Opened& device = devices[input.byte() % devices.size()];
    const std::uint8_t pick = input.byte();
    const std::uint32_t code = kCodes[pick % std::size(kCodes)];
    const bool streaming = (pick & 0x80) != 0;
    const DWORD outSize = input.half() * 3; // up to beyond the largest block
    const DWORD inSize = input.byte();
    std::vector<std::uint8_t> in(inSize);
    std::vector<std::uint8_t> out(outSize);
    input.fill(in.data(), in.size());
    input.fill(out.data(), std::min<std::size_t>(out.size(), 64));
    if (code == kernel::kRequestStream && out.size() >= sizeof(kernel::StreamStartRequest)) {
      kernel::StreamStartRequest request{};
      request.start = out[0] & 1;
      request.blockAddress = request.start ? reinterpret_cast<std::uintptr_t>(block.get()) : 0;
      std::memcpy(out.data(), &request, sizeof request); // the kernel trusts the address it is given
    }
    DWORD returned = 0;
    kernelCalls.ioControl(streaming ? device.streaming : device.control, code,
                          in.empty() ? nullptr : in.data(), inSize, out.empty() ? nullptr : out.data(),
                          outSize, &returned);
    if (returned > outSize) {
      __builtin_trap();
    }
    devsim::advance(input.byte() % 8);
  }
  for (const Opened& device : devices) {
    kernelCalls.close(device.streaming);
    kernelCalls.close(device.control);
  }
  devsim::reset();
  return 0;
}
