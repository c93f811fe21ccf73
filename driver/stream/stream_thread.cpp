#include <abi/kernel.h>
#include <driver/device/device_manager.h>
#include <driver/device/usb_audio_device.h>
#include <driver/host/asio_driver.h>
#include <driver/stream/stream_thread.h>

namespace {
constexpr DWORD kStartWaitMs = 10000;
constexpr DWORD kSettleMs = 50;
constexpr DWORD kNoDataPauseMs = 100;
constexpr DWORD kStopWaitMs = 1000;
} // namespace

StreamThread::StreamThread() : startEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

StreamThread::~StreamThread() {
  stopThread();
  if (startEvent_ != nullptr) {
    CloseHandle(startEvent_);
  }
}

void StreamThread::startThread(AsioDriver* owner, bool useDevice) {
  if (running_.load(std::memory_order_acquire)) {
    return;
  }
  owner_ = owner;
  if (owner_ == nullptr) {
    return;
  }
  if (thread_ != nullptr) {
    // A thread that did not end in time when it was last stopped: its handle goes now.
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  running_ = true;
  useDevice_ = useDevice;
  thread_ = CreateThread(nullptr, 0, &StreamThread::routine, this, 0, nullptr);
  if (thread_ == nullptr) {
    running_ = false;
    return;
  }
  SetThreadPriority(thread_, kPriority);
}

void StreamThread::signalStart() {
  if (startEvent_ != nullptr) {
    SetEvent(startEvent_);
  }
}

bool StreamThread::stopThread() {
  if (!running_.exchange(false, std::memory_order_acq_rel)) {
    return false;
  }
  if (thread_ != nullptr && WaitForSingleObject(thread_, kStopWaitMs) == WAIT_OBJECT_0) {
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  return true;
}

DWORD WINAPI StreamThread::routine(LPVOID self) {
  static_cast<StreamThread*>(self)->run();
  return 0;
}

void StreamThread::run() {
  if (startEvent_ == nullptr || owner_ == nullptr ||
      WaitForSingleObject(startEvent_, kStartWaitMs) != WAIT_OBJECT_0) {
    return;
  }
  Sleep(kSettleMs);
  const DWORD period = static_cast<DWORD>(owner_->sleepPeriod());
  owner_->prepareStream();
  StreamStatus status;
  UsbAudioDevice* reportedGone = nullptr;
  while (running_.load(std::memory_order_acquire)) {
    UsbAudioDevice* device = useDevice_ ? owner_->deviceManager()->currentDevice() : nullptr;
    if (device != nullptr) {
      if (!device->waitForData(status)) {
        Sleep(kNoDataPauseMs);
      }
      if (status.state == static_cast<std::int32_t>(kernel::kStreamStateGone) && device != reportedGone) {
        // The list belongs to the host's thread: the removal is handed to it.
        owner_->deviceManager()->reportGone(device);
        reportedGone = device;
      }
    } else {
      Sleep(period);
    }
    owner_->runBufferSwitches(status);
  }
}
