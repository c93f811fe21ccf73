#include "stream_command.h"

#include <winapi/include/winapi.h>

#include "asio_names.h"
#include "json_writer.h"
#include "loaded_driver.h"
#include "simulator_control.h"
#include "stream_analysis.h"
#include "stream_session.h"
#include "test_signal.h"
#include "wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

std::int32_t bytesOfType(ASIOSampleType type) {
  switch (type) {
  case ASIOSTInt16LSB:
  case ASIOSTInt16MSB:
    return 2;
  case ASIOSTInt24LSB:
  case ASIOSTInt24MSB:
    return 3;
  case ASIOSTInt32LSB:
  case ASIOSTInt32MSB:
    return 4;
  default:
    return 0;
  }
}

struct RunResult {
  std::string driverName;
  double rate = 0;
  std::int32_t frames = 0;
  std::int32_t inputs = 0;
  std::int32_t outputs = 0;
  ASIOSampleType type = 0;
  std::int32_t inputLatency = 0;
  std::int32_t outputLatency = 0;
  std::int64_t switches = 0;
  double elapsedSeconds = 0;
  std::int64_t samplePosition = 0;
  std::int64_t outputReadyRefusals = 0;
  IntervalStats intervals;
  std::vector<SimulatorControl::DeviceStreamCounters> devices;
  std::vector<LoopbackResult> loopback;
  std::string recorded;
};

// The simulated device played silence or dropped captured frames while the host streamed:
// the machine did not keep up, which no driver can hide from a bit-exact check.
bool deviceStarved(const RunResult& r) {
  return std::any_of(r.devices.begin(), r.devices.end(), [](const SimulatorControl::DeviceStreamCounters& d) {
    return d.underrunBytes > 0 || d.overrunBytes > 0;
  });
}

bool loopbackPassed(const RunResult& r) {
  return !r.loopback.empty() &&
         std::all_of(r.loopback.begin(), r.loopback.end(),
                     [](const LoopbackResult& l) { return l.found && l.mismatches == 0 && l.compared > 0; });
}

__attribute__((format(printf, 1, 2))) void say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
}

void printText(const RunResult& r, bool expectLoopback) {
  say("Driver          %s\n", r.driverName.c_str());
  say("Stream          %.0f Hz, %d frames, %d in, %d out, %s\n", r.rate, r.frames, r.inputs, r.outputs,
      sampleTypeName(r.type));
  say("Latencies       %d in, %d out (frames)\n", r.inputLatency, r.outputLatency);
  say("Switches        %lld in %.3f s (expected about %.0f)\n", static_cast<long long>(r.switches),
      r.elapsedSeconds, r.elapsedSeconds * r.rate / r.frames + 1);
  say("Sample position %lld frames after the last switch (%lld switches x %d = %lld)\n",
      static_cast<long long>(r.samplePosition), static_cast<long long>(r.switches - 1), r.frames,
      static_cast<long long>((r.switches - 1) * r.frames));
  const IntervalStats& s = r.intervals;
  say("Intervals       nominal %.1f us: min %.1f, mean %.1f, max %.1f, stddev %.1f; %lld longer than twice "
      "nominal\n",
      s.nominalUs, s.minUs, s.meanUs, s.maxUs, s.stddevUs, static_cast<long long>(s.late));
  say("Histogram       (interval / nominal: count)\n");
  for (const auto& bin : s.histogram) {
    say("  %-12s %lld\n", bin.label.c_str(), static_cast<long long>(bin.count));
  }
  for (const auto& d : r.devices) {
    say("Device id %-5u %llu transfer periods; %llu bytes played short (underrun), %llu captured bytes lost "
        "(overrun)\n",
        d.device, static_cast<unsigned long long>(d.periods),
        static_cast<unsigned long long>(d.underrunBytes), static_cast<unsigned long long>(d.overrunBytes));
  }
  if (r.outputReadyRefusals > 0) {
    say("outputReady     ASE_NotPresent %lld time(s) (the first call tells the driver the host uses it)\n",
        static_cast<long long>(r.outputReadyRefusals));
  }
  for (const LoopbackResult& l : r.loopback) {
    if (!l.found) {
      say("Loopback        input %d <- output %d: the played signal did not come back\n", l.input, l.output);
    } else {
      say("Loopback        input %d <- output %d: lag %lld frames, %lld samples compared, %lld differ%s\n",
          l.input, l.output, static_cast<long long>(l.lag), static_cast<long long>(l.compared),
          static_cast<long long>(l.mismatches), l.mismatches == 0 ? " (bit-exact)" : "");
    }
  }
  if (!r.recorded.empty()) {
    say("Recording       %s\n", r.recorded.c_str());
  }
  if (expectLoopback) {
    say("Loopback check  %s\n", loopbackPassed(r)   ? "PASS"
                                 : deviceStarved(r) ? "FAIL (the device ran short: the machine did not keep up)"
                                                    : "FAIL");
  }
}

void printJson(const RunResult& r, bool expectLoopback) {
  JsonWriter json;
  json.beginObject();
  json.value("driver", r.driverName);
  json.value("rate", r.rate);
  json.value("bufferSize", r.frames);
  json.value("inputs", r.inputs);
  json.value("outputs", r.outputs);
  json.value("sampleType", sampleTypeName(r.type));
  json.value("inputLatency", r.inputLatency);
  json.value("outputLatency", r.outputLatency);
  json.value("switches", static_cast<long long>(r.switches));
  json.value("elapsedSeconds", r.elapsedSeconds);
  json.value("samplePosition", static_cast<long long>(r.samplePosition));
  json.value("outputReadyRefusals", static_cast<long long>(r.outputReadyRefusals));
  json.beginObject("intervals");
  json.value("nominalUs", r.intervals.nominalUs);
  json.value("minUs", r.intervals.minUs);
  json.value("meanUs", r.intervals.meanUs);
  json.value("maxUs", r.intervals.maxUs);
  json.value("stddevUs", r.intervals.stddevUs);
  json.value("late", static_cast<long long>(r.intervals.late));
  json.beginArray("histogram");
  for (const auto& bin : r.intervals.histogram) {
    json.beginObject();
    json.value("ratio", bin.label);
    json.value("count", static_cast<long long>(bin.count));
    json.endObject();
  }
  json.endArray();
  json.endObject();
  json.beginArray("devices");
  for (const auto& d : r.devices) {
    json.beginObject();
    json.value("device", static_cast<long long>(d.device));
    json.value("periods", static_cast<long long>(d.periods));
    json.value("underrunBytes", static_cast<long long>(d.underrunBytes));
    json.value("overrunBytes", static_cast<long long>(d.overrunBytes));
    json.endObject();
  }
  json.endArray();
  json.beginArray("loopback");
  for (const LoopbackResult& l : r.loopback) {
    json.beginObject();
    json.value("input", l.input);
    json.value("output", l.output);
    json.value("found", l.found);
    json.value("lag", static_cast<long long>(l.lag));
    json.value("compared", static_cast<long long>(l.compared));
    json.value("mismatches", static_cast<long long>(l.mismatches));
    json.value("firstMismatch", static_cast<long long>(l.firstMismatch));
    json.endObject();
  }
  json.endArray();
  if (expectLoopback) {
    json.value("loopbackPassed", loopbackPassed(r));
    json.value("deviceStarved", deviceStarved(r));
  }
  json.value("recording", r.recorded);
  json.endObject();
  std::fputs((json.text() + "\n").c_str(), stdout);
}

bool writeRecording(const std::string& path, const StreamSession& session, const RunResult& r,
                    std::string& why) {
  WavData wav;
  wav.channels = r.inputs;
  wav.rate = static_cast<std::int32_t>(r.rate);
  const std::int32_t bytes = bytesOfType(r.type);
  wav.bits = bytes * 8;
  std::int64_t frames = 0;
  for (std::int32_t c = 0; c < r.inputs; ++c) {
    frames = c == 0 ? static_cast<std::int64_t>(session.recording(c).size()) / bytes
                    : std::min(frames, static_cast<std::int64_t>(session.recording(c).size()) / bytes);
  }
  wav.samples.resize(static_cast<std::size_t>(frames * r.inputs * bytes));
  for (std::int64_t f = 0; f < frames; ++f) {
    for (std::int32_t c = 0; c < r.inputs; ++c) {
      const std::uint8_t* from = session.recording(c).data() + f * bytes;
      std::copy(from, from + bytes, wav.samples.begin() + (f * r.inputs + c) * bytes);
    }
  }
  return writeWav(path, wav, why);
}

// Runs the message loop of the host's thread (the driver's device window lives there)
// until the session has its switches or the time is up.
void pumpUntil(const StreamSession& session, std::int64_t switches, double seconds) {
  const std::int64_t deadline = performanceCounterNs() + static_cast<std::int64_t>(seconds * 1e9);
  while (performanceCounterNs() < deadline && (switches == 0 || session.switches() < switches)) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(2);
  }
}

} // namespace

int runStream(const RegisteredDriver& entry, const StreamOptions& options) {
  std::string error;
  const LoadedDriver loaded(entry, error);
  IASIO* driver = loaded.driver();
  if (driver == nullptr) {
    std::fprintf(stderr, "corvanta-host: cannot create \"%s\": %s\n", entry.name.c_str(), error.c_str());
    return 2;
  }
  RunResult r;
  char name[64] = {};
  driver->getDriverName(name);
  r.driverName = name;
  driver->init(nullptr);
  std::int32_t inputs = 0;
  std::int32_t outputs = 0;
  driver->getChannels(&inputs, &outputs);
  r.inputs = options.inputs < 0 ? inputs : std::min(options.inputs, inputs);
  r.outputs = options.outputs < 0 ? outputs : std::min(options.outputs, outputs);
  std::int32_t minSize = 0, maxSize = 0, preferred = 0, granularity = 0;
  driver->getBufferSize(&minSize, &maxSize, &preferred, &granularity);
  r.frames = options.bufferSize > 0 ? options.bufferSize : preferred;
  if (options.rate > 0 && driver->setSampleRate(options.rate) != ASE_OK) {
    std::fprintf(stderr, "corvanta-host: the driver cannot run at %.0f Hz\n", options.rate);
    return 2;
  }
  driver->getSampleRate(&r.rate);
  ASIOChannelInfo info{};
  info.channel = 0;
  info.isInput = r.inputs > 0 ? ASIOTrue : ASIOFalse;
  driver->getChannelInfo(&info);
  r.type = info.type;
  const std::int32_t sampleBytes = bytesOfType(r.type);
  if (sampleBytes == 0 || r.rate <= 0 || r.frames <= 0) {
    std::fprintf(stderr, "corvanta-host: the driver reports no usable format (type %s)\n",
                 sampleTypeName(r.type));
    return 2;
  }

  std::unique_ptr<TestSignal> signal;
  if (options.signal == "sine") {
    signal = makeSine(r.outputs, static_cast<std::int32_t>(r.rate), sampleBytes * 8);
  } else if (signal = makeWavSignal(options.signal, sampleBytes * 8, error); !signal) {
    std::fprintf(stderr, "corvanta-host: %s\n", error.c_str());
    return 1;
  }
  StreamSession::Plan plan;
  plan.inputs = r.inputs;
  plan.outputs = r.outputs;
  plan.frames = r.frames;
  plan.sampleBytes = sampleBytes;
  plan.useOutputReady = options.outputReady;
  const double expected =
      options.switches > 0 ? static_cast<double>(options.switches) : options.seconds * r.rate / r.frames;
  plan.maxSwitches = static_cast<std::int64_t>(expected * 1.25) + 64;
  plan.signal = signal.get();
  StreamSession session(*driver, plan);
  if (const ASIOError result = session.createBuffers(); result != ASE_OK) {
    std::fprintf(stderr, "corvanta-host: createBuffers failed with %s\n", errorName(result));
    return 2;
  }
  driver->getLatencies(&r.inputLatency, &r.outputLatency);
  if (const ASIOError result = driver->start(); result != ASE_OK) {
    std::fprintf(stderr, "corvanta-host: start failed with %s\n", errorName(result));
    driver->disposeBuffers();
    return 2;
  }
  const double limit = options.switches > 0 ? options.switches * r.frames / r.rate * 2 + 5 : options.seconds;
  pumpUntil(session, options.switches, limit);
  // The device's counts while the host streamed: stop lets the device run on for a while
  // with nothing more to play.
  r.devices = SimulatorControl::streamCounters();
  driver->stop();
  ASIOSamples position{};
  ASIOTimeStamp stamp{};
  driver->getSamplePosition(&position, &stamp);
  r.samplePosition = (static_cast<std::int64_t>(position.hi) << 32) | position.lo;
  driver->disposeBuffers();

  r.switches = session.switches();
  r.outputReadyRefusals = session.outputReadyRefusals();
  const auto& times = session.switchTimes();
  r.elapsedSeconds = times.size() > 1 ? static_cast<double>(times.back() - times.front()) / 1e9 : 0;
  r.intervals = intervalStats(times, r.frames * 1e6 / r.rate);
  if (r.outputs > 0) {
    const std::int64_t played = static_cast<std::int64_t>(times.size()) * r.frames;
    for (std::int32_t c = 0; c < r.inputs; ++c) {
      r.loopback.push_back(
          checkLoopback(session.recording(c), sampleBytes, *signal, c, c % r.outputs, played));
    }
  }
  if (!options.record.empty()) {
    if (!writeRecording(options.record, session, r, error)) {
      std::fprintf(stderr, "corvanta-host: %s\n", error.c_str());
      return 1;
    }
    r.recorded = options.record;
  }
  if (options.json) {
    printJson(r, options.expectLoopback);
  } else {
    printText(r, options.expectLoopback);
  }
  if (!options.expectLoopback || loopbackPassed(r)) {
    return 0;
  }
  return deviceStarved(r) ? 4 : 3;
}
