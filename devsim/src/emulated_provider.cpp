// Linux: devsim as the emulated system's device provider. It registers itself when the
// library is loaded; the simulator itself is made on the first call that needs it.
#include <devsim/include/devsim.h>
#include <winapi/include/emu/device_provider.h>

#include "simulator.h"

namespace devsim {
namespace {

class EmulatedFile : public kxemu::DeviceFile {
public:
  explicit EmulatedFile(std::unique_ptr<KernelFile> file) : file_(std::move(file)) {}
  bool ioControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned,
                 DWORD& error) override {
    return file_->ioControl(code, in, inSize, out, outSize, returned, error);
  }

private:
  std::unique_ptr<KernelFile> file_;
};

class EmulatedProvider : public kxemu::DeviceProvider {
public:
  std::unique_ptr<kxemu::DeviceFile> open(const std::string& path, DWORD, DWORD, DWORD disposition, DWORD,
                                          DWORD& error) override {
    auto file = Simulator::instance().open(path, disposition, error);
    return file ? std::make_unique<EmulatedFile>(std::move(file)) : nullptr;
  }

  std::vector<kxemu::DeviceInterfaceRecord> interfaces(const GUID& interfaceClass,
                                                       bool presentOnly) override {
    std::vector<kxemu::DeviceInterfaceRecord> records;
    for (const InterfaceEntry& entry : Simulator::instance().interfaces(interfaceClass, presentOnly)) {
      records.push_back({entry.devicePath, entry.devInst, entry.setupClass, entry.instanceId, entry.present});
    }
    return records;
  }
};

[[maybe_unused]] const bool registeredAtLoad = install();

} // namespace

bool install() {
  kxemu::setDeviceProvider(std::make_shared<EmulatedProvider>());
  return true;
}

} // namespace devsim
