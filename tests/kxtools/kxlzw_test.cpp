#include <kxtools/inc/kxlzw.h>

#include "lzw_reference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using lzwref::Bytes;

KxByteBuffer bufferOf(const Bytes& bytes) {
  KxByteBuffer b(static_cast<std::int32_t>(bytes.size()));
  b.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return b;
}

Bytes bytesOf(const KxByteBuffer& b) { return {b.data(), b.data() + b.length()}; }

Bytes compressed(const Bytes& input) {
  KxLzw lzw;
  KxByteBuffer in = bufferOf(input);
  KxByteBuffer out;
  EXPECT_TRUE(lzw.compress(in, out));
  EXPECT_EQ(out.capacity(), out.length()) << "the code is handed over trimmed";
  return bytesOf(out);
}

Bytes expanded(const Bytes& code) {
  KxLzw lzw;
  KxByteBuffer in = bufferOf(code);
  KxByteBuffer out;
  lzw.expand(in, out);
  return bytesOf(out);
}

Bytes fromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Inputs of several shapes, long enough that the tables fill and reset several times.
std::vector<Bytes> sampleInputs() {
  std::mt19937 rng(2026);
  std::vector<Bytes> inputs;
  for (const std::size_t size : {1u, 2u, 3u, 255u, 4096u, 20000u, 70000u}) {
    Bytes uniform(size);
    for (auto& b : uniform) {
      b = static_cast<std::uint8_t>(rng());
    }
    inputs.push_back(uniform);
    Bytes small(size);
    for (auto& b : small) {
      b = static_cast<std::uint8_t>('a' + rng() % 4);
    }
    inputs.push_back(small);
  }
  std::string text;
  while (text.size() < 120000) {
    text += "LABEL " + std::to_string(rng() % 500) + " \"Sample rate\" 44100 48000 88200 96000;\n";
  }
  inputs.push_back(fromString(text));
  Bytes runs;
  while (runs.size() < 60000) {
    runs.insert(runs.end(), 1 + rng() % 300, static_cast<std::uint8_t>(rng() % 3));
  }
  inputs.push_back(runs);
  return inputs;
}

TEST(KxLzwKnownCodes, SmallInputs) {
  struct Case {
    std::string input;
    Bytes code;
  };
  const Case cases[] = {
      {"A", {0x20, 0x80}},                            // 65 in 9 bits, zero padded
      {"ABABABA", {0x20, 0x90, 0xA0, 0x10, 0x20}},    // 65 66 256 258
      {"aaaaaaaaaa", {0x30, 0xC0, 0x20, 0x30, 0x20}}, // a code the expander has not built yet
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compressed(fromString(c.input)), c.code) << c.input;
    EXPECT_EQ(expanded(c.code), fromString(c.input)) << c.input;
  }
}

TEST(KxLzwKnownCodes, EmptyInAndOut) {
  EXPECT_TRUE(compressed({}).empty());
  EXPECT_TRUE(expanded({}).empty());
}

TEST(KxLzwRoundTrip, AgreesWithTheReferenceBothWays) {
  for (const Bytes& input : sampleInputs()) {
    SCOPED_TRACE(input.size());
    const Bytes ours = compressed(input);
    ASSERT_EQ(ours, lzwref::compress(input));
    EXPECT_EQ(expanded(ours), input);
    EXPECT_EQ(lzwref::expand(ours), input);
  }
}

TEST(KxLzwRoundTrip, WidthGrowsToTwelveBitsAndTablesReset) {
  // Uniform random bytes yield close to one code per byte: 20000 bytes cross 4096 codes
  // several times.
  std::mt19937 rng(5);
  Bytes input(20000);
  for (auto& b : input) {
    b = static_cast<std::uint8_t>(rng());
  }
  const Bytes code = compressed(input);
  EXPECT_GT(code.size(), input.size()) << "random data expands under LZW";
  EXPECT_EQ(expanded(code), input);
}

TEST(KxLzwRoundTrip, LongChainsOfOneByte) {
  // Zeros build the longest strings the table can hold, past a reset.
  const Bytes zeros(9'000'000, 0);
  const Bytes code = compressed(zeros);
  EXPECT_LT(code.size(), 20000u);
  EXPECT_EQ(expanded(code), zeros);
}

TEST(KxLzwRoundTrip, OneCodecServesManyRuns) {
  KxLzw lzw;
  for (const Bytes& input : sampleInputs()) {
    KxByteBuffer in = bufferOf(input);
    KxByteBuffer code;
    ASSERT_TRUE(lzw.compress(in, code));
    KxByteBuffer back;
    lzw.expand(code, back);
    EXPECT_EQ(bytesOf(back), input);
  }
}

TEST(KxLzwInput, EveryReadableByteIsCompressed) {
  KxByteBuffer in;
  in.writeByte('x'); // capacity 2: the zero past the written byte is readable too
  KxByteBuffer out;
  KxLzw lzw;
  ASSERT_TRUE(lzw.compress(in, out));
  EXPECT_EQ(lzwref::expand(bytesOf(out)), (Bytes{'x', 0}));
}

TEST(KxLzwCorruptInput, EndsTheOutputEarly) {
  struct Case {
    const char* what;
    Bytes code;
    Bytes expected;
  };
  const Case cases[] = {
      {"first code is not a literal", {0x80, 0x00}, {}},
      {"code beyond the next code", {0x20, 0xFF, 0xC0}, {'A'}},
      {"truncated second code", {0x20, 0x90}, {'A'}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(expanded(c.code), c.expected) << c.what;
  }
}

TEST(KxLzwCorruptInput, ArbitraryBytesNeverOverrun) {
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    Bytes junk(rng() % 3000);
    for (auto& b : junk) {
      b = static_cast<std::uint8_t>(rng());
    }
    const Bytes ours = expanded(junk);
    EXPECT_EQ(ours, lzwref::expand(junk)) << round;
  }
}

TEST(KxLzwOutput, WrappedOutputStopsAtItsEnd) {
  const Bytes input = fromString(std::string(300, 'z') + "tail");
  const Bytes code = compressed(input);
  KxByteBuffer in = bufferOf(code);
  std::uint8_t small[16] = {};
  KxByteBuffer out(small, sizeof small);
  KxLzw lzw;
  lzw.expand(in, out);
  EXPECT_LE(out.length(), 16);
  EXPECT_EQ(Bytes(small, small + out.length()), Bytes(input.begin(), input.begin() + out.length()));
}

} // namespace
