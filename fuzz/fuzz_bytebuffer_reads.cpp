// Arbitrary bytes read back as a stream of typed values, the way stored control data and
// resources are read: the first byte of each step picks the read.
#include <kxtools/inc/kxbytebuffer.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  KxByteBuffer in(bytes.data(), static_cast<std::int32_t>(size));
  KxString text;
  KxByteBuffer nested;
  std::uint32_t sink = 0;
  while (!in.atEnd()) {
    switch (in.readByte() % 8) {
    case 0:
      in.readString(text);
      sink += static_cast<std::uint32_t>(text.length());
      break;
    case 1:
      in.readBuffer(nested);
      sink += static_cast<std::uint32_t>(nested.length());
      break;
    case 2:
      sink += in.readUInt16();
      break;
    case 3:
      sink += in.readUInt32();
      break;
    case 4:
      sink += in.readFlag() ? 1 : 0;
      break;
    case 5:
      sink += in.peek(in.readByte());
      break;
    case 6:
      in.skip(in.readByte());
      break;
    default: {
      std::uint8_t chunk[7];
      sink += static_cast<std::uint32_t>(in.read(chunk, sizeof chunk));
      break;
    }
    }
  }
  return static_cast<int>(sink & 0);
}
