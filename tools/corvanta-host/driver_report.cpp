#include "driver_report.h"

#include <cstring>

const double kStandardRates[11] = {8000,  11025, 16000, 22050,  32000, 44100,
                                   48000, 88200, 96000, 176400, 192000};

namespace {

// Texts from a driver are fixed-size buffers; never trust the terminator.
std::string boundedText(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

void collectChannels(IASIO& driver, bool input, std::int32_t count, DriverReport& report) {
  for (std::int32_t c = 0; c < count; ++c) {
    ASIOChannelInfo info{};
    info.channel = c;
    info.isInput = input ? ASIOTrue : ASIOFalse;
    DriverReport::Channel channel;
    channel.index = c;
    channel.input = input;
    channel.result = driver.getChannelInfo(&info);
    channel.name = boundedText(info.name, sizeof info.name);
    channel.type = info.type;
    channel.active = info.isActive != ASIOFalse;
    channel.group = info.channelGroup;
    report.channels.push_back(channel);
  }
}

} // namespace

DriverReport collectReport(IASIO& driver, void* sysHandle) {
  DriverReport report;
  char name[64] = {};
  driver.getDriverName(name);
  report.name = boundedText(name, 32);
  report.version = driver.getDriverVersion();
  report.initResult = driver.init(sysHandle);
  char error[256] = {};
  driver.getErrorMessage(error);
  report.errorMessage = boundedText(error, 124);

  driver.getChannels(&report.inputs, &report.outputs);
  collectChannels(driver, true, report.inputs, report);
  collectChannels(driver, false, report.outputs, report);
  driver.getLatencies(&report.inputLatency, &report.outputLatency);
  driver.getBufferSize(&report.minBufferSize, &report.maxBufferSize, &report.preferredBufferSize,
                       &report.bufferGranularity);
  driver.getSampleRate(&report.sampleRate);
  for (const double rate : kStandardRates) {
    report.rates.push_back({rate, driver.canSampleRate(rate)});
  }

  ASIOClockSource clocks[8] = {};
  std::int32_t count = 8;
  if (driver.getClockSources(clocks, &count) == ASE_OK) {
    for (std::int32_t i = 0; i < count && i < 8; ++i) {
      report.clocks.push_back({clocks[i].index, boundedText(clocks[i].name, sizeof clocks[i].name),
                               clocks[i].isCurrentSource != ASIOFalse});
    }
  }
  return report;
}
