#pragma once

#include <abi/asio.h>

#include <string>
#include <vector>

// Everything a driver reports through IASIO without streaming.
struct DriverReport {
  struct Channel {
    std::int32_t index = 0;
    bool input = false;
    ASIOError result = ASE_OK;
    std::string name;
    ASIOSampleType type = 0;
    bool active = false;
    std::int32_t group = 0;
  };
  struct Rate {
    double rate = 0;
    ASIOError canSampleRate = ASE_OK;
  };
  struct Clock {
    std::int32_t index = 0;
    std::string name;
    bool current = false;
  };

  std::string name;
  std::int32_t version = 0;
  ASIOBool initResult = ASIOFalse;
  std::string errorMessage;
  std::int32_t inputs = 0;
  std::int32_t outputs = 0;
  std::vector<Channel> channels;
  std::int32_t inputLatency = 0;
  std::int32_t outputLatency = 0;
  std::int32_t minBufferSize = 0;
  std::int32_t maxBufferSize = 0;
  std::int32_t preferredBufferSize = 0;
  std::int32_t bufferGranularity = 0;
  double sampleRate = 0;
  std::vector<Rate> rates;
  std::vector<Clock> clocks;
};

// The rates hosts commonly offer.
extern const double kStandardRates[11];

DriverReport collectReport(IASIO& driver, void* sysHandle);
