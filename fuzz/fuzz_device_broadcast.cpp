// The device manager's window procedure under arbitrary device-change broadcasts: any event
// code, with no record or a record of any bytes (as long as it holds what its header
// claims), naming any device node or one of the simulated devices. The input's first byte
// plugs none, one or two simulated devices before the driver starts; then each step either
// sends one broadcast to the manager's window or unplugs or replugs a device (which makes
// the system broadcast too). After every step the manager has a current device exactly
// when it lists any, and only the query for removal is ever denied.
#include <devsim/include/devsim.h>
#include <driver/device/device_manager.h>
#include <driver/host/asio_driver.h>
#include <driver/host/driver_identity.h>
#include <winapi/include/emu/kxemu.h>

#include "fuzz_input.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr WPARAM kEvents[] = {
    DBT_DEVNODES_CHANGED,        DBT_QUERYCHANGECONFIG,   DBT_CONFIGCHANGED,
    DBT_CONFIGCHANGECANCELED,    DBT_DEVICEARRIVAL,       DBT_DEVICEQUERYREMOVE,
    DBT_DEVICEQUERYREMOVEFAILED, DBT_DEVICEREMOVEPENDING, DBT_DEVICEREMOVECOMPLETE,
    DBT_DEVICETYPESPECIFIC,      DBT_CUSTOMEVENT,         DBT_USERDEFINED,
};
const char* const kProfiles[] = {"generic", "outputs-only"};
constexpr std::size_t kNodeOffset = 12;

void check(bool holds) {
  if (!holds) {
    __builtin_trap();
  }
}

std::string systemRoot;

void removeSystemRoot() {
  std::error_code ignored;
  std::filesystem::remove_all(systemRoot, ignored);
}

// The driver object the way a host gets it: made by the class factory, asked for IASIO.
AsioDriver* startDriver() {
  HRESULT result = S_OK;
  IUnknown* inner = AsioDriver::create(nullptr, &result);
  if (inner == nullptr) {
    return nullptr;
  }
  inner->AddRef();
  void* object = nullptr;
  inner->QueryInterface(kDriverClassId, &object);
  inner->Release();
  auto* driver = static_cast<AsioDriver*>(static_cast<IASIO*>(object));
  if (driver != nullptr) {
    driver->init(nullptr);
  }
  return driver;
}

WPARAM eventOf(FuzzInput& input) {
  const std::uint8_t pick = input.byte();
  if (pick < 0xC0) {
    return kEvents[pick % std::size(kEvents)];
  }
  return pick < 0xE0 ? input.half() : input.word();
}

// A record of at least a header's bytes whose size field claims no more than it holds; the
// device node word, where there is one, may name a plugged device.
std::vector<std::uint8_t> recordOf(FuzzInput& input, const std::vector<devsim::DeviceId>& devices) {
  std::vector<std::uint8_t> record(sizeof(DEV_BROADCAST_HDR) + input.byte());
  input.fill(record.data(), record.size());
  DEV_BROADCAST_HDR header;
  std::memcpy(&header, record.data(), sizeof header);
  header.dbch_size = std::min<DWORD>(header.dbch_size, static_cast<DWORD>(record.size()));
  std::memcpy(record.data(), &header, sizeof header);
  const std::uint8_t node = input.byte();
  if (node < devices.size() && record.size() >= kNodeOffset + sizeof(DWORD)) {
    const DWORD id = devices[node];
    std::memcpy(record.data() + kNodeOffset, &id, sizeof id);
  }
  return record;
}

void broadcast(FuzzInput& input, HWND window, const std::vector<devsim::DeviceId>& devices) {
  const WPARAM event = eventOf(input);
  const bool withRecord = input.byte() % 4 != 0;
  std::vector<std::uint8_t> record;
  if (withRecord) {
    record = recordOf(input, devices);
  }
  const LRESULT answer =
      SendMessageA(window, WM_DEVICECHANGE, event, withRecord ? reinterpret_cast<LPARAM>(record.data()) : 0);
  check(answer != BROADCAST_QUERY_DENY || event == DBT_DEVICEQUERYREMOVE);
}

void plugOrUnplug(FuzzInput& input, const std::vector<devsim::DeviceId>& devices) {
  if (devices.empty()) {
    return;
  }
  const devsim::DeviceId id = devices[input.byte() % devices.size()];
  const auto info = devsim::device(id);
  if (info && info->present) {
    devsim::unplug(id);
  } else {
    devsim::replug(id);
  }
}

} // namespace

// Closing a device pauses around the stop request; here the pauses pass at once, or every
// input that removes a device would take more than half a second. This replaces the
// emulated system's Sleep for the whole process.
extern "C" void WINAPI Sleep(DWORD) {}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/corvanta-fuzz-root-XXXXXX";
  systemRoot = mkdtemp(pattern);
  kxemu::setSystemRoot(systemRoot);
  std::atexit(removeSystemRoot);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  devsim::reset();
  devsim::setClockMode(devsim::ClockMode::Stepped);
  FuzzInput input(data, size);
  std::vector<devsim::DeviceId> devices;
  for (std::uint8_t n = input.byte() % 3; n > 0; --n) {
    devices.push_back(devsim::plug(kProfiles[n % std::size(kProfiles)]));
  }
  AsioDriver* driver = startDriver();
  check(driver != nullptr && driver->deviceManager() != nullptr);
  KxDeviceManager& manager = *driver->deviceManager();
  check(manager.window() != nullptr);

  while (!input.done()) {
    if (input.byte() % 8 == 0) {
      plugOrUnplug(input, devices);
    } else {
      broadcast(input, manager.window(), devices);
    }
    check((manager.currentDevice() == nullptr) == (manager.count() == 0));
    check(manager.count() <= static_cast<std::int32_t>(devices.size()));
  }
  driver->Release();
  devsim::reset();
  return 0;
}
