#include "report_output.h"

#include "asio_names.h"
#include "json_writer.h"

#include <cstdarg>
#include <cstdio>

namespace {

__attribute__((format(printf, 2, 3))) void appendf(std::string& out, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  out += line;
}

} // namespace

std::string driverListText(const std::vector<RegisteredDriver>& drivers) {
  if (drivers.empty()) {
    return "No ASIO drivers are registered (HKEY_LOCAL_MACHINE\\SOFTWARE\\ASIO is empty).\n";
  }
  std::string out;
  for (const RegisteredDriver& d : drivers) {
    appendf(out, "%s\n  CLSID        %s\n  Description  %s\n", d.name.c_str(), d.classId.c_str(),
            d.description.c_str());
  }
  return out;
}

std::string driverListJson(const std::vector<RegisteredDriver>& drivers) {
  JsonWriter json;
  json.beginArray();
  for (const RegisteredDriver& d : drivers) {
    json.beginObject();
    json.value("name", d.name);
    json.value("clsid", d.classId);
    json.value("description", d.description);
    json.endObject();
  }
  json.endArray();
  return json.text() + "\n";
}

namespace {

std::string rateList(const std::vector<std::uint32_t>& rates) {
  std::string out;
  for (const std::uint32_t rate : rates) {
    out += (out.empty() ? "" : " ") + std::to_string(rate);
  }
  return out.empty() ? "none" : out;
}

std::string ratesOf(const SurveyedFormat& f) {
  return f.continuous ? std::to_string(f.minRate) + ".." + std::to_string(f.maxRate) + " Hz"
                      : rateList(f.rates) + " Hz";
}

void devicesText(std::string& out, const std::vector<SurveyedDevice>& devices) {
  appendf(out, "Devices        %d\n", static_cast<int>(devices.size()));
  for (const SurveyedDevice& d : devices) {
    appendf(out, "  %s / %s (%04X:%04X, family %s)%s\n", d.manufacturer.c_str(), d.product.c_str(),
            d.vendorId, d.productId, d.family < 0 ? "none" : std::to_string(d.family).c_str(),
            d.open ? "" : ", closed");
    appendf(out, "    path         %s\n", d.path.c_str());
    if (d.hasFormat) {
      appendf(out,
              "    format       %u Hz, %u in x %u bits, %u out x %u bits, configuration %u, transfer %u ms\n",
              d.rate, d.inputChannels, d.inputBits, d.outputChannels, d.outputBits, d.configuration,
              d.transferMs);
    }
    appendf(out, "    rates        %s\n", rateList(d.supportedRates).c_str());
    for (const SurveyedFormat& f : d.formats) {
      appendf(out, "    offers       Configuration #%u, interface %u, setting %u: %s %u x %u bits, %s\n",
              f.configuration, f.interfaceIndex, f.alternateSetting, f.output ? "out" : "in ", f.channels,
              f.bits, ratesOf(f).c_str());
    }
  }
}

void devicesJson(JsonWriter& json, const std::vector<SurveyedDevice>& devices) {
  json.beginArray("devices");
  for (const SurveyedDevice& d : devices) {
    json.beginObject();
    json.value("manufacturer", d.manufacturer);
    json.value("product", d.product);
    json.value("vendorId", static_cast<int>(d.vendorId));
    json.value("productId", static_cast<int>(d.productId));
    json.value("family", d.family);
    json.value("open", d.open);
    json.value("path", d.path);
    if (d.hasFormat) {
      json.beginObject("format");
      json.value("rate", static_cast<long long>(d.rate));
      json.value("inputChannels", static_cast<long long>(d.inputChannels));
      json.value("inputBits", static_cast<long long>(d.inputBits));
      json.value("outputChannels", static_cast<long long>(d.outputChannels));
      json.value("outputBits", static_cast<long long>(d.outputBits));
      json.value("configuration", static_cast<long long>(d.configuration));
      json.value("transferMs", static_cast<long long>(d.transferMs));
      json.endObject();
    }
    json.beginArray("rates");
    for (const std::uint32_t rate : d.supportedRates) {
      json.value(nullptr, static_cast<long long>(rate));
    }
    json.endArray();
    json.beginArray("formats");
    for (const SurveyedFormat& f : d.formats) {
      json.beginObject();
      json.value("configuration", static_cast<long long>(f.configuration));
      json.value("interface", static_cast<long long>(f.interfaceIndex));
      json.value("alternateSetting", static_cast<long long>(f.alternateSetting));
      json.value("direction", f.output ? "output" : "input");
      json.value("channels", static_cast<long long>(f.channels));
      json.value("bits", static_cast<long long>(f.bits));
      json.value("rates", ratesOf(f));
      json.endObject();
    }
    json.endArray();
    json.endObject();
  }
  json.endArray();
}

} // namespace

std::string reportText(const RegisteredDriver& entry, const DriverReport& r,
                       const std::vector<SurveyedDevice>& devices) {
  std::string out;
  appendf(out, "Driver         %s (registered as \"%s\", CLSID %s)\n", r.name.c_str(), entry.name.c_str(),
          entry.classId.c_str());
  appendf(out, "Version        %d\n", r.version);
  appendf(out, "init           %s\n", r.initResult == ASIOTrue ? "ASIOTrue" : "ASIOFalse");
  appendf(out, "Error text     \"%s\"\n", r.errorMessage.c_str());
  appendf(out, "Channels       %d in, %d out\n", r.inputs, r.outputs);
  for (const DriverReport::Channel& c : r.channels) {
    if (c.result != ASE_OK) {
      appendf(out, "  %-6s %2d   %s\n", c.input ? "input" : "output", c.index, errorName(c.result));
      continue;
    }
    appendf(out, "  %-6s %2d   %-20s %-10s group %d%s\n", c.input ? "input" : "output", c.index,
            c.name.c_str(), sampleTypeName(c.type), c.group, c.active ? ", active" : "");
  }
  appendf(out, "Latencies      %d in, %d out (frames)\n", r.inputLatency, r.outputLatency);
  appendf(out, "Buffer sizes   min %d, max %d, preferred %d, granularity %d\n", r.minBufferSize,
          r.maxBufferSize, r.preferredBufferSize, r.bufferGranularity);
  appendf(out, "Sample rate    %.0f Hz\n", r.sampleRate);
  out += "canSampleRate ";
  for (const DriverReport::Rate& rate : r.rates) {
    appendf(out, " %.0f:%s", rate.rate, rate.canSampleRate == ASE_OK ? "yes" : "no");
  }
  out += "\n";
  out += "Clock sources ";
  for (const DriverReport::Clock& c : r.clocks) {
    appendf(out, " %d \"%s\"%s", c.index, c.name.c_str(), c.current ? " (current)" : "");
  }
  out += "\n";
  devicesText(out, devices);
  return out;
}

std::string reportJson(const RegisteredDriver& entry, const DriverReport& r,
                       const std::vector<SurveyedDevice>& devices) {
  JsonWriter json;
  json.beginObject();
  json.value("registeredName", entry.name);
  json.value("clsid", entry.classId);
  json.value("name", r.name);
  json.value("version", r.version);
  json.value("init", r.initResult == ASIOTrue);
  json.value("errorMessage", r.errorMessage);
  json.value("inputs", r.inputs);
  json.value("outputs", r.outputs);
  json.beginArray("channels");
  for (const DriverReport::Channel& c : r.channels) {
    json.beginObject();
    json.value("direction", c.input ? "input" : "output");
    json.value("index", c.index);
    json.value("result", errorName(c.result));
    json.value("name", c.name);
    json.value("type", sampleTypeName(c.type));
    json.value("active", c.active);
    json.value("group", c.group);
    json.endObject();
  }
  json.endArray();
  json.beginObject("latencies");
  json.value("input", r.inputLatency);
  json.value("output", r.outputLatency);
  json.endObject();
  json.beginObject("bufferSize");
  json.value("min", r.minBufferSize);
  json.value("max", r.maxBufferSize);
  json.value("preferred", r.preferredBufferSize);
  json.value("granularity", r.bufferGranularity);
  json.endObject();
  json.value("sampleRate", r.sampleRate);
  json.beginArray("canSampleRate");
  for (const DriverReport::Rate& rate : r.rates) {
    json.beginObject();
    json.value("rate", rate.rate);
    json.value("result", errorName(rate.canSampleRate));
    json.endObject();
  }
  json.endArray();
  json.beginArray("clockSources");
  for (const DriverReport::Clock& c : r.clocks) {
    json.beginObject();
    json.value("index", c.index);
    json.value("name", c.name);
    json.value("current", c.current);
    json.endObject();
  }
  json.endArray();
  devicesJson(json, devices);
  json.endObject();
  return json.text() + "\n";
}
