#pragma once

#include <driver/stream/channel_buffer.h>
#include <driver/stream/dither_noise.h>

#include <cstdint>

// The device's sample formats: the width and, for 24-bit devices, the byte order.
enum class DeviceFormat : std::uint8_t { D16, D20, D24, D24be, D24mix, D32, Unknown };

// Mixed order is a variant of big-endian order, so it needs both flags; other widths
// ignore the flags.
DeviceFormat deviceFormatOf(std::int32_t bits, bool bigEndian24, bool msbLsbMid24);

// A member converts frames × channels samples between the interleaved stream and the
// channel buffers. The caller has checked that every buffer holds the frames and the stream
// frames × channels samples; the members count on the slack of the channel buffers, not on
// any past the stream.
using ToHostMember = void (*)(const std::uint8_t* stream, ChannelBuffer* const* host, std::int32_t channels,
                              std::int32_t frames, DitherNoise& noise);
using FromHostMember = void (*)(const ChannelBuffer* const* host, std::uint8_t* stream, std::int32_t channels,
                                std::int32_t frames, DitherNoise& noise);

// The member for a pair of formats, the dithered one where bits are dropped and dither is
// asked for; none for pairs outside the tables.
ToHostMember findToHostMember(DeviceFormat device, std::int32_t hostBits, bool dither);
FromHostMember findFromHostMember(DeviceFormat device, std::int32_t hostBits, bool dither);
