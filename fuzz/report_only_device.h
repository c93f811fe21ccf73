#pragma once

// A device that answers only the format request, with a report and a descriptor image the
// fuzzer chooses; every other request fails. Enough for what the device layer decides from
// those two alone.
#include <driver/device/usb_audio_device.h>

#include <optional>

class ReportOnlyDevice final : public UsbAudioDevice {
public:
  ReportOnlyDevice() : UsbAudioDevice(1) {}

  kernel::DeviceDescriptorBlock& image() { return *descriptors_; }
  void setReport(std::optional<kernel::FormatReport> report) { report_ = report; }

  bool getFormat(kernel::FormatReport& report) override {
    if (report_) {
      report = *report_;
    }
    return report_.has_value();
  }

  bool setStreaming(bool, std::int32_t, std::int32_t) override { return false; }
  bool waitForData(StreamStatus&) override { return false; }
  void readStatus(StreamStatus&) override {}
  bool readMixerState(kernel::MixerState&) override { return false; }
  bool writeMixerState(const kernel::MixerState&) override { return false; }
  bool setMmeMode(bool) override { return false; }
  bool setFormat(const kernel::StreamFormat&) override { return false; }
  void setSampleRate(std::uint32_t) override {}
  bool classRequest(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint16_t, std::uint16_t,
                    std::uint16_t, std::uint8_t*) override {
    return false;
  }
  bool setTransferLength(std::uint32_t) override { return false; }
  std::uint32_t getClockSource() override { return 0; }
  bool setClockSource(std::uint32_t) override { return false; }
  void close(bool) override {}
  bool open() override { return false; }
  bool isOpen() const override { return false; }
  HANDLE controlHandle() const override { return INVALID_HANDLE_VALUE; }

protected:
  kernel::StreamBlock& streamBlock() override { return block_; }

private:
  std::optional<kernel::FormatReport> report_;
  kernel::StreamBlock block_{};
};
