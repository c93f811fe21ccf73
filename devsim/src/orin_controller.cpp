#include "orin_controller.h"

namespace devsim {
namespace {

constexpr std::uint8_t kSetCurToInterface = kernel::kUsbTypeClass | kernel::kUsbRecipientInterface;
constexpr std::uint16_t kMuteControl = 0x0100;
constexpr std::uint16_t kVolumeChannel1 = 0x0201;
constexpr std::uint16_t kVolumeChannel2 = 0x0202;
constexpr std::uint16_t kRegisterWrite = 2;
constexpr std::uint16_t kSwitchWrite = 3;
constexpr std::uint16_t kEnd = 0;
constexpr std::uint16_t kFirstSwitch = 0xE0;
constexpr std::size_t kLogLimit = 4096;

} // namespace

bool OrinController::request(const kernel::UsbSetupPacket& setup, std::span<const std::uint8_t> data) {
  if (setup.requestType != kSetCurToInterface || setup.request != kernel::kUacSetCur ||
      setup.index != (unit_ << 8) || data.size() != setup.length) {
    return false;
  }
  if (setup.value == kMuteControl && setup.length == 1) {
    mark(data[0]);
    return true;
  }
  if ((setup.value == kVolumeChannel1 || setup.value == kVolumeChannel2) && setup.length == 2) {
    write(setup.value & 0xFF, static_cast<std::uint16_t>(data[0] | data[1] << 8));
    return true;
  }
  return false;
}

void OrinController::mark(std::uint8_t value) {
  if (value == 1) {
    if (state_.frameOpen && (!frame_.empty() || decoder_.midWord())) {
      error("frame abandoned");
    }
    state_.frameOpen = true;
  } else if (value == 0) {
    if (!state_.frameOpen) {
      error("frame closed without being opened");
    } else if (decoder_.midWord()) {
      error("frame closed within a word");
    } else {
      runFrame();
    }
    state_.frameOpen = false;
  } else {
    error("unknown frame mark");
    return;
  }
  frame_.clear();
  decoder_.clear();
}

void OrinController::write(int channel, std::uint16_t value) {
  if (!state_.frameOpen) {
    error("word outside a frame");
    return;
  }
  const auto result = decoder_.write(channel, value);
  if (!result.error.empty()) {
    error(result.error);
  }
  if (result.word) {
    frame_.push_back(*result.word);
  }
}

void OrinController::runFrame() {
  if (frame_.empty() || !frame_[0].command) {
    error("frame without a command");
    return;
  }
  const std::uint16_t code = frame_[0].value;
  if (code != kRegisterWrite && code != kSwitchWrite) {
    if (frame_.size() != 1 || !runSimpleCommand(code)) {
      error("unknown command");
    }
    return;
  }
  const bool shaped = frame_.size() == 4 && !frame_[1].command && !frame_[2].command && frame_[3].command &&
                      frame_[3].value == kEnd;
  if (!shaped || frame_[1].value > 0xFF || frame_[2].value > 0xFF) {
    error("malformed register write");
    return;
  }
  const std::uint16_t address = frame_[1].value;
  const std::uint16_t value = frame_[2].value;
  if (code == kSwitchWrite && address != kFirstSwitch && address != kFirstSwitch + 1) {
    error("no such switch register");
    return;
  }
  state_.registers[address] = static_cast<std::uint8_t>(value);
  log({code == kSwitchWrite ? OrinEvent::Kind::SwitchWrite : OrinEvent::Kind::RegisterWrite,
       code,
       address,
       value,
       {}});
}

bool OrinController::runSimpleCommand(std::uint16_t code) {
  if (code >= 8 && code <= 10) {
    state_.freq = code - 8u;
  } else if (code == 11 || code == 12) {
    state_.professionalMode = code == 12;
  } else if (code == 13 || code == 14) {
    state_.autoFreq = code - 13u;
  } else {
    return false;
  }
  log({OrinEvent::Kind::Command, code, 0, 0, {}});
  return true;
}

void OrinController::log(OrinEvent event) {
  if (state_.log.size() >= kLogLimit) {
    state_.log.erase(state_.log.begin());
  }
  state_.log.push_back(std::move(event));
}

void OrinController::error(std::string text) { log({OrinEvent::Kind::Error, 0, 0, 0, std::move(text)}); }

} // namespace devsim
