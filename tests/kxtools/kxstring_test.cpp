#include <kxtools/inc/kxstring.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string str(const KxString& s) { return std::string(s.text(), static_cast<std::size_t>(s.length())); }

void expectShape(const KxString& s, std::int32_t length, std::int32_t capacity) {
  EXPECT_EQ(s.length(), length);
  EXPECT_EQ(s.capacity(), capacity);
  EXPECT_EQ(s.text()[length], '\0');
}

TEST(KxStringConstruction, SizesAndCapacities) {
  expectShape(KxString(), 0, 9);
  expectShape(KxString(nullptr), 0, 9);
  expectShape(KxString(""), 0, 9);
  expectShape(KxString("abc"), 3, 12);
  expectShape(KxString('x', 3), 3, 12);
  expectShape(KxString('x', 0), 0, 9);
  expectShape(KxString('x', -4), 0, 9);
  expectShape(KxString('\0', 5), 0, 14);
  EXPECT_EQ(str(KxString('x', 3)), "xxx");
}

TEST(KxStringConstruction, BytesPastTheTerminatorAreZero) {
  const KxString s("ab");
  for (std::int32_t i = s.length(); i < s.capacity(); ++i) {
    EXPECT_EQ(s.text()[i], '\0') << i;
  }
}

TEST(KxStringConstruction, CopiesAreDeep) {
  KxString a("hello");
  KxString b(a);
  EXPECT_NE(a.text(), b.text());
  b.append("!");
  EXPECT_EQ(str(a), "hello");
  EXPECT_EQ(b.capacity(), 5 + 9);
  EXPECT_EQ(KxString::empty().length(), 0);
}

TEST(KxStringGrowth, AppendFollowsTheExactGrowthRule) {
  KxString s;
  s.append("abcdefgh");
  EXPECT_EQ(s.capacity(), 9) << "0 + 8 < 9 fits";
  s.append("i");
  EXPECT_EQ(s.capacity(), 12) << "grows to length + n + 3";
  EXPECT_EQ(str(s), "abcdefghi");
  s.append(static_cast<const char*>(nullptr));
  EXPECT_EQ(str(s), "abcdefghi");
}

TEST(KxStringGrowth, AppendOfItselfSurvivesReallocation) {
  KxString s("abcdef");
  s.append(s);
  EXPECT_EQ(str(s), "abcdefabcdef");
  s.append(s.text() + 10);
  EXPECT_EQ(str(s), "abcdefabcdefef");
}

TEST(KxStringGrowth, AssignReusesTheBufferWhenTheTextFits) {
  KxString s("a fairly long text");
  const char* before = s.text();
  s.assign(KxString("short"));
  EXPECT_EQ(s.text(), before);
  EXPECT_EQ(str(s), "short");
  s.assign(s);
  EXPECT_EQ(str(s), "short");
  KxString small("ab");
  small.assign(KxString("0123456789012"));
  EXPECT_EQ(small.capacity(), 13 + 9);
  EXPECT_EQ(str(small), "0123456789012");
}

TEST(KxStringGrowth, ReserveAndClear) {
  KxString s("abc");
  s.reserve(2);
  EXPECT_EQ(s.capacity(), 12);
  s.reserve(40);
  EXPECT_EQ(s.capacity(), 41);
  EXPECT_EQ(str(s), "abc");
  s.reserve(-3);
  EXPECT_EQ(s.capacity(), 41);
  s.clear();
  EXPECT_EQ(s.capacity(), 9);
  EXPECT_TRUE(s.isEmpty());
}

TEST(KxStringLength, SetLengthPadsWithSpacesOrCuts) {
  KxString s("ab");
  s.setLength(5);
  EXPECT_EQ(str(s), "ab   ");
  s.setLength(1);
  EXPECT_EQ(str(s), "a");
  s.setLength(-1);
  EXPECT_EQ(str(s), "");
  KxString big("x");
  big.setLength(100);
  EXPECT_EQ(big.length(), 100);
  EXPECT_EQ(big.text()[100], '\0');
}

TEST(KxStringLength, RecountAfterWritingIntoTheBuffer) {
  KxString s;
  s.reserve(20);
  std::strcpy(s.buffer(), "written");
  s.recountLength();
  EXPECT_EQ(str(s), "written");
}

TEST(KxStringFormat, ShortAndLongResults) {
  KxString s("old");
  s.format("%s-%d", "id", 42);
  EXPECT_EQ(str(s), "id-42");
  const std::string longText(5000, 'q');
  s.format("<%s>", longText.c_str());
  EXPECT_EQ(s.length(), 5002);
  EXPECT_EQ(str(s), "<" + longText + ">");
}

TEST(KxStringCompare, CompareToIsNormalised) {
  struct Case {
    const char* a;
    const char* b;
    std::int32_t expected;
  };
  const Case cases[] = {{"abc", "abd", -1}, {"abc", "ab", 1}, {"ab", "abc", -1}, {"abc", "abc", 0},
                        {"", "", 0},        {"b", "a", 1},    {"\xE9", "z", 1} /* unsigned bytes */};
  for (const auto& c : cases) {
    EXPECT_EQ(KxString(c.a).compareTo(KxString(c.b)), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(KxString(c.a).compareText(c.b) > 0, c.expected > 0);
    EXPECT_EQ(KxString(c.a).compareText(c.b) < 0, c.expected < 0);
  }
}

TEST(KxStringCompare, CompareToANonStringIsDefined) {
  const KxObject other;
  const std::int32_t r = KxString("x").compareTo(other);
  EXPECT_EQ(r, 1) << "strings (30023) order after plain objects (30000)";
}

TEST(KxStringCompare, NoCaseAndPrefix) {
  EXPECT_EQ(KxString("Hello").compareNoCase("hELLO"), 0);
  EXPECT_LT(KxString("apple").compareNoCase("BANANA"), 0);
  EXPECT_NE(KxString("\xC9").compareNoCase("\xE9"), 0) << "only ASCII letters fold";
  EXPECT_EQ(KxString("abc").comparePrefix(KxString("abcdef")), 0);
  EXPECT_EQ(KxString("abcdef").comparePrefix(KxString("abc")), 0);
  EXPECT_LT(KxString("abx").comparePrefix(KxString("aby")), 0);
  EXPECT_EQ(KxString("x").compareText(nullptr), 1);
}

TEST(KxStringFold, ExampleAndUnfoldedBytes) {
  KxString s("\xC6\x72\xF8\x73\x6B\xF8\x62\x69\x6E\x67");
  s.foldUpper();
  EXPECT_EQ(str(s), "AROSKOBING");
  KxString kept("\xD5\xDF\xD0\xD7\xD8\xF0\xF7\xFD\xFE");
  kept.foldUpper();
  EXPECT_EQ(str(kept), "\xD5\xDF\xD0\xD7\xD8\xF0\xF7\xFD\xFE");
}

TEST(KxStringFold, WholeTable) {
  // Written out independently from the table's description.
  std::string expected(256, '\0');
  for (int i = 0; i < 256; ++i) {
    expected[static_cast<std::size_t>(i)] = static_cast<char>(i);
  }
  auto set = [&expected](std::initializer_list<int> bytes, char to) {
    for (const int b : bytes) {
      expected[static_cast<std::size_t>(b)] = to;
    }
  };
  for (int c = 'a'; c <= 'z'; ++c) {
    expected[static_cast<std::size_t>(c)] = static_cast<char>(c - 32);
  }
  set({0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6}, 'A');
  set({0xC7, 0xE7}, 'C');
  set({0xC8, 0xC9, 0xCA, 0xCB, 0xE8, 0xE9, 0xEA, 0xEB}, 'E');
  set({0xCC, 0xCD, 0xCE, 0xCF, 0xEC, 0xED, 0xEE, 0xEF}, 'I');
  set({0xD1, 0xF1}, 'N');
  set({0xD2, 0xD3, 0xD4, 0xD6, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF8, 0x8C, 0x9C}, 'O');
  set({0xD9, 0xDA, 0xDB, 0xDC, 0xF9, 0xFA, 0xFB, 0xFC}, 'U');
  set({0xDD, 0xFF}, 'Y');
  set({0xDE}, 'S');
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(kKxUpperFold[static_cast<std::size_t>(i)],
              static_cast<unsigned char>(expected[static_cast<std::size_t>(i)]))
        << "byte " << i;
  }
}

TEST(KxStringPieces, MidLeftRight) {
  struct Case {
    const char* text;
    std::int32_t pos;
    std::int32_t count;
    const char* expected;
  };
  const Case mids[] = {{"abcdef", 3, 2, "de"},    {"abcdef", 6, 1, ""},    {"abcdef", 7, 1, ""},
                       {"abcdef", 0, 0, ""},      {"abcdef", 4, 10, "ef"}, {"abcdef", -1, 2, ""},
                       {"abcdef", 0, 6, "abcdef"}};
  for (const auto& c : mids) {
    EXPECT_EQ(str(KxString(c.text).mid(c.pos, c.count)), c.expected) << c.pos << "," << c.count;
  }
  EXPECT_EQ(str(KxString("abc").right(10)), "abc");
  EXPECT_EQ(str(KxString("abc").right(2)), "bc");
  EXPECT_EQ(str(KxString("abc").right(0)), "");
  EXPECT_EQ(str(KxString("abc").left(2)), "ab");
  EXPECT_EQ(str(KxString("abc").left(-2)), "");
}

TEST(KxStringPieces, Trim) {
  KxString s(" \t\r\n\v\fword  inner \n");
  s.trim();
  EXPECT_EQ(str(s), "word  inner");
  KxString blank(" \t ");
  blank.trim();
  EXPECT_TRUE(blank.isEmpty());
}

TEST(KxStringReplace, Cases) {
  struct Case {
    const char* text;
    const char* find;
    const char* with;
    const char* expected;
  };
  const Case cases[] = {
      {"banana", "a", "aa", "baanaanaa"},
      {"banana", "an", "", "ba"},
      {"aaaa", "aa", "b", "bb"},
      {"abc", "", "x", "abc"},
      {"", "a", "b", ""},
      {"x.y.z", ".", "::", "x::y::z"},
      {"abc", "abc", "abcabc", "abcabc"},
      {"no match", "q", "r", "no match"},
  };
  for (const auto& c : cases) {
    KxString s(c.text);
    s.replaceAll(KxString(c.find), KxString(c.with));
    EXPECT_EQ(str(s), c.expected) << c.text << " / " << c.find;
  }
  KxString self("ab");
  self.replaceAll(self, KxString("[ab]"));
  EXPECT_EQ(str(self), "[ab]");
}

TEST(KxStringSplit, TokensUntilNoneIsLeft) {
  KxString s(",,a,b");
  KxString token("stale");
  EXPECT_TRUE(s.split(",", token));
  EXPECT_EQ(str(token), "a");
  EXPECT_EQ(str(s), "b");
  EXPECT_TRUE(s.split(",", token));
  EXPECT_EQ(str(token), "b");
  EXPECT_EQ(str(s), "");
  EXPECT_FALSE(s.split(",", token));
  EXPECT_EQ(str(token), "");
}

TEST(KxStringSplit, OnlyOneDelimiterIsConsumed) {
  KxString s("key=;=value");
  KxString token;
  EXPECT_TRUE(s.split("=;", token));
  EXPECT_EQ(str(token), "key");
  EXPECT_EQ(str(s), ";=value");
  KxString whole("word");
  EXPECT_TRUE(whole.split(" ", token));
  EXPECT_EQ(str(token), "word");
  EXPECT_TRUE(whole.isEmpty());
  KxString delimsOnly(" ; ");
  EXPECT_FALSE(delimsOnly.split(" ;", token));
  EXPECT_EQ(str(delimsOnly), " ; ") << "unchanged when no token is left";
}

TEST(KxStringNumbers, ToDouble) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {{"1.5 M", 1500000.0}, {"44.1t", 44100.0}, {"-3 dB", -3.0}, {"2m", 2000000.0},
                        {"+5", 5.0},          {"abc", 0.0},       {"", 0.0},       {"1,000", 1000.0},
                        {"96 kHz", 96.0},     {"2.5e2", 250.0},   {"1e", 1.0},     {"--1", 0.0}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(KxString(c.text).toDouble(), c.expected) << c.text;
  }
}

TEST(KxStringNumbers, ToDoubleScansOnlyTheFirst256Characters) {
  std::string text(255, ' ');
  text += "7";  // position 255: still scanned
  text += "12"; // past the scan
  EXPECT_DOUBLE_EQ(KxString(text.c_str()).toDouble(), 7.0);
  // 128 M's would make a 256-character number text; the text is capped and still parses.
  const std::string ms = "1" + std::string(200, 'M');
  EXPECT_GT(KxString(ms.c_str()).toDouble(), 1.0);
}

TEST(KxStringNumbers, ToDoubleIgnoresTheLocaleDecimalPoint) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "de_DE") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma on this system";
  }
  const double value = KxString("1.5").toDouble();
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_DOUBLE_EQ(value, 1.5);
}

TEST(KxStringNumbers, ToInt) {
  struct Case {
    const char* text;
    std::int32_t expected;
  };
  const Case cases[] = {{"42", 42},
                        {"  -17", -17},
                        {"+8", 8},
                        {"0x1F", 31},
                        {"0X1f", 31},
                        {"017", 15},
                        {"09", 0},
                        {"0x", 0},
                        {"abc", 0},
                        {"12abc", 12},
                        {"", 0},
                        {"2147483647", 2147483647},
                        {"99999999999", 2147483647},
                        {"-2147483648", -2147483647 - 1},
                        {"-99999999999", -2147483647 - 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(KxString(c.text).toInt(), c.expected) << c.text;
  }
}

TEST(KxStringNumbers, FromIntAndShort) {
  KxString s("previous");
  EXPECT_EQ(str(s.fromInt(-2147483647 - 1)), "-2147483648");
  EXPECT_EQ(str(s.fromInt(0)), "0");
  EXPECT_EQ(str(s.fromShort(70000)), "4464");
  EXPECT_EQ(str(s.fromShort(-1)), "-1");
}

TEST(KxStringAccess, CharAtFindDuplicateCopyTo) {
  const KxString s("hello");
  EXPECT_EQ(s.charAt(1), 'e');
  EXPECT_EQ(s.charAt(-1), '\0');
  EXPECT_EQ(s.charAt(5), '\0');
  EXPECT_EQ(s.find(KxString("ll")), 2);
  EXPECT_EQ(s.find(KxString("z")), -1);
  EXPECT_STREQ(s.duplicate().get(), "hello");

  char dst[8];
  std::memset(dst, 'x', sizeof dst);
  EXPECT_EQ(s.copyTo(dst, -1), dst);
  EXPECT_STREQ(dst, "hello");
  std::memset(dst, 'x', sizeof dst);
  s.copyTo(dst, 3);
  EXPECT_STREQ(dst, "hel");
  EXPECT_EQ(dst[4], 'x') << "nothing written past dst[max]";
  std::memset(dst, 'x', sizeof dst);
  s.copyTo(dst, 9);
  EXPECT_STREQ(dst, "hello");
  std::memset(dst, 'x', sizeof dst);
  s.copyTo(dst, -7);
  EXPECT_EQ(dst[0], 'x') << "a negative limit other than -1 copies nothing";
  EXPECT_EQ(s.copyTo(nullptr, 3), nullptr);
}

TEST(KxStringObject, ClassIdAndHolderCount) {
  KxString s("x");
  EXPECT_EQ(s.classId(), 30023);
  EXPECT_TRUE(s.isUnreferenced());
  s.addRef();
  EXPECT_FALSE(s.isUnreferenced());
  const KxString copy(s);
  EXPECT_TRUE(copy.isUnreferenced()) << "a copy is held by no list";
  s.release();
  s.release();
  EXPECT_TRUE(s.isUnreferenced());
  EXPECT_EQ(KxObject().classId(), 30000);
  EXPECT_EQ(KxObject().query(), 0);
  EXPECT_TRUE(KxObject().isEqual(s));
}

} // namespace
