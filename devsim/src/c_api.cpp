// The C ABI over the control API.
#include <devsim/include/devsim.h>
#include <devsim/include/devsim_c.h>

#include "simulator.h"

#include <cstring>

namespace {

int result(bool ok) { return ok ? 1 : 0; }

size_t moveInto(std::vector<std::uint8_t> bytes, void* buffer) {
  if (!bytes.empty()) {
    std::memcpy(buffer, bytes.data(), bytes.size());
  }
  return bytes.size();
}

} // namespace

extern "C" {

uint32_t devsim_plug(const char* profile) { return profile ? devsim::plug(profile) : 0; }
int devsim_unplug(uint32_t id) { return result(devsim::unplug(id)); }
int devsim_replug(uint32_t id) { return result(devsim::replug(id)); }

uint32_t devsim_device_at(uint32_t index) {
  const auto all = devsim::Simulator::instance().all();
  return index < all.size() ? all[index]->id() : 0;
}

uint32_t devsim_device_path(uint32_t id, char* path, uint32_t size) {
  const auto device = devsim::device(id);
  if (!device) {
    return 0;
  }
  const auto needed = static_cast<uint32_t>(device->devicePath.size() + 1);
  if (path && size >= needed) {
    std::memcpy(path, device->devicePath.c_str(), needed);
  }
  return needed;
}

int devsim_set_stepped(int stepped) {
  return result(devsim::setClockMode(stepped ? devsim::ClockMode::Stepped : devsim::ClockMode::RealTime));
}

void devsim_advance(uint32_t ms) { devsim::advance(ms); }

size_t devsim_take_played(uint32_t id, void* buffer, size_t size) {
  const auto device = devsim::Simulator::instance().find(id);
  return device && buffer ? moveInto(device->engine().takePlayed(size), buffer) : 0;
}

size_t devsim_take_captured(uint32_t id, void* buffer, size_t size) {
  const auto device = devsim::Simulator::instance().find(id);
  return device && buffer ? moveInto(device->engine().takeCaptured(size), buffer) : 0;
}

int devsim_fail_requests(uint32_t id, uint32_t code, uint32_t times, uint32_t error) {
  return result(devsim::failRequests(id, code, times, error));
}

int devsim_stall(uint32_t id, uint32_t ms) { return result(devsim::stall(id, ms)); }
int devsim_add_lost_ms(uint32_t id, uint32_t ms) { return result(devsim::addLostMilliseconds(id, ms)); }
int devsim_request_drop(uint32_t id, int32_t bytes) { return result(devsim::requestDrop(id, bytes)); }

int devsim_set_interface_version(uint32_t id, uint32_t version) {
  return result(devsim::setInterfaceVersion(id, version));
}

int devsim_orin_register(uint32_t id, uint32_t address) {
  const auto state = devsim::orinState(id);
  return state && address < state->registers.size() ? state->registers[address] : -1;
}

int devsim_load_configuration(const char* path) { return result(path && devsim::loadConfiguration(path)); }
void devsim_reset(void) { devsim::reset(); }

} // extern "C"
