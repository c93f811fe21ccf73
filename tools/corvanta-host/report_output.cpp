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

std::string reportText(const RegisteredDriver& entry, const DriverReport& r) {
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
  return out;
}

std::string reportJson(const RegisteredDriver& entry, const DriverReport& r) {
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
  json.endObject();
  return json.text() + "\n";
}
