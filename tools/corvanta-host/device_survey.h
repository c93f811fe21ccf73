#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the kernel driver offers, as the driver's device layer reads it: each device's names,
// family, current format and the formats its descriptors list.
struct SurveyedFormat {
  std::uint32_t configuration = 0;
  std::uint32_t interfaceIndex = 0;
  std::uint32_t alternateSetting = 0;
  bool output = false; // the endpoint direction
  std::uint32_t bits = 0;
  std::uint32_t channels = 0;
  bool continuous = false;
  std::uint32_t minRate = 0;
  std::uint32_t maxRate = 0;
  std::vector<std::uint32_t> rates;
};

struct SurveyedDevice {
  std::string path;
  std::uint32_t instance = 0;
  std::string manufacturer;
  std::string product;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  int family = -1; // -1: none of the families
  bool open = false;
  bool hasFormat = false;
  std::uint32_t rate = 0;
  std::uint32_t inputChannels = 0;
  std::uint32_t inputBits = 0;
  std::uint32_t outputChannels = 0;
  std::uint32_t outputBits = 0;
  std::uint32_t configuration = 0;
  std::uint32_t transferMs = 0;
  std::vector<std::uint32_t> supportedRates; // the driver's canSampleRate among the standard rates
  std::vector<SurveyedFormat> formats;
};

// Opens every present device of the kernel driver's class, reads it and closes it again.
std::vector<SurveyedDevice> surveyDevices();
