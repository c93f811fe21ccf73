// corvanta-host: an ASIO test host. It lists the registered drivers and loads one through
// COM, the way ASIO hosts do, to print everything it reports.
#include "driver_list.h"
#include "driver_report.h"
#include "loaded_driver.h"
#include "report_output.h"

#if !defined(_WIN32)
#include <winapi/include/emu/kxemu.h>
#endif

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kDefaultDriver = "Corvanta ASIO driver";

void usage(std::FILE* out) {
  std::fprintf(
      out,
      "Usage: corvanta-host [--root DIR] COMMAND [OPTIONS]\n"
      "An ASIO test host: finds drivers the way hosts do and shows what they report.\n"
      "\n"
      "Commands:\n"
      "  list [--json]                     the drivers under HKEY_LOCAL_MACHINE\\SOFTWARE\\ASIO\n"
      "  info [--driver NAME] [--json]     create the driver through COM, call init and print\n"
      "                                    its name, version, error text, channels, latencies,\n"
      "                                    buffer sizes, sample rates and clock sources\n"
      "                                    (NAME defaults to \"%s\")\n"
      "\n"
      "Options:\n"
      "  --root DIR   the emulated system root (Linux; else $KX_SYSTEM_ROOT or the per-user default)\n"
      "  --help       this text\n",
      kDefaultDriver);
}

struct Options {
  std::string command;
  std::string driver = kDefaultDriver;
  bool json = false;
};

// False with a message on stderr for arguments that make no sense.
bool parse(int argc, char** argv, Options& options, bool& help) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if ((arg == "--driver" || arg == "--root") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--driver") {
        options.driver = value;
      } else {
#if defined(_WIN32)
        std::fprintf(stderr, "corvanta-host: --root applies to the emulated system only; ignored\n");
#else
        kxemu::setSystemRoot(value);
#endif
      }
    } else if (options.command.empty() && (arg == "list" || arg == "info")) {
      options.command = arg;
    } else {
      std::fprintf(stderr, "corvanta-host: unexpected argument \"%s\" (see --help)\n", arg.c_str());
      return false;
    }
  }
  return true;
}

int listDrivers(const Options& options) {
  const std::vector<RegisteredDriver> drivers = registeredDrivers();
  std::fputs((options.json ? driverListJson(drivers) : driverListText(drivers)).c_str(), stdout);
  return 0;
}

int showInfo(const Options& options) {
  for (const RegisteredDriver& entry : registeredDrivers()) {
    if (entry.name != options.driver) {
      continue;
    }
    std::string error;
    const LoadedDriver loaded(entry, error);
    if (loaded.driver() == nullptr) {
      std::fprintf(stderr, "corvanta-host: cannot create \"%s\": %s\n", entry.name.c_str(), error.c_str());
      return 2;
    }
    const DriverReport report = collectReport(*loaded.driver(), nullptr);
    std::fputs((options.json ? reportJson(entry, report) : reportText(entry, report)).c_str(), stdout);
    return 0;
  }
  std::fprintf(stderr, "corvanta-host: no ASIO driver named \"%s\" is registered (try: corvanta-host list)\n",
               options.driver.c_str());
  return 2;
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
  return options.command == "list" ? listDrivers(options) : showInfo(options);
}
