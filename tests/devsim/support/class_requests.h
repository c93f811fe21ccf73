#pragma once

// Class requests as the device object sends them: an 8-byte SETUP packet followed by the
// data, one buffer as input and output.
#include "kernel_client.h"

#include <cstdint>
#include <vector>

namespace devsimtest {

inline constexpr std::uint8_t kToDevice = kernel::kUsbTypeClass | kernel::kUsbRecipientInterface;
inline constexpr std::uint8_t kToHost = kernel::kUsbDirectionIn | kToDevice;

struct ClassReply {
  Reply reply;
  std::vector<std::uint8_t> data; // the answer of a device-to-host request
};

ClassReply classRequest(const KernelClient& client, HANDLE control, std::uint8_t requestType,
                        std::uint8_t request, std::uint16_t value, std::uint16_t index,
                        std::vector<std::uint8_t> data);

// The Orin model's tunnel: frame marks and words, each request repeated while it fails
// (at most 300 times more), and the switch-register shadows.
class OrinTunnel {
public:
  OrinTunnel(const KernelClient& client, HANDLE control, std::uint8_t unit)
      : client_(client), control_(control), unit_(unit) {}

  void mark(std::uint8_t value);
  void channel(int channel, std::uint16_t word);
  void commandWord(std::uint16_t code);
  void dataWord(std::uint16_t value);
  void sendCommand(std::uint16_t code);
  void writeRegister(std::uint16_t address, std::uint16_t value);
  void writeSwitchBits(int index, std::uint8_t mask, std::uint8_t bits);
  std::uint8_t shadow(int index) const { return shadows_[index]; }

private:
  void send(std::uint16_t value, std::vector<std::uint8_t> data);

  const KernelClient client_;
  HANDLE control_;
  std::uint8_t unit_;
  std::uint8_t shadows_[2] = {0, 0};
};

} // namespace devsimtest
