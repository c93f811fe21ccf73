#pragma once

#include <abi/asio.h>

// Names of ASIO codes for reports.
const char* sampleTypeName(ASIOSampleType type);
const char* errorName(ASIOError code);
