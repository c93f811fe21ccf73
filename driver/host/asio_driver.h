#pragma once

#include <abi/asio.h>
#include <driver/host/registry_key.h>
#include <driver/host/unknown_base.h>
#include <driver/stream/channel_buffer.h>
#include <driver/stream/stream_clock.h>
#include <driver/stream/stream_thread.h>

#include <atomic>
#include <cstdint>
#include <memory>

class KxDeviceManager;
class UsbAudioDevice;
struct StreamStatus;

// The ASIO driver object: one per host. IASIO is its first base, so the object's address
// is the IASIO interface that hosts cast the created pointer to.
class AsioDriver final : public IASIO, public KxUnknown {
public:
  static constexpr std::int32_t kMaxChannels = 8;

  AsioDriver(IUnknown* outer, HRESULT* result);
  ~AsioDriver() override;
  // The class factory's creation function: the new object's non-delegating IUnknown.
  static IUnknown* create(IUnknown* outer, HRESULT* result);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  ASIOBool init(void* sysHandle) override;
  void getDriverName(char* name) override;
  std::int32_t getDriverVersion() override;
  void getErrorMessage(char* text) override;
  ASIOError start() override;
  ASIOError stop() override;
  ASIOError getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) override;
  ASIOError getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) override;
  ASIOError getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                          std::int32_t* granularity) override;
  ASIOError canSampleRate(ASIOSampleRate sampleRate) override;
  ASIOError getSampleRate(ASIOSampleRate* sampleRate) override;
  ASIOError setSampleRate(ASIOSampleRate sampleRate) override;
  ASIOError getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) override;
  ASIOError setClockSource(std::int32_t reference) override;
  ASIOError getSamplePosition(ASIOSamples* samplePosition, ASIOTimeStamp* timeStamp) override;
  ASIOError getChannelInfo(ASIOChannelInfo* info) override;
  ASIOError createBuffers(ASIOBufferInfo* bufferInfos, std::int32_t numChannels, std::int32_t bufferSize,
                          ASIOCallbacks* callbacks) override;
  ASIOError disposeBuffers() override;
  ASIOError controlPanel() override;
  ASIOError future(std::int32_t selector, void* opt) override;
  ASIOError outputReady() override;

  // Asks the host to reload the driver, or tells the user to restart it when the host
  // cannot.
  void requestReset();
  // The latencies of the current device's format; with notify the host hears of a change.
  void updateLatencies(bool notify);

  // Called by the device manager after its current device, or its list, changed.
  void deviceChanged();
  void devicesChanged();
  void restartStreaming();
  // Called by the device manager before it closes a device: the streaming thread lets go of
  // it first.
  void deviceLeaving(UsbAudioDevice* device);

  // The streaming thread's work: start the device's stream, then after each wake-up as many
  // buffer switches as the device's counters allow.
  void prepareStream();
  void runBufferSwitches(StreamStatus& status);
  KxDeviceManager* deviceManager() const { return deviceManager_.get(); }

  const KxRegistryKey& settingsKey() const { return settingsKey_; }
  std::int32_t bufferSize() const { return bufferSize_; }
  std::int32_t sleepPeriod() const { return sleepPeriod_; }
  std::int32_t resolution() const { return resolution_; }
  std::int32_t performanceMode() const { return performanceMode_; }
  bool useDithering() const { return useDithering_; }
  void setUseDithering(bool on);
  // The byte-order flag, read from the registry at every call.
  bool swapLsbMsb() const;
  bool restartPending() const { return restartPending_; }
  const ASIOTime& asioTime() const { return asioTime_; }

  // The window handle of the latest init, the control panel's parent.
  static HWND parentWindow();

protected:
  HRESULT nonDelegatingQueryInterface(REFIID iid, void** object) override;

private:
  void readSettings();
  void releaseBuffers();
  bool allocateHalves(ChannelBuffer (&halves)[2][kMaxChannels], std::int32_t channels);
  void makeCurrentClockSource(std::int32_t index);
  void takeDeviceFormat(UsbAudioDevice& device);
  void doBufferSwitch(UsbAudioDevice& device);
  UsbAudioDevice* currentDevice() const;

  std::unique_ptr<KxDeviceManager> deviceManager_;
  std::int32_t bufferSize_ = 0;
  bool useDithering_ = false;
  std::int32_t performanceMode_ = 0;
  StreamClock clock_;
  std::int32_t resolution_ = 16;
  double sampleRate_ = 44100.0;
  std::atomic<ASIOCallbacks*> callbacks_{nullptr};
  ASIOTime asioTime_{};
  // [half][channel]: half 0 is the host's buffers[0].
  ChannelBuffer inputBuffers_[2][kMaxChannels];
  ChannelBuffer outputBuffers_[2][kMaxChannels];
  std::int32_t inputMap_[kMaxChannels] = {};
  std::int32_t outputMap_[kMaxChannels] = {};
  std::atomic<std::int32_t> bufferIndex_{0};
  std::int32_t latencyAllowance_ = 0;
  std::int32_t inputLatency_ = 0;
  std::int32_t outputLatency_ = 0;
  std::int32_t activeInputs_ = 0;
  std::int32_t activeOutputs_ = 0;
  std::int32_t numInputs_ = 0;
  std::int32_t numOutputs_ = 0;
  bool simulatedOutputs_ = false;
  std::int32_t sleepPeriod_ = 1;
  bool initialised_ = false;
  std::atomic<bool> running_{false};
  bool timeCodeRead_ = false;
  char errorMessage_[128] = {};
  bool restartPending_ = false;
  std::int32_t preferredBufferSize_ = 0;
  std::int32_t maxSwitchesPerWake_ = 2;
  std::int32_t transferMs_ = 0;
  // The outputReady protocol: flags written by the host's calls and read by the switch.
  std::atomic<bool> outputReadyFlag_{false};
  std::atomic<bool> hostUsesOutputReady_{false};
  std::atomic<bool> outputReadySeen_{false};
  ASIOClockSource clockSources_[2] = {};
  KxRegistryKey settingsKey_;
  StreamThread thread_;
};
