#pragma once

// The published ASIO host interface: the records, codes and the IASIO operations that
// hosts call and the driver implements. An ASIO "long" is 32 bits on every target.
#include <winapi/include/winapi.h>

#include <cstdint>

using ASIOBool = std::int32_t;
using ASIOError = std::int32_t;
using ASIOSampleRate = double;
using ASIOSampleType = std::int32_t;

constexpr ASIOBool ASIOFalse = 0;
constexpr ASIOBool ASIOTrue = 1;

// A 64-bit value split in two words, high word first.
struct ASIOSamples {
  std::uint32_t hi;
  std::uint32_t lo;
};
using ASIOTimeStamp = ASIOSamples;

enum : ASIOError {
  ASE_OK = 0,
  ASE_SUCCESS = 0x3f4847a0,
  ASE_NotPresent = -1000,
  ASE_HWMalfunction = -999,
  ASE_InvalidParameter = -998,
  ASE_InvalidMode = -997,
  ASE_SPNotAdvancing = -996,
  ASE_NoClock = -995,
  ASE_NoMemory = -994,
};

enum : ASIOSampleType {
  ASIOSTInt16MSB = 0,
  ASIOSTInt24MSB = 1,
  ASIOSTInt32MSB = 2,
  ASIOSTFloat32MSB = 3,
  ASIOSTFloat64MSB = 4,
  ASIOSTInt32MSB16 = 8,
  ASIOSTInt32MSB18 = 9,
  ASIOSTInt32MSB20 = 10,
  ASIOSTInt32MSB24 = 11,
  ASIOSTInt16LSB = 16,
  ASIOSTInt24LSB = 17,
  ASIOSTInt32LSB = 18,
  ASIOSTFloat32LSB = 19,
  ASIOSTFloat64LSB = 20,
  ASIOSTInt32LSB16 = 24,
  ASIOSTInt32LSB18 = 25,
  ASIOSTInt32LSB20 = 26,
  ASIOSTInt32LSB24 = 27,
};

struct ASIOClockSource {
  std::int32_t index;
  std::int32_t associatedChannel;
  std::int32_t associatedGroup;
  ASIOBool isCurrentSource;
  char name[32];
};

struct ASIOChannelInfo {
  std::int32_t channel;
  ASIOBool isInput;
  ASIOBool isActive;
  std::int32_t channelGroup;
  ASIOSampleType type;
  char name[32];
};

struct ASIOBufferInfo {
  ASIOBool isInput;
  std::int32_t channelNum;
  void* buffers[2];
};

enum : std::uint32_t {
  kSystemTimeValid = 1,
  kSamplePositionValid = 2,
  kSampleRateValid = 4,
  kSpeedValid = 8,
  kSampleRateChanged = 0x10,
  kClockSourceChanged = 0x20,
};

struct AsioTimeInfo {
  double speed;
  ASIOTimeStamp systemTime;
  ASIOSamples samplePosition;
  ASIOSampleRate sampleRate;
  std::uint32_t flags;
  char reserved[12];
};

enum : std::uint32_t {
  kTcValid = 1,
  kTcRunning = 2,
  kTcReverse = 4,
  kTcOnspeed = 8,
  kTcStill = 0x10,
  kTcSpeedValid = 0x100,
};

struct ASIOTimeCode {
  double speed;
  ASIOSamples timeCodeSamples;
  std::uint32_t flags;
  char future[64];
};

struct ASIOTime {
  std::int32_t reserved[4];
  AsioTimeInfo timeInfo;
  ASIOTimeCode timeCode;
};

// Host functions, default C calling convention.
struct ASIOCallbacks {
  void (*bufferSwitch)(std::int32_t doubleBufferIndex, ASIOBool directProcess);
  void (*sampleRateDidChange)(ASIOSampleRate rate);
  std::int32_t (*asioMessage)(std::int32_t selector, std::int32_t value, void* message, double* opt);
  ASIOTime* (*bufferSwitchTimeInfo)(ASIOTime* params, std::int32_t doubleBufferIndex, ASIOBool directProcess);
};

// asioMessage selectors (driver to host); a host answers 0 for "not handled".
enum : std::int32_t {
  kAsioSelectorSupported = 1,
  kAsioEngineVersion = 2,
  kAsioResetRequest = 3,
  kAsioBufferSizeChange = 4,
  kAsioResyncRequest = 5,
  kAsioLatenciesChanged = 6,
  kAsioSupportsTimeInfo = 7,
  kAsioSupportsTimeCode = 8,
  kAsioMMCCommand = 9,
  kAsioSupportsInputMonitor = 10,
  kAsioSupportsInputGain = 11,
  kAsioSupportsInputMeter = 12,
  kAsioSupportsOutputGain = 13,
  kAsioSupportsOutputMeter = 14,
  kAsioOverload = 15,
};

// future selectors (host to driver).
enum : std::int32_t {
  kAsioEnableTimeCodeRead = 1,
  kAsioDisableTimeCodeRead = 2,
  kAsioSetInputMonitor = 3,
  kAsioTransport = 4,
  kAsioSetInputGain = 5,
  kAsioGetInputMeter = 6,
  kAsioSetOutputGain = 7,
  kAsioGetOutputMeter = 8,
  kAsioCanInputMonitor = 9,
  kAsioCanTimeInfo = 10,
  kAsioCanTimeCode = 11,
  kAsioCanTransport = 12,
  kAsioCanInputGain = 13,
  kAsioCanInputMeter = 14,
  kAsioCanOutputGain = 15,
  kAsioCanOutputMeter = 16,
};

struct ASIOInputMonitor {
  std::int32_t input; // -1: all
  std::int32_t output;
  std::int32_t gain;
  ASIOBool state;
  std::int32_t pan;
};

// The driver's interface: IUnknown's three operations, then these 21 in published order.
struct IASIO : public IUnknown {
  virtual ASIOBool init(void* sysHandle) = 0;
  virtual void getDriverName(char* name) = 0;
  virtual std::int32_t getDriverVersion() = 0;
  virtual void getErrorMessage(char* text) = 0;
  virtual ASIOError start() = 0;
  virtual ASIOError stop() = 0;
  virtual ASIOError getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) = 0;
  virtual ASIOError getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) = 0;
  virtual ASIOError getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                  std::int32_t* granularity) = 0;
  virtual ASIOError canSampleRate(ASIOSampleRate sampleRate) = 0;
  virtual ASIOError getSampleRate(ASIOSampleRate* sampleRate) = 0;
  virtual ASIOError setSampleRate(ASIOSampleRate sampleRate) = 0;
  virtual ASIOError getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) = 0;
  virtual ASIOError setClockSource(std::int32_t reference) = 0;
  virtual ASIOError getSamplePosition(ASIOSamples* samplePosition, ASIOTimeStamp* timeStamp) = 0;
  virtual ASIOError getChannelInfo(ASIOChannelInfo* info) = 0;
  virtual ASIOError createBuffers(ASIOBufferInfo* bufferInfos, std::int32_t numChannels,
                                  std::int32_t bufferSize, ASIOCallbacks* callbacks) = 0;
  virtual ASIOError disposeBuffers() = 0;
  virtual ASIOError controlPanel() = 0;
  virtual ASIOError future(std::int32_t selector, void* opt) = 0;
  virtual ASIOError outputReady() = 0;

protected:
  // Objects are destroyed through their reference counts, never through this interface.
  ~IASIO() = default;
};

static_assert(sizeof(ASIOClockSource) == 48);
static_assert(sizeof(ASIOChannelInfo) == 52);
static_assert(sizeof(ASIOSamples) == 8);
static_assert(sizeof(AsioTimeInfo) == 48);
static_assert(sizeof(ASIOTimeCode) == 88);
static_assert(sizeof(ASIOTime) == 16 + 48 + 88);
static_assert(sizeof(ASIOInputMonitor) == 20);
