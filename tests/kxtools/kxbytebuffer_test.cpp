#include <kxtools/inc/kxbytebuffer.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> written(const KxByteBuffer& b) { return {b.data(), b.data() + b.length()}; }

KxByteBuffer fromText(const std::string& text) {
  KxByteBuffer b;
  b.write(text.data(), static_cast<std::int32_t>(text.size()));
  b.resize(b.length());
  return b;
}

TEST(KxByteBufferGrowth, DoublesTheSumOfRequestAndCapacity) {
  KxByteBuffer b;
  EXPECT_EQ(b.capacity(), 0);
  EXPECT_EQ(b.data(), nullptr);
  b.writeByte(1);
  EXPECT_EQ(b.capacity(), 2);
  b.writeByte(2);
  EXPECT_EQ(b.capacity(), 2);
  b.writeByte(3);
  EXPECT_EQ(b.capacity(), 6);
  EXPECT_EQ(b.length(), 3);
}

TEST(KxByteBufferGrowth, ReadableBytesRunToCapacity) {
  KxByteBuffer b;
  for (std::uint8_t i = 1; i <= 5; ++i) {
    b.writeByte(i);
  }
  b.rewind();
  EXPECT_EQ(b.remaining(), 6);
  for (std::uint8_t i = 1; i <= 5; ++i) {
    EXPECT_EQ(b.readByte(), i);
  }
  EXPECT_EQ(b.readByte(), 0) << "the sixth byte is growth padding";
  EXPECT_TRUE(b.atEnd());
}

TEST(KxByteBufferLayout, TypedValuesAreLittleEndianWithoutTags) {
  KxByteBuffer nested;
  nested.writeByte(0xAB);
  nested.writeByte(0xCD);
  KxByteBuffer b;
  b.writeByte(0x12);
  b.writeFlag(true);
  b.writeFlag(false);
  b.writeUInt16(0x3456);
  b.writeUInt32(0x789ABCDE);
  b.writeInt16(-2);
  b.writeInt32(-3);
  b.writeString(KxString("hi"));
  b.writeBuffer(nested);
  const std::vector<std::uint8_t> expected = {0x12, 1,    0,    0x56, 0x34, 0xDE, 0xBC, 0x9A, 0x78, 0xFE,
                                              0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 3,    0,    0,    0,    'h',
                                              'i',  0,    2,    0,    0,    0,    0xAB, 0xCD};
  EXPECT_EQ(written(b), expected);

  b.rewind();
  EXPECT_EQ(b.readByte(), 0x12);
  EXPECT_TRUE(b.readFlag());
  EXPECT_FALSE(b.readFlag());
  EXPECT_EQ(b.readUInt16(), 0x3456);
  EXPECT_EQ(b.readUInt32(), 0x789ABCDEu);
  EXPECT_EQ(b.readInt16(), -2);
  EXPECT_EQ(b.readInt32(), -3);
  KxString s;
  b.readString(s);
  EXPECT_STREQ(s.text(), "hi");
  KxByteBuffer back;
  b.readBuffer(back);
  EXPECT_EQ(written(back), (std::vector<std::uint8_t>{0xAB, 0xCD}));
  EXPECT_EQ(back.capacity(), 2);
}

TEST(KxByteBufferLayout, FlagIsTrueOnlyForExactlyOne) {
  const std::uint8_t bytes[] = {0, 1, 2, 0xFF};
  std::uint8_t copy[sizeof bytes];
  std::copy(std::begin(bytes), std::end(bytes), copy);
  KxByteBuffer b(copy, sizeof copy);
  EXPECT_FALSE(b.readFlag());
  EXPECT_TRUE(b.readFlag());
  EXPECT_FALSE(b.readFlag());
  EXPECT_FALSE(b.readFlag());
}

TEST(KxByteBufferReads, PastTheEndGiveZeroFilledValues) {
  std::uint8_t bytes[] = {0x11, 0x22};
  KxByteBuffer b(bytes, 2);
  EXPECT_EQ(b.readUInt32(), 0x2211u) << "the missing high bytes are zero";
  EXPECT_EQ(b.readUInt16(), 0);
  EXPECT_EQ(b.readByte(), 0);
  std::uint8_t dst[4] = {9, 9, 9, 9};
  EXPECT_EQ(b.read(dst, 4), 0);
  EXPECT_EQ(dst[0], 9) << "nothing delivered";
  b.rewind();
  EXPECT_EQ(b.peek(0), 0x11);
  EXPECT_EQ(b.peek(1), 0x22);
  EXPECT_EQ(b.peek(b.remaining()), 0);
  EXPECT_EQ(b.peek(-1), 0);
}

TEST(KxByteBufferReads, AnnouncedLengthsAreCheckedFirst) {
  KxByteBuffer b;
  b.writeUInt32(50);
  b.writeString(KxString("after"));
  b.resize(b.length());
  b.rewind();
  KxString s("old");
  b.readString(s);
  EXPECT_TRUE(s.isEmpty());
  EXPECT_EQ(b.readPosition(), 4u) << "nothing read past the length";

  b.rewind();
  KxByteBuffer target(8);
  b.readBuffer(target);
  EXPECT_EQ(target.capacity(), 0);
  EXPECT_EQ(b.readPosition(), 4u);

  std::uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0xFF, 'x'};
  KxByteBuffer hostile(huge, sizeof huge);
  hostile.readString(s);
  EXPECT_TRUE(s.isEmpty());
}

TEST(KxByteBufferReads, StringIsCutAtItsFirstZero) {
  std::uint8_t bytes[] = {5, 0, 0, 0, 'a', 'b', 0, 'c', 0};
  KxByteBuffer b(bytes, sizeof bytes);
  KxString s;
  b.readString(s);
  EXPECT_STREQ(s.text(), "ab");
  EXPECT_EQ(s.length(), 2);
  EXPECT_TRUE(b.atEnd());
}

TEST(KxByteBufferReads, NestedBufferIntoAWrappedTargetTakesWhatFits) {
  KxByteBuffer b;
  b.writeUInt32(6);
  const std::uint8_t payload[] = {1, 2, 3, 4, 5, 6, 7};
  b.write(payload, sizeof payload);
  b.resize(b.length());
  b.rewind();
  std::uint8_t small[3] = {};
  KxByteBuffer target(small, sizeof small);
  b.readBuffer(target);
  EXPECT_EQ(small[2], 3);
  EXPECT_EQ(target.length(), 3);
  EXPECT_EQ(b.readByte(), 7) << "the announced bytes were consumed";
}

TEST(KxByteBufferPositions, SkipRewindSeekResize) {
  KxByteBuffer b(10);
  b.skip(4);
  EXPECT_EQ(b.readPosition(), 4u);
  EXPECT_EQ(b.length(), 4) << "skip moves both positions";
  b.skip(100);
  EXPECT_TRUE(b.atEnd());
  EXPECT_EQ(b.length(), 10);
  b.resize(6);
  EXPECT_EQ(b.capacity(), 6);
  EXPECT_EQ(b.readPosition(), 6u);
  EXPECT_EQ(b.length(), 6);
  b.rewind();
  EXPECT_EQ(b.remaining(), 6);
  b.seekEnd();
  EXPECT_EQ(b.remaining(), 0);
  b.reset(3);
  EXPECT_EQ(b.capacity(), 3);
  EXPECT_EQ(b.length(), 0);
}

TEST(KxByteBufferExternal, NeverGrowsOrFrees) {
  std::uint8_t bytes[4] = {};
  KxByteBuffer b(bytes, sizeof bytes);
  EXPECT_TRUE(b.isExternal());
  const std::uint8_t six[] = {1, 2, 3, 4, 5, 6};
  b.write(six, sizeof six);
  EXPECT_EQ(b.capacity(), 4);
  EXPECT_EQ(b.length(), 4);
  EXPECT_EQ(bytes[3], 4);
  b.reset(100);
  b.resize(100);
  EXPECT_EQ(b.data(), bytes);
  EXPECT_EQ(b.capacity(), 4);
  EXPECT_EQ(b.writeSpace(1), nullptr);
}

TEST(KxTextCode, Alphabet) {
  const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ@abcdefghijklmnopqrstuvwxyz#";
  for (std::uint32_t v = 0; v < 64; ++v) {
    EXPECT_EQ(kxTextCodeChar(v), alphabet[v]);
    EXPECT_EQ(kxTextCodeValue(static_cast<std::uint8_t>(alphabet[v])), v);
  }
  EXPECT_EQ(kxTextCodeChar(64), '\0');
  EXPECT_EQ(kxTextCodeValue('@'), 36);
  EXPECT_EQ(kxTextCodeValue('#'), 63);
  EXPECT_EQ(kxTextCodeValue('a'), 37);
  for (const char foreign : std::string("+/=-_ \n\0", 8)) {
    EXPECT_EQ(kxTextCodeValue(static_cast<std::uint8_t>(foreign)), 255) << int(foreign);
  }
}

TEST(KxTextCode, KnownEncodings) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{0x00, 0x10, 0x83}, "0123"},
      {{'M', 'a', 'n'}, "JM5j"},
      {{0xFF, 0xFF, 0xFF}, "####"},
      {{0xFB}, "zl00"}, // a final group of one byte is padded with zeros
      {{0x00, 0x10, 0x83, 0x01, 0x02}, "01230G80"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    KxByteBuffer source;
    source.write(c.bytes.data(), static_cast<std::int32_t>(c.bytes.size()));
    source.resize(source.length());
    KxByteBuffer text;
    text.encodeText(source);
    EXPECT_EQ(std::string(text.data(), text.data() + text.length()), c.text);
    EXPECT_EQ(text.capacity(), text.length());
  }
}

TEST(KxTextCode, DecodeAcceptsAnyLength) {
  struct Case {
    std::string text;
    std::int32_t bytes;
  };
  const Case cases[] = {{"", 0}, {"0", 0}, {"01", 1}, {"012", 2}, {"0123", 3}, {"01230", 3}, {"0123012", 5}};
  for (const auto& c : cases) {
    KxByteBuffer source = fromText(c.text);
    KxByteBuffer out;
    out.decodeText(source);
    EXPECT_EQ(out.length(), c.bytes) << c.text;
  }
  KxByteBuffer source = fromText("0123");
  KxByteBuffer out;
  out.decodeText(source);
  EXPECT_EQ(written(out), (std::vector<std::uint8_t>{0x00, 0x10, 0x83}));
}

TEST(KxTextCode, ForeignCharactersDecodeAsValue255) {
  // v = 255 << 18: the bits above the 24 that are kept are lost.
  KxByteBuffer source = fromText("!000");
  KxByteBuffer out;
  out.decodeText(source);
  EXPECT_EQ(written(out), (std::vector<std::uint8_t>{0xFC, 0x00, 0x00}));
  KxByteBuffer partial = fromText("01");
  out.decodeText(partial);
  // 0<<18 | 1<<12 | 255<<6 | 255 = 0x0050BF; the first byte is kept.
  EXPECT_EQ(written(out), (std::vector<std::uint8_t>{0x00}));
}

TEST(KxTextCode, RoundTripOfEveryByteValue) {
  KxByteBuffer source;
  for (int i = 0; i < 3 * 256; ++i) {
    source.writeByte(static_cast<std::uint8_t>(i * 7 + i / 256));
  }
  source.resize(source.length());
  const std::vector<std::uint8_t> original(source.data(), source.data() + source.capacity());
  KxByteBuffer text;
  text.encodeText(source);
  EXPECT_EQ(text.length(), 4 * 256);
  KxByteBuffer back;
  back.decodeText(text);
  EXPECT_EQ(written(back), original);
  text.encodeText(text);
  EXPECT_EQ(text.length(), 342 * 4) << "encoding a buffer into itself works on a copy";
}

} // namespace
