#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/StringUtil.h"

namespace {

struct NumberCase {
  int64_t value;
  const char* grouped;
  const char* short_form;
};

TEST(StringUtil, NumbersAndShortAmounts) {
  const NumberCase cases[] = {
      {0, "0", "0"},
      {999, "999", "999"},
      {1000, "1,000", "1,000"},
      {-1234567, "-1,234,567", "-1,234,567"},
      {99999, "99,999", "99,999"},
      {100000, "100,000", "100K"},
      {120000, "120,000", "120K"},
      {123456, "123,456", "123.4K"},
      {999999, "999,999", "999.9K"},
      {1000000, "1,000,000", "1M"},
      {1500000, "1,500,000", "1.5M"},
      {1234567890, "1,234,567,890", "1,234.5M"},
      {INT64_MIN, "-9,223,372,036,854,775,808", "-9,223,372,036,854,775,808"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(FormatNumber(c.value), c.grouped);
    EXPECT_EQ(FormatAmountShort(c.value), c.short_form);
  }
  EXPECT_EQ(FormatNumber(int32_t{-5000}), "-5,000");
}

TEST(StringUtil, FormatStringCutsAt1024Bytes) {
  std::string big(3000, 'x');
  EXPECT_EQ(FormatString("%s", big.c_str()).size(), 1023u);
  EXPECT_EQ(FormatString("%d-%s", 7, "a"), "7-a");
}

struct Utf8Case {
  const char* text;
  size_t length;  // 0 = invalid
};

TEST(StringUtil, Utf8LengthValidates) {
  const Utf8Case cases[] = {
      {"", 0},
      {"abc", 3},
      {"ประกาศ", 6},
      {"알림", 2},
      {"\xF0\x9F\x82\xA1", 1},  // U+1F0A1
      {"a\x80", 0},             // lone continuation byte
      {"\xC1\xBF", 0},          // overlong lead
      {"\xE0\x80\x80", 0},      // overlong 3-byte
      {"\xED\xA0\x80", 0},      // encoded surrogate
      {"\xF4\x90\x80\x80", 0},  // above U+10FFFF
      {"\xF5\x80\x80\x80", 0},
      {"\xE0\xA4", 0},  // truncated
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Utf8Length(c.text), c.length);
  }
}

TEST(StringUtil, ShortenNameNeverSplitsACharacter) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"abcdefghij", "abcdefghij"},    // 10 characters stay
      {"abcdefghijk", "abcdefgh.."},   // 11 become 8 + ".."
      {"สวัสดีครับทุกคน", "สวัสดีคร.."},  // Thai: 8 whole characters
      {"가나다라마바사아자차카", "가나다라마바사아.."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    char out[50];
    std::memset(out, 0x7F, sizeof(out));
    ShortenName(c.in, out);
    EXPECT_STREQ(out, c.out);
    if (*c.in) {
      EXPECT_NE(Utf8Length(out), 0u) << "result must stay valid UTF-8";
    }
  }
}

TEST(StringUtil, TruncateUtf8Bytes) {
  char out[64];
  TruncateUtf8Bytes(5, "hello world", out);
  EXPECT_STREQ(out, "hello");
  std::string thai;
  for (int i = 0; i < 30; ++i) thai += "ก";  // 3 bytes each
  TruncateUtf8Bytes(60, thai.c_str(), out);
  EXPECT_EQ(std::strlen(out), 45u + 1u);  // 15 whole characters (45 bytes < 48) and "."
  EXPECT_EQ(out[45], '.');
}

TEST(StringUtil, Utf16BufferConversion) {
  char16_t buf[8];
  EXPECT_EQ(Utf8ToUtf16Buffer("ab", buf, 7), 2u);
  EXPECT_EQ(buf[0], u'a');
  EXPECT_EQ(Utf8ToUtf16Buffer("\xF0\x9F\x82\xA1", buf, 7), 2u);
  EXPECT_EQ(buf[0], 0xD83C);
  EXPECT_EQ(buf[1], 0xDCA1);
  EXPECT_EQ(Utf8ToUtf16Buffer("", buf, 7), 0u);
  EXPECT_EQ(Utf8ToUtf16Buffer("abcdefgh", buf, 7), 0u);  // too long
  EXPECT_EQ(Utf8ToUtf16Buffer("a\xED\xA0\x80", buf, 7), 0u);
}

TEST(StringUtil, WideRoundTrip) {
  const std::string s = "Tolvan ประกาศ 알림 ♣";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(s)), s);
  char out[32];
  EXPECT_EQ(Utf8ToAnsi("abc", out, sizeof(out)), 4);
  EXPECT_STREQ(out, "abc");
  std::string long_text(800, 'a');
  EXPECT_EQ(Utf8ToAnsi(long_text.c_str(), out, sizeof(out)), 0);
}

TEST(StringUtil, RandomIntStaysInRange) {
  bool seen_low = false, seen_high = false;
  for (int i = 0; i < 2000; ++i) {
    int v = RandomInt(3, 6);
    ASSERT_GE(v, 3);
    ASSERT_LE(v, 6);
    seen_low |= v == 3;
    seen_high |= v == 6;
  }
  EXPECT_TRUE(seen_low && seen_high);
  EXPECT_EQ(RandomInt(5, 5), 5);
}

}  // namespace
