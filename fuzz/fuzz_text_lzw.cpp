// Arbitrary text through the loader's path (text code, then LZW expansion), and arbitrary
// bytes through a compress/expand round trip that must give them back.
#include <kxtools/inc/kxlzw.h>

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  const auto n = static_cast<std::int32_t>(size);

  KxByteBuffer text(bytes.data(), n);
  KxByteBuffer decoded;
  decoded.decodeText(text);
  KxLzw lzw;
  KxByteBuffer expanded;
  lzw.expand(decoded, expanded);

  KxByteBuffer raw(bytes.data(), n);
  lzw.expand(raw, expanded);

  KxByteBuffer original(n);
  original.write(data, n);
  KxByteBuffer code;
  if (!lzw.compress(original, code)) {
    std::abort();
  }
  KxByteBuffer back;
  lzw.expand(code, back);
  if (back.length() != n || (n > 0 && std::memcmp(back.data(), data, size) != 0)) {
    std::abort();
  }
  return 0;
}
