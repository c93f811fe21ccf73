#pragma once

// devsim: the simulated kernel-mode USB audio driver and the devices behind it, one instance
// per process. This is its control API for tests, tools and hosts: plug and unplug devices,
// run simulated time, read back what reached a device and what it captured, look at the
// family controllers, and inject faults.
//
// Reach. On Linux the library registers itself as the emulated system's device provider
// when it is loaded: SetupAPI interface enumeration, CreateFileA on device paths and
// DeviceIoControl then reach the simulated kernel driver. On Windows it is devsim.dll and
// offers the same calls as a table (abi/kernel_access.h, export devsimKernelAccess).
//
// Devices present at start. On first use devsim reads its configuration file and plugs the
// devices it lists, without broadcasts: on Linux "devsim.conf" in the emulated system root;
// on Windows the file named by the environment variable KX_DEVSIM_CONF, else "devsim.conf"
// beside devsim.dll. Format, one device a line ('#' starts a comment):
//     <profile name> [version=<interface version>] [signal=loopback|ramp|sine|silence]
// Lines naming an unknown profile or setting are skipped and reported to the debugger output.
//
// Device identity. A device's id is its device node (DevInst), never 0. Its instance id is
// "USB\VID_vvvv&PID_pppp\DEVSIMnnnn", its hardware ids "USB\VID_vvvv&PID_pppp&REV_0100" and
// "USB\VID_vvvv&PID_pppp", and the path of each of its interfaces
// "\\?\usb#vid_vvvv&pid_pppp#devsimnnnn#{interface class}". The streaming handle is opened on
// the kernel driver's interface path followed by "\IO".
//
// Plug and unplug broadcast WM_DEVICECHANGE to the process's top-level windows: plugging
// sends DBT_DEVICEARRIVAL then DBT_DEVNODES_CHANGED, unplugging DBT_DEVICEREMOVECOMPLETE then
// DBT_DEVNODES_CHANGED; the arrival and removal records are DEV_BROADCAST_DEVNODE (the device
// node in the 32-bit word at byte 12). No devsim lock is held while windows run, so window
// procedures may call back into the simulated kernel driver.
#include <devsim/include/devsim_export.h>
#include <devsim/include/devsim_profile.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The simulated kernel driver answers a request for something in use (a second streaming
// handle, a format change while the streaming handle is open) with ERROR_BUSY.
#ifndef ERROR_BUSY
#define ERROR_BUSY 170L
#endif

namespace devsim {

using DeviceId = std::uint32_t;

// ---- profiles ------------------------------------------------------------------------------

DEVSIM_API std::vector<std::string> profileNames();
DEVSIM_API std::optional<Profile> findProfile(const std::string& name);
// Adds a profile or replaces the one of the same name; devices already plugged keep theirs.
DEVSIM_API void defineProfile(const Profile& profile);

// ---- the device tree -----------------------------------------------------------------------

struct DeviceInfo {
  DeviceId id = 0;
  std::string profile;
  std::string instanceId;
  std::vector<std::string> hardwareIds;
  std::string devicePath; // the kernel driver's interface path, empty when the device has none
  std::vector<std::string> interfacePaths; // one per interface class, in the profile's order
  GUID setupClass{};
  bool present = false;
};

// Plugs a new device of the profile in; 0 for an unknown profile.
DEVSIM_API DeviceId plug(const std::string& profileName);
// Unplugs a present device. Its open handles fail from now on with ERROR_DEVICE_NOT_CONNECTED;
// a running stream gets state 1 in its stream block, its event is set, and the kernel driver
// stops touching the block before this returns. The device stays known (listed without
// DIGCF_PRESENT) and can be plugged in again.
DEVSIM_API bool unplug(DeviceId id);
// Plugs an unplugged device in again, with the same id and paths and its profile's state.
DEVSIM_API bool replug(DeviceId id);
// The safe-removal path: DBT_DEVICEQUERYREMOVE first; when a window refuses,
// DBT_DEVICEQUERYREMOVEFAILED follows and the device stays (false); otherwise it is unplugged.
DEVSIM_API bool requestRemoval(DeviceId id);
DEVSIM_API std::vector<DeviceInfo> devices();
DEVSIM_API std::optional<DeviceInfo> device(DeviceId id);

// ---- simulated time ------------------------------------------------------------------------

// RealTime: each streaming device runs its own thread, one transfer period at a time.
// Stepped: no threads; time passes only through advance and oversleep. Switching is refused
// while a stream runs.
enum class ClockMode { RealTime, Stepped };
DEVSIM_API bool setClockMode(ClockMode mode);
DEVSIM_API ClockMode clockMode();
// Stepped mode: `ms` milliseconds pass with the kernel driver keeping up (a wake-up every
// millisecond; every transfer period moves its data and sets the event).
DEVSIM_API void advance(std::uint32_t ms);
// Stepped mode: the kernel driver wakes up once, `ms` milliseconds late. Up to 50 ms behind it
// catches up on every missed period; further behind it skips all but the last and adds the
// skipped periods' milliseconds to the block's lost milliseconds. The real-time thread applies
// the same rule when it falls behind.
DEVSIM_API void oversleep(std::uint32_t ms);

// ---- read back -----------------------------------------------------------------------------

struct StreamInfo {
  bool streaming = false;
  kernel::StreamFormat format{};
  std::uint32_t transferMs = 0;
  std::uint32_t clockSource = 0;
  bool mmeMode = false;
  std::int32_t latencyAllowance = 0; // frames of playback collected before the device plays them
  std::uint64_t periods = 0;         // transfer periods that moved data
  std::uint64_t streamMs = 0;        // stream time, stalled and skipped periods included
  std::uint64_t underrunBytes = 0;   // playback bytes the ring could not supply (played as zeros)
  std::uint64_t overrunBytes = 0;    // capture bytes that did not fit into the ring
};
DEVSIM_API std::optional<StreamInfo> streamInfo(DeviceId id);
// What reached the device (playback, underruns as zeros) and what it put into the capture
// ring, since the last call; each is kept up to 8 MiB, the oldest bytes going first.
DEVSIM_API std::vector<std::uint8_t> takePlayed(DeviceId id);
DEVSIM_API std::vector<std::uint8_t> takeCaptured(DeviceId id);
DEVSIM_API bool setCaptureSignal(DeviceId id, CaptureSignal signal);

// Every class request the device received, answered or stalled.
struct ClassRequestRecord {
  kernel::UsbSetupPacket setup{};
  std::vector<std::uint8_t> data; // host-to-device data, or the device's answer
  bool answered = false;          // false: the device stalled it
};
DEVSIM_API std::vector<ClassRequestRecord> classRequests(DeviceId id);

// The Orin controller: what the framed command protocol did.
struct OrinEvent {
  enum class Kind { Command, RegisterWrite, SwitchWrite, Error };
  Kind kind = Kind::Error;
  std::uint16_t code = 0;    // command code
  std::uint16_t address = 0; // register or switch address
  std::uint16_t value = 0;
  std::string error; // for Kind::Error
};
struct OrinState {
  std::array<std::uint8_t, 256> registers{}; // the switch registers are 0xE0 and 0xE1
  std::uint32_t freq = 0;
  std::uint32_t autoFreq = 0;
  bool professionalMode = false;
  bool frameOpen = false;
  std::vector<OrinEvent> log;
};
DEVSIM_API std::optional<OrinState> orinState(DeviceId id);

// The Pyxis units.
struct VolumeRange {
  std::int16_t minimum = 0;
  std::int16_t maximum = 0;
  std::int16_t resolution = 0;
};
struct PyxisState {
  std::uint8_t selector = 1;                  // unit 12: input 1..3
  std::array<bool, 3> inputMutes{};           // units 8, 10, 11
  bool outputMute = false;                    // unit 2
  std::array<std::int16_t, 2> inputVolume{};  // unit 8, left and right
  std::array<std::int16_t, 2> outputVolume{}; // unit 2
  VolumeRange inputRange;
  VolumeRange outputRange;
};
DEVSIM_API std::optional<PyxisState> pyxisState(DeviceId id);

// The mixer state as the kernel driver holds it.
DEVSIM_API std::optional<kernel::MixerState> mixerState(DeviceId id);
DEVSIM_API bool setMixerRestart(DeviceId id, MixerRestart policy);

// ---- faults --------------------------------------------------------------------------------

// The next `times` requests with this code (0: any code) fail with `error`, changing nothing.
DEVSIM_API bool failRequests(DeviceId id, std::uint32_t code, std::uint32_t times,
                             std::uint32_t error = ERROR_GEN_FAILURE);
// The next `times` requests with this code succeed but report only `bytes` returned.
DEVSIM_API bool shortenReplies(DeviceId id, std::uint32_t code, std::uint32_t times, std::uint32_t bytes);
// The next `times` opens of the device's paths fail with `error`.
DEVSIM_API bool failOpens(DeviceId id, std::uint32_t times, std::uint32_t error = ERROR_ACCESS_DENIED);
// The stream moves nothing and sets no event for the next `ms` milliseconds of stream time.
DEVSIM_API bool stall(DeviceId id, std::uint32_t ms);
// Adds to the running stream's lost milliseconds and sets its event.
DEVSIM_API bool addLostMilliseconds(DeviceId id, std::uint32_t ms);
// Asks the running stream's library to discard `bytes` of output: drop flag and byte count
// set; the kernel clears the flag once the library has counted the bytes down.
DEVSIM_API bool requestDrop(DeviceId id, std::int32_t bytes);
DEVSIM_API bool clearDrop(DeviceId id);
DEVSIM_API bool setInterfaceVersion(DeviceId id, std::uint32_t version);
DEVSIM_API bool setDescriptorImage(DeviceId id, const kernel::DeviceDescriptorBlock& image);
// Every count of the image (configurations, interfaces, alternate settings, endpoints,
// discrete rates) becomes `count`, typically beyond its slots.
DEVSIM_API bool damageDescriptorImage(DeviceId id, std::uint8_t count = 255);
DEVSIM_API bool setMixerState(DeviceId id, const kernel::MixerState& state);
// The three groups' entry counts and the sync source count become `count`, every entry's
// channel count `count` clamped to 16 bits.
DEVSIM_API bool damageMixerState(DeviceId id, std::int32_t count);

// ---- the process's instance ----------------------------------------------------------------

// Registers devsim as the emulated system's device provider again (Linux; it does so when
// loaded). False where there is no emulated system.
DEVSIM_API bool install();
// Unplugs every device without broadcasts and forgets them, restores the built-in profiles,
// clears all faults and returns to real-time mode. The configuration is not read again.
DEVSIM_API void reset();
// Plugs the devices a configuration file lists, without broadcasts. False when the file
// cannot be read; `problems` receives the lines that were skipped.
DEVSIM_API bool loadConfiguration(const std::string& path, std::vector<std::string>* problems = nullptr);
// Where the configuration read at first use is looked for.
DEVSIM_API std::string configurationPath();

} // namespace devsim
