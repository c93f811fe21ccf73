// corvanta-host: an ASIO test host. It lists the registered drivers, loads one through COM
// the way ASIO hosts do, prints everything it reports, and streams through it.
#include <driver/host/driver_identity.h>
#include <driver/host/registry_key.h>

#include "device_survey.h"
#include "driver_list.h"
#include "driver_report.h"
#include "loaded_driver.h"
#include "report_output.h"
#include "simulator_control.h"
#include "stream_command.h"

#if !defined(_WIN32)
#include <winapi/include/emu/kxemu.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kDefaultDriver = "Corvanta ASIO driver";

void usage(std::FILE* out) {
  std::fprintf(
      out,
      "Usage: corvanta-host [--root DIR] COMMAND [OPTIONS]\n"
      "An ASIO test host: finds drivers the way hosts do, shows what they report and streams\n"
      "through them.\n"
      "\n"
      "Commands:\n"
      "  list [--json]            the drivers under HKEY_LOCAL_MACHINE\\SOFTWARE\\ASIO\n"
      "  info [--json]            create the driver through COM, call init and print its name,\n"
      "                           version, error text, channels, latencies, buffer sizes, sample\n"
      "                           rates and clock sources, and the devices the kernel driver offers\n"
      "  stream [--json]          stream through the driver and report switch timing, the sample\n"
      "                           position and, with a loopback device, whether what came back\n"
      "                           equals what was played\n"
      "\n"
      "Options of info and stream:\n"
      "  --driver NAME            the driver (default \"%s\")\n"
      "  --device PROFILE         plug a simulated device of this profile first (repeatable);\n"
      "                           profiles: generic, outputs-only, inputs-only, eight-channel, ...\n"
      "Options of stream:\n"
      "  --rate HZ                set this sample rate first\n"
      "  --buffer FRAMES          buffer size (default: the driver's preferred size)\n"
      "  --inputs N, --outputs N  use the first N channels (default: all)\n"
      "  --seconds S              run for S seconds (default 5)\n"
      "  --switches N             run until N buffer switches\n"
      "  --signal sine|FILE.wav   what to play (default sine: 250 Hz x channel number, half scale)\n"
      "  --record FILE.wav        write what the inputs delivered\n"
      "  --no-output-ready        do not call outputReady\n"
      "  --expect-loopback        fail unless every input brings back its output bit-exact: exit 3,\n"
      "                           or 4 when the simulated device ran short (the machine was too slow)\n"
      "\n"
      "  --root DIR               the emulated system root (Linux; else $KX_SYSTEM_ROOT or the\n"
      "                           per-user default)\n"
      "  --help                   this text\n",
      kDefaultDriver);
}

struct Options {
  std::string command;
  std::string driver = kDefaultDriver;
  std::vector<std::string> devices;
  std::int32_t mode = 0;
  bool json = false;
  StreamOptions stream;
};

std::optional<double> number(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(value >= 0)) {
    return std::nullopt;
  }
  return value;
}

// False with a message on stderr for arguments that make no sense.
bool parse(int argc, char** argv, Options& o, bool& help) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    auto value = [&]() { return std::string(argv[++i]); };
    auto numeric = [&](auto& target) {
      const std::string text = value();
      const std::optional<double> parsed = number(text);
      if (!parsed) {
        std::fprintf(stderr, "corvanta-host: %s wants a number, not \"%s\"\n", arg.c_str(), text.c_str());
        return false;
      }
      target = static_cast<std::remove_reference_t<decltype(target)>>(*parsed);
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--no-output-ready") {
      o.stream.outputReady = false;
    } else if (arg == "--expect-loopback") {
      o.stream.expectLoopback = true;
    } else if (arg == "--driver" && hasValue) {
      o.driver = value();
    } else if (arg == "--device" && hasValue) {
      o.devices.push_back(value());
    } else if (arg == "--signal" && hasValue) {
      o.stream.signal = value();
    } else if (arg == "--record" && hasValue) {
      o.stream.record = value();
    } else if (arg == "--rate" && hasValue) {
      if (!numeric(o.stream.rate)) {
        return false;
      }
    } else if (arg == "--mode" && hasValue) {
      if (!numeric(o.mode)) {
        return false;
      }
    } else if (arg == "--buffer" && hasValue) {
      if (!numeric(o.stream.bufferSize)) {
        return false;
      }
    } else if (arg == "--inputs" && hasValue) {
      if (!numeric(o.stream.inputs)) {
        return false;
      }
    } else if (arg == "--outputs" && hasValue) {
      if (!numeric(o.stream.outputs)) {
        return false;
      }
    } else if (arg == "--seconds" && hasValue) {
      if (!numeric(o.stream.seconds)) {
        return false;
      }
    } else if (arg == "--switches" && hasValue) {
      if (!numeric(o.stream.switches)) {
        return false;
      }
    } else if (arg == "--root" && hasValue) {
#if defined(_WIN32)
      value();
      std::fprintf(stderr, "corvanta-host: --root applies to the emulated system only; ignored\n");
#else
      kxemu::setSystemRoot(value());
#endif
    } else if (o.command.empty() && (arg == "list" || arg == "info" || arg == "stream")) {
      o.command = arg;
    } else {
      std::fprintf(stderr, "corvanta-host: unexpected argument \"%s\" (see --help)\n", arg.c_str());
      return false;
    }
  }
  o.stream.json = o.json;
  return true;
}

// Plugs the simulated devices the options ask for; false with a message when it cannot.
bool plugDevices(const std::vector<std::string>& profiles) {
  if (profiles.empty()) {
    return true;
  }
  SimulatorControl simulator;
  std::string why;
  if (!simulator.available(why)) {
    std::fprintf(stderr, "corvanta-host: no simulated devices: %s\n", why.c_str());
    return false;
  }
  for (const std::string& profile : profiles) {
    if (simulator.plug(profile) == 0) {
      std::fprintf(stderr, "corvanta-host: no simulated device profile \"%s\"\n", profile.c_str());
      return false;
    }
  }
  return true;
}

std::optional<RegisteredDriver> findDriver(const std::string& name) {
  for (const RegisteredDriver& entry : registeredDrivers()) {
    if (entry.name == name) {
      return entry;
    }
  }
  std::fprintf(stderr, "corvanta-host: no ASIO driver named \"%s\" is registered (try: corvanta-host list)\n",
               name.c_str());
  return std::nullopt;
}

int listDrivers(const Options& options) {
  const std::vector<RegisteredDriver> drivers = registeredDrivers();
  std::fputs((options.json ? driverListJson(drivers) : driverListText(drivers)).c_str(), stdout);
  return 0;
}

int showInfo(const RegisteredDriver& entry, const Options& options) {
  // The survey opens each device and closes it again before the driver opens it.
  const std::vector<SurveyedDevice> devices = surveyDevices();
  std::string error;
  const LoadedDriver loaded(entry, error);
  if (loaded.driver() == nullptr) {
    std::fprintf(stderr, "corvanta-host: cannot create \"%s\": %s\n", entry.name.c_str(), error.c_str());
    return 2;
  }
  const DriverReport report = collectReport(*loaded.driver(), nullptr);
  std::fputs((options.json ? reportJson(entry, report, devices) : reportText(entry, report, devices)).c_str(),
             stdout);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (!parse(argc, argv, options, help)) {
    return 1;
  }
  if (help || options.command.empty()) {
    usage(help ? stdout : stderr);
    return help ? 0 : 1;
  }
  if (options.command == "list") {
    return listDrivers(options);
  }
  if (!plugDevices(options.devices)) {
    return 1;
  }
  if (options.mode != 0 && !KxRegistryKey(KxString(kSettingsPath))
                                .writeDword("PerformanceMode", static_cast<std::uint32_t>(options.mode))) {
    std::fprintf(stderr, "corvanta-host: cannot store the performance mode\n");
    return 1;
  }
  const std::optional<RegisteredDriver> entry = findDriver(options.driver);
  if (!entry) {
    return 2;
  }
  return options.command == "info" ? showInfo(*entry, options) : runStream(*entry, options.stream);
}
