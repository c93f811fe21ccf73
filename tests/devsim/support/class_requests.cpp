#include "class_requests.h"

#include <cstring>

namespace devsimtest {

ClassReply classRequest(const KernelClient& client, HANDLE control, std::uint8_t requestType,
                        std::uint8_t request, std::uint16_t value, std::uint16_t index,
                        std::vector<std::uint8_t> data) {
  const kernel::UsbSetupPacket setup{requestType, request, value, index,
                                     static_cast<std::uint16_t>(data.size())};
  std::vector<std::uint8_t> buffer(sizeof setup + data.size());
  std::memcpy(buffer.data(), &setup, sizeof setup);
  if ((requestType & kernel::kUsbDirectionIn) == 0) {
    std::memcpy(buffer.data() + sizeof setup, data.data(), data.size());
  }
  ClassReply result;
  result.reply =
      client.request(control, kernel::kRequestClass, buffer.data(), static_cast<DWORD>(buffer.size()),
                     buffer.data(), static_cast<DWORD>(buffer.size()));
  result.data.assign(buffer.begin() + sizeof setup, buffer.end());
  return result;
}

void OrinTunnel::send(std::uint16_t value, std::vector<std::uint8_t> data) {
  for (int attempt = 0; attempt <= 300; ++attempt) {
    if (classRequest(client_, control_, kToDevice, kernel::kUacSetCur, value,
                     static_cast<std::uint16_t>(unit_ << 8), data)
            .reply.ok) {
      return;
    }
  }
}

void OrinTunnel::mark(std::uint8_t value) { send(0x0100, {value}); }

void OrinTunnel::channel(int channel, std::uint16_t word) {
  send(static_cast<std::uint16_t>(0x0200 + channel),
       {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)});
}

void OrinTunnel::commandWord(std::uint16_t code) {
  channel(1, 0x0070);
  channel(2, 0x0FFF);
  channel(1, static_cast<std::uint16_t>(code * 16));
  channel(2, 0x0FFF);
}

void OrinTunnel::dataWord(std::uint16_t value) {
  channel(1, 0x00F0);
  channel(2, 0x0FFF);
  channel(1, 0x0FFF);
  channel(2, static_cast<std::uint16_t>(value * 16));
}

void OrinTunnel::sendCommand(std::uint16_t code) {
  mark(1);
  commandWord(code);
  mark(0);
}

void OrinTunnel::writeRegister(std::uint16_t address, std::uint16_t value) {
  mark(1);
  commandWord(2);
  dataWord(address);
  dataWord(value);
  commandWord(0);
  mark(0);
}

void OrinTunnel::writeSwitchBits(int index, std::uint8_t mask, std::uint8_t bits) {
  mark(1);
  commandWord(3);
  dataWord(static_cast<std::uint16_t>(0xE0 + index));
  shadows_[index] = static_cast<std::uint8_t>((shadows_[index] & ~mask) | bits);
  dataWord(shadows_[index]);
  commandWord(0);
  mark(0);
}

} // namespace devsimtest
