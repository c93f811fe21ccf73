#pragma once

// The kernel-mode USB audio driver's interface: its request codes and the records that
// travel with them. Every record is a plain little-endian struct of fixed-width fields with
// the same layout on i686, x86_64 and Linux; the driver library and the simulated kernel
// driver (devsim) both use these declarations.
//
// Requests go through DeviceIoControl (device type 0x22, METHOD_BUFFERED, any access).
// Every request but kRequestClass passes its block as the OUTPUT buffer with no input
// buffer, setting requests included: the kernel reads what to set from there.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kernel {

// ---- request codes ---------------------------------------------------------------------

// Function n of the driver has the code 0x220000 + 4n (CTL_CODE(0x22, n, METHOD_BUFFERED, 0)).
constexpr std::uint32_t requestCode(std::uint32_t function) { return 0x220000u + 4u * function; }

// Which of the two handles a request goes to: the control handle is opened on the device
// path, the streaming handle on the device path followed by kStreamingPathSuffix.
enum class Handle { Control, Streaming };
inline constexpr char kStreamingPathSuffix[] = "\\IO";

enum Request : std::uint32_t {
  kRequestManufacturerName = requestCode(0),  // control, out 255: zero-terminated name
  kRequestProductName = requestCode(1),       // control, out 255: zero-terminated name
  kRequestClass = requestCode(2),             // control, in and out: UsbSetupPacket + data
  kRequestDescriptors = requestCode(3),       // control, out: DeviceDescriptorBlock
  kRequestGetFormat = requestCode(5),         // control, out: FormatReport
  kRequestSetTransferLength = requestCode(6), // control, out: uint32 milliseconds
  kRequestSetFormat = requestCode(9),         // control, out: StreamFormat; streaming handle closed
  kRequestStream = requestCode(12),           // streaming, out: StreamStartRequest
  kRequestInterfaceVersion = requestCode(19), // control, out: uint32 version
  kRequestGetClockSource = requestCode(20),   // control, out: uint32 source
  kRequestSetClockSource = requestCode(21),   // control, out: uint32 source
  kRequestMmeMode = requestCode(23),          // streaming, out: 1 byte flag
  kRequestWriteMixerState = requestCode(25),  // streaming, out: MixerState (restart flag comes back)
  kRequestReadMixerState = requestCode(26),   // streaming, out: MixerState
};
static_assert(kRequestManufacturerName == 0x220000 && kRequestProductName == 0x220004);
static_assert(kRequestClass == 0x220008 && kRequestDescriptors == 0x22000C);
static_assert(kRequestGetFormat == 0x220014 && kRequestSetTransferLength == 0x220018);
static_assert(kRequestSetFormat == 0x220024 && kRequestStream == 0x220030);
static_assert(kRequestInterfaceVersion == 0x22004C && kRequestGetClockSource == 0x220050);
static_assert(kRequestSetClockSource == 0x220054 && kRequestMmeMode == 0x22005C);
static_assert(kRequestWriteMixerState == 0x220064 && kRequestReadMixerState == 0x220068);

constexpr Handle handleOf(std::uint32_t code) {
  return code == kRequestStream || code == kRequestMmeMode || code == kRequestWriteMixerState ||
                 code == kRequestReadMixerState
             ? Handle::Streaming
             : Handle::Control;
}

// The one interface version this driver library works with.
inline constexpr std::uint32_t kInterfaceVersion = 3217;
// Buffer size of the two name requests (the library's buffer has one more, zeroed byte).
inline constexpr std::uint32_t kNameRequestSize = 255;

// ---- stream format -----------------------------------------------------------------------

// Bytes one sample takes in a packed stream: 16 bits → 2, 20 and 24 → 3, 32 → 4; 0 for a
// resolution the stream cannot carry.
constexpr std::uint32_t bytesPerSample(std::uint32_t bits) {
  switch (bits) {
  case 16:
    return 2;
  case 20:
  case 24:
    return 3;
  case 32:
    return 4;
  default:
    return 0;
  }
}

struct StreamFormat {
  std::uint32_t rate; // Hz
  std::uint32_t inputChannels;
  std::uint32_t inputBits;
  std::uint32_t outputChannels;
  std::uint32_t outputBits;
  std::uint32_t configuration; // index into the descriptor image's configurations
  friend bool operator==(const StreamFormat&, const StreamFormat&) = default;
};
static_assert(sizeof(StreamFormat) == 24);
static_assert(offsetof(StreamFormat, rate) == 0 && offsetof(StreamFormat, inputChannels) == 4);
static_assert(offsetof(StreamFormat, inputBits) == 8 && offsetof(StreamFormat, outputChannels) == 12);
static_assert(offsetof(StreamFormat, outputBits) == 16 && offsetof(StreamFormat, configuration) == 20);

struct FormatReport {
  std::uint32_t transferMs; // USB transfer length in milliseconds
  StreamFormat format;
};
static_assert(sizeof(FormatReport) == 28);
static_assert(offsetof(FormatReport, transferMs) == 0 && offsetof(FormatReport, format) == 4);

// ---- descriptor image ----------------------------------------------------------------------
// The parsed USB descriptors. Every count limits how many of the following fixed slots are
// valid; a reader clamps each count to its slots. The bytes the driver library does not read
// carry the USB descriptor values named below (filled by devsim, informative only).

inline constexpr std::size_t kMaxConfigurations = 4;
inline constexpr std::size_t kMaxInterfaces = 10;
inline constexpr std::size_t kMaxAlternateSettings = 20;
inline constexpr std::size_t kMaxEndpoints = 4;
inline constexpr std::size_t kMaxDiscreteRates = 20;

struct FormatSlot {
  std::uint8_t bitResolution;
  std::uint8_t channels;
  std::uint8_t continuous; // non-zero: minRate..maxRate; zero: the discrete rates
  std::uint8_t reserved0;
  std::uint32_t minRate;
  std::uint32_t maxRate;
  std::uint8_t discreteRateCount;
  std::uint8_t reserved1[3];
  std::uint32_t discreteRates[kMaxDiscreteRates];
};
static_assert(sizeof(FormatSlot) == 96);
static_assert(offsetof(FormatSlot, bitResolution) == 0 && offsetof(FormatSlot, channels) == 1);
static_assert(offsetof(FormatSlot, continuous) == 2 && offsetof(FormatSlot, minRate) == 4);
static_assert(offsetof(FormatSlot, maxRate) == 8 && offsetof(FormatSlot, discreteRateCount) == 12);
static_assert(offsetof(FormatSlot, discreteRates) == 16);

inline constexpr std::uint8_t kEndpointDirectionIn = 0x80; // bit 7 of the endpoint address

struct EndpointSlot {
  std::uint8_t address;    // bit 7 set: IN (device to host)
  std::uint8_t attributes; // bmAttributes
  std::uint16_t maxPacketSize;
  std::uint8_t reserved[12];
};
static_assert(sizeof(EndpointSlot) == 16);
static_assert(offsetof(EndpointSlot, address) == 0 && offsetof(EndpointSlot, maxPacketSize) == 2);

struct AlternateSettingSlot {
  std::uint8_t alternateSetting; // bAlternateSetting
  std::uint8_t endpointCount;
  std::uint8_t reserved[2];
  FormatSlot format;
  EndpointSlot endpoints[kMaxEndpoints];
};
static_assert(sizeof(AlternateSettingSlot) == 164);
static_assert(offsetof(AlternateSettingSlot, endpointCount) == 1);
static_assert(offsetof(AlternateSettingSlot, format) == 4 &&
              offsetof(AlternateSettingSlot, endpoints) == 100);

struct InterfaceSlot {
  std::uint8_t interfaceNumber;   // bInterfaceNumber
  std::uint8_t interfaceSubclass; // bInterfaceSubClass (1 control, 2 streaming)
  std::uint8_t alternateSettingCount;
  std::uint8_t reserved;
  AlternateSettingSlot alternateSettings[kMaxAlternateSettings];
};
static_assert(sizeof(InterfaceSlot) == 3284);
static_assert(offsetof(InterfaceSlot, alternateSettingCount) == 2);
static_assert(offsetof(InterfaceSlot, alternateSettings) == 4);

struct ConfigurationSlot {
  std::uint8_t configurationValue; // bConfigurationValue
  std::uint8_t interfaceCount;
  std::uint8_t reserved[2];
  InterfaceSlot interfaces[kMaxInterfaces];
};
static_assert(sizeof(ConfigurationSlot) == 32844);
static_assert(offsetof(ConfigurationSlot, interfaceCount) == 1 &&
              offsetof(ConfigurationSlot, interfaces) == 4);

struct DeviceDescriptorBlock {
  std::uint16_t idVendor;
  std::uint16_t idProduct;
  std::uint8_t configurationCount;
  std::uint8_t reserved[3];
  ConfigurationSlot configurations[kMaxConfigurations];
};
static_assert(sizeof(DeviceDescriptorBlock) == 131384);
static_assert(offsetof(DeviceDescriptorBlock, idVendor) == 0 &&
              offsetof(DeviceDescriptorBlock, idProduct) == 2);
static_assert(offsetof(DeviceDescriptorBlock, configurationCount) == 4);
static_assert(offsetof(DeviceDescriptorBlock, configurations) == 8);

// The result of the driver library's format search over the image.
struct FormatMatch {
  std::uint8_t found;
  std::uint8_t reserved0;
  std::uint16_t configuration;
  std::uint16_t interfaceIndex;
  std::uint16_t alternateSetting;
  std::uint32_t rate;
  std::uint8_t bitResolution;
  std::uint8_t channels;
  std::uint8_t reserved1[2];
};
static_assert(sizeof(FormatMatch) == 16);
static_assert(offsetof(FormatMatch, found) == 0 && offsetof(FormatMatch, configuration) == 2);
static_assert(offsetof(FormatMatch, interfaceIndex) == 4 && offsetof(FormatMatch, alternateSetting) == 6);
static_assert(offsetof(FormatMatch, rate) == 8 && offsetof(FormatMatch, bitResolution) == 12);
static_assert(offsetof(FormatMatch, channels) == 13);

// ---- class requests ------------------------------------------------------------------------
// kRequestClass carries a USB SETUP packet followed by wLength data bytes, as input and as
// output: host-to-device data follows the packet in the input; device-to-host data comes
// back after the packet in the output.

struct UsbSetupPacket {
  std::uint8_t requestType; // bmRequestType: direction | type | recipient
  std::uint8_t request;     // bRequest
  std::uint16_t value;      // wValue
  std::uint16_t index;      // wIndex
  std::uint16_t length;     // wLength
};
static_assert(sizeof(UsbSetupPacket) == 8);
static_assert(offsetof(UsbSetupPacket, requestType) == 0 && offsetof(UsbSetupPacket, request) == 1);
static_assert(offsetof(UsbSetupPacket, value) == 2 && offsetof(UsbSetupPacket, index) == 4);
static_assert(offsetof(UsbSetupPacket, length) == 6);

inline constexpr std::uint8_t kUsbDirectionIn = 0x80; // device to host
inline constexpr std::uint8_t kUsbTypeClass = 0x20;
inline constexpr std::uint8_t kUsbRecipientInterface = 0x01;
// USB Audio Class request codes.
inline constexpr std::uint8_t kUacSetCur = 0x01;
inline constexpr std::uint8_t kUacGetCur = 0x81;
inline constexpr std::uint8_t kUacGetMin = 0x82;
inline constexpr std::uint8_t kUacGetMax = 0x83;
inline constexpr std::uint8_t kUacGetRes = 0x84;

// ---- stream start and the shared stream block ------------------------------------------------

// A field of the shared stream block that the other side changes at the same time: both
// sides read and write it only through this.
template <typename T>
std::atomic_ref<T> shared(T& field) {
  return std::atomic_ref<T>(field);
}

// kRequestStream. The 32-bit interface defines 8 bytes with the block's address in bytes 4..7.
// A 64-bit driver library and kernel use the 16-byte form with the address in bytes 8..15; a
// 64-bit kernel takes the 8-byte form only to stop (address 0).
struct StreamStartRequest32 {
  std::uint8_t start; // 1 start, 0 stop
  std::uint8_t reserved[3];
  std::uint32_t blockAddress; // the StreamBlock, 0 when stopping
};
static_assert(sizeof(StreamStartRequest32) == 8);
static_assert(offsetof(StreamStartRequest32, start) == 0 &&
              offsetof(StreamStartRequest32, blockAddress) == 4);

struct StreamStartRequest64 {
  std::uint8_t start;
  std::uint8_t reserved[7];
  std::uint64_t blockAddress;
};
static_assert(sizeof(StreamStartRequest64) == 16);
static_assert(offsetof(StreamStartRequest64, start) == 0 &&
              offsetof(StreamStartRequest64, blockAddress) == 8);

// The form this build uses.
#if UINTPTR_MAX == 0xFFFFFFFFu
using StreamStartRequest = StreamStartRequest32;
#else
using StreamStartRequest = StreamStartRequest64;
#endif

inline constexpr std::uint32_t kRingCapacity = 100800; // divisible by every frame size up to 8 x 4 bytes

// One ring. The writer owns writeOffset and the data it appends; the reader owns readOffset;
// BOTH sides change fillCount while the other runs, so every access to fillCount is atomic
// (std::atomic_ref or an interlocked add/subtract), never a plain read-modify-write. The
// offsets are read atomically by the other side. Offsets run from 0 to kRingCapacity.
struct RingBuffer {
  std::uint32_t writeOffset;
  std::uint32_t readOffset;
  std::uint32_t fillCount; // bytes, 0..kRingCapacity
  std::uint8_t data[kRingCapacity];
};
static_assert(sizeof(RingBuffer) == 100812);
static_assert(offsetof(RingBuffer, writeOffset) == 0 && offsetof(RingBuffer, readOffset) == 4);
static_assert(offsetof(RingBuffer, fillCount) == 8 && offsetof(RingBuffer, data) == 12);

// The memory block shared with the kernel while streaming; its address must not change
// between start and stop. Fields the kernel changes while the library runs, to be read and
// written with atomic access on the library's side too: both rings' fillCount, the playback
// readOffset and the capture writeOffset, state, lostMilliseconds (the library takes it with
// an atomic exchange), outputCredit (kernel adds, library subtracts), dropFlag and
// dropByteCount.
struct StreamBlock {
  RingBuffer playback;            // library writes data and writeOffset; kernel drains
  RingBuffer capture;             // kernel writes data and writeOffset; library drains
  std::uint32_t eventHandle;      // the library's manual-reset event; the kernel sets it. Windows
                                  // handles are 32-bit significant in 64-bit processes too: the
                                  // kernel sign-extends this word to a HANDLE.
  std::uint32_t state;            // 1: the device is gone (kernel sets, library clears)
  std::uint32_t lostMilliseconds; // stream time that passed without data (kernel adds)
  std::int32_t outputCredit;      // kernel adds drained bytes, library subtracts written bytes
  std::uint8_t dropFlag;          // non-zero: the library is to discard output
  std::uint8_t reserved0[3];
  std::int32_t latencyAllowance; // given at stream start
  std::uint32_t reserved1;
  std::int32_t dropByteCount; // output bytes still to discard (kernel sets, library counts down)
};
static_assert(sizeof(StreamBlock) == 201656);
static_assert(offsetof(StreamBlock, playback) == 0 && offsetof(StreamBlock, capture) == 100812);
static_assert(offsetof(StreamBlock, eventHandle) == 201624 && offsetof(StreamBlock, state) == 201628);
static_assert(offsetof(StreamBlock, lostMilliseconds) == 201632);
static_assert(offsetof(StreamBlock, outputCredit) == 201636 && offsetof(StreamBlock, dropFlag) == 201640);
static_assert(offsetof(StreamBlock, latencyAllowance) == 201644);
static_assert(offsetof(StreamBlock, dropByteCount) == 201652);

inline constexpr std::uint32_t kStreamStateGone = 1;

// ---- mixer state ---------------------------------------------------------------------------
// Exchanged whole (kRequestReadMixerState / kRequestWriteMixerState). Counts are signed and
// limit the slots that follow; a reader clamps them to 0..8.

inline constexpr std::size_t kMixerEntries = 8;
inline constexpr std::size_t kMixerChannels = 8;
inline constexpr std::size_t kSyncSources = 8;
inline constexpr std::size_t kMixerNameSize = 64;

struct MixerChannel {
  std::int16_t minimum;
  std::int16_t current;
  std::int16_t maximum;
};
static_assert(sizeof(MixerChannel) == 6);

struct MixerEntry {
  char name[kMixerNameSize]; // zero-terminated
  std::int16_t channelCount; // 0 no controls, -1 one master control, 1..8 channels
  std::uint8_t hasMute;
  std::uint8_t reserved0[3];
  std::int8_t muteState; // 1 muted
  std::uint8_t hasVolume;
  std::uint8_t gang; // 0 channels move together, 1 separately
  std::uint8_t reserved1[3];
  MixerChannel channels[kMixerChannels];
};
static_assert(sizeof(MixerEntry) == 124);
static_assert(offsetof(MixerEntry, name) == 0 && offsetof(MixerEntry, channelCount) == 64);
static_assert(offsetof(MixerEntry, hasMute) == 66 && offsetof(MixerEntry, muteState) == 70);
static_assert(offsetof(MixerEntry, hasVolume) == 71 && offsetof(MixerEntry, gang) == 72);
static_assert(offsetof(MixerEntry, channels) == 76);

struct MixerGroup {
  std::int32_t entryCount; // 0..8
  std::int32_t layout;     // 0 one entry at a time (list box), 1 all side by side
  std::uint8_t reserved0[2];
  std::uint8_t chosenEntry; // one-hot, layout 0
  std::uint8_t reserved1;
  MixerEntry entries[kMixerEntries];
};
static_assert(sizeof(MixerGroup) == 1004);
static_assert(offsetof(MixerGroup, entryCount) == 0 && offsetof(MixerGroup, layout) == 4);
static_assert(offsetof(MixerGroup, chosenEntry) == 10 && offsetof(MixerGroup, entries) == 12);

struct MixerState {
  MixerGroup output;
  MixerGroup input;
  std::int32_t syncSourceCount;  // 0..8
  std::uint8_t chosenSyncSource; // one-hot
  char syncSourceNames[kSyncSources][kMixerNameSize];
  std::uint8_t reserved0[3];
  MixerGroup monitor;
  std::uint8_t inputMonitorPresent;
  std::uint8_t inputMonitorByHost; // controlled by the ASIO host
  std::uint8_t inputMonitorOn;
  std::uint8_t reserved1[2];
  std::uint8_t restartFlag; // the kernel sets it when a written change needs a driver reload
  std::uint8_t reserved2[2];
};
static_assert(sizeof(MixerState) == 3540);
static_assert(offsetof(MixerState, output) == 0 && offsetof(MixerState, input) == 1004);
static_assert(offsetof(MixerState, syncSourceCount) == 2008 &&
              offsetof(MixerState, chosenSyncSource) == 2012);
static_assert(offsetof(MixerState, syncSourceNames) == 2013 && offsetof(MixerState, monitor) == 2528);
static_assert(offsetof(MixerState, inputMonitorPresent) == 3532);
static_assert(offsetof(MixerState, inputMonitorByHost) == 3533 &&
              offsetof(MixerState, inputMonitorOn) == 3534);
static_assert(offsetof(MixerState, restartFlag) == 3537);

// Sizes of the requests' blocks.
inline constexpr std::uint32_t kDescriptorBlockSize = sizeof(DeviceDescriptorBlock);
inline constexpr std::uint32_t kFormatReportSize = sizeof(FormatReport);
inline constexpr std::uint32_t kStreamFormatSize = sizeof(StreamFormat);
inline constexpr std::uint32_t kMixerStateSize = sizeof(MixerState);
inline constexpr std::uint32_t kClassRequestHeaderSize = sizeof(UsbSetupPacket);

} // namespace kernel
