#pragma once

#include <driver/device/usb_audio_device.h>

#include <memory>

// The device as the maker's kernel driver offers it: a control handle on the device path, a
// streaming handle on the path followed by "\IO", and the stream block shared while
// streaming.
class KernelAudioDevice final : public UsbAudioDevice {
public:
  KernelAudioDevice(const KxString& path, std::uint32_t instanceId);
  ~KernelAudioDevice() override;

  bool setStreaming(bool start, std::int32_t allowance, std::int32_t frames) override;
  bool waitForData(StreamStatus& status) override;
  void readStatus(StreamStatus& status) override;
  bool readMixerState(kernel::MixerState& state) override;
  bool writeMixerState(const kernel::MixerState& state) override;
  bool setMmeMode(bool flag) override;
  bool setFormat(const kernel::StreamFormat& format) override;
  void setSampleRate(std::uint32_t rate) override;
  bool initialise(const KxRegistryKey& settingsKey) override;
  bool classRequest(std::uint8_t direction, std::uint8_t type, std::uint8_t recipient,
                    std::uint8_t requestCode, std::uint16_t value, std::uint16_t index, std::uint16_t length,
                    std::uint8_t* data) override;
  bool setTransferLength(std::uint32_t milliseconds) override;
  bool getFormat(kernel::FormatReport& report) override;
  std::uint32_t getClockSource() override;
  bool setClockSource(std::uint32_t value) override;
  void close(bool keepControl) override;
  bool open() override;
  bool isOpen() const override;
  HANDLE controlHandle() const override { return control_; }

  kernel::StreamBlock& streamBlock() override { return *block_; }
  const KxString& path() const { return path_; }
  bool isStreaming() const { return streaming_; }

private:
  // One request; `returned` (optional) receives the bytes that came back.
  bool request(HANDLE handle, std::uint32_t code, void* in, std::uint32_t inSize, void* out,
               std::uint32_t outSize, std::uint32_t* returned = nullptr);
  bool setValue(HANDLE handle, std::uint32_t code, std::uint32_t value);

  HANDLE control_ = INVALID_HANDLE_VALUE;
  HANDLE streamingHandle_ = INVALID_HANDLE_VALUE;
  HANDLE event_ = nullptr;
  bool streaming_ = false;
  std::int16_t streamFrames_ = 256;
  kernel::FormatReport startReport_{};
  std::unique_ptr<kernel::StreamBlock> block_;
  KxString path_;
};
