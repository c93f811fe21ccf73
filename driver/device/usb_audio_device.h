#pragma once

#include <abi/kernel.h>
#include <driver/device/device_table.h>
#include <driver/device/stream_ring.h>
#include <driver/stream/sample_converter.h>
#include <kxtools/inc/kxobject.h>
#include <kxtools/inc/kxstring.h>
#include <winapi/include/winapi.h>

#include <cstdint>
#include <memory>

class ChannelBuffer;
class KxRegistryKey;
class OrinControlModel;
class PyxisControlModel;

// One USB audio interface as the driver sees it: its names, descriptors, stream format, the
// converters of both directions and their shared transfer buffer, and the control model of
// its family. Devices live on the heap and are never moved: the kernel driver holds the
// stream block's address while streaming.
class UsbAudioDevice : public KxObject {
public:
  explicit UsbAudioDevice(std::uint32_t instanceId);
  UsbAudioDevice(const UsbAudioDevice&) = delete;
  UsbAudioDevice& operator=(const UsbAudioDevice&) = delete;
  ~UsbAudioDevice() override;

  virtual bool setStreaming(bool start, std::int32_t allowance, std::int32_t frames) = 0;
  virtual bool waitForData(StreamStatus& status) = 0;
  virtual void readStatus(StreamStatus& status) = 0;
  virtual bool readMixerState(kernel::MixerState& state) = 0;
  virtual bool writeMixerState(const kernel::MixerState& state) = 0;
  virtual bool setMmeMode(bool flag) = 0;
  virtual bool setFormat(const kernel::StreamFormat& format) = 0;
  virtual void setSampleRate(std::uint32_t rate) = 0;
  virtual bool initialise(const KxRegistryKey& settingsKey);
  virtual bool classRequest(std::uint8_t direction, std::uint8_t type, std::uint8_t recipient,
                            std::uint8_t requestCode, std::uint16_t value, std::uint16_t index,
                            std::uint16_t length, std::uint8_t* data) = 0;
  virtual bool setTransferLength(std::uint32_t milliseconds) = 0;
  virtual bool getFormat(kernel::FormatReport& report) = 0;
  virtual std::uint32_t getClockSource() = 0;
  virtual bool setClockSource(std::uint32_t value) = 0;
  virtual void close(bool keepControl) = 0;
  virtual bool open() = 0;
  virtual bool isOpen() const = 0;
  virtual HANDLE controlHandle() const = 0;

  bool isFamily(int kind) const;
  bool canSampleRate(std::uint32_t rate);
  const KxString& productName();
  const KxString& manufacturerName() const { return manufacturerName_; }
  std::uint32_t instanceId() const { return instanceId_; }
  const kernel::DeviceDescriptorBlock& descriptors() const { return *descriptors_; }
  const kernel::StreamFormat& format() const { return format_; }

  void setupConverters(std::int32_t frames);
  // The capture ring into the host's input halves, and the host's output halves into the
  // playback ring; buffers holds one half per channel, count of them.
  void transferInput(ChannelBuffer* buffers, std::int32_t count, bool dither);
  void transferOutput(ChannelBuffer* buffers, std::int32_t count, bool dither);

  bool inputMonitorAvailable();
  bool setInputMonitor(bool on);

  // The family's control model, created by a successful initialise of an open device and
  // deleted, saving its settings, when the device closes or is destroyed. A control panel
  // page keeps the weak reference while it is shown and locks it only for the length of one
  // call: once the device has deleted the model the lock yields none, never a dangling model.
  std::weak_ptr<OrinControlModel> orinModel() const { return orinModel_; }
  std::weak_ptr<PyxisControlModel> pyxisModel() const { return pyxisModel_; }

  // The block shared with the kernel driver while streaming.
  virtual kernel::StreamBlock& streamBlock() = 0;

protected:
  // The frames the converters were last set up for: the output side's, else the input's.
  std::int32_t converterFrames() const;
  // Deletes both models, which save their settings and send their last requests: an
  // implementation calls it while it can still send class requests, at the latest in its
  // own destructor.
  void deleteControlModels();

  KxString manufacturerName_;
  KxString productName_;
  std::unique_ptr<kernel::DeviceDescriptorBlock> descriptors_;
  DeviceTraits traits_;

private:
  std::uint32_t instanceId_;
  kernel::StreamFormat format_{};
  std::unique_ptr<std::uint8_t[]> transferBuffer_;
  std::uint32_t transferSize_ = 0;
  SampleConverter outputConverter_;
  SampleConverter inputConverter_;
  std::int16_t bufferFrames_ = 0;
  std::shared_ptr<OrinControlModel> orinModel_;
  std::shared_ptr<PyxisControlModel> pyxisModel_;
};
