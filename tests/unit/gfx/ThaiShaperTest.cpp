#include <gtest/gtest.h>

#include <string>

#include "gfx/ThaiShaper.h"

namespace {

std::wstring Shape(const std::wstring& in, size_t capacity = 255) {
  std::wstring out(capacity + 1, L'\0');
  size_t n = ShapeThaiText(in.data(), in.size(), out.data(), capacity);
  EXPECT_EQ(L'\0', out[n]);
  out.resize(n);
  return out;
}

struct ShapeCase {
  const char* what;
  std::wstring in;
  std::wstring out;
};

// Expected output code points: the private-use forms are the Windows Thai positional
// glyphs (U+F700..U+F71A) that the TLWG faces carry.
TEST(ThaiShaper, MarkCasesGiveThePositionalForms) {
  const ShapeCase cases[] = {
      // ก่ : a tone mark with no upper vowel is lowered.
      {"tone mark alone", L"\u0E01\u0E48", L"\u0E01\uF70A"},
      // ที่ : over an upper vowel the tone keeps its high form.
      {"tone over upper vowel", L"\u0E17\u0E35\u0E48", L"\u0E17\u0E35\u0E48"},
      // ป่ : over a tall consonant the lowered tone also shifts left.
      {"tone over tall consonant", L"\u0E1B\u0E48", L"\u0E1B\uF705"},
      // ปี่ : vowel and tone both shift left over the tall consonant.
      {"vowel and tone over tall consonant", L"\u0E1B\u0E35\u0E48", L"\u0E1B\uF702\uF713"},
      // ฝั่ง : MAI HAN-AKAT and tone shifted left.
      {"han-akat and tone over tall consonant", L"\u0E1D\u0E31\u0E48\u0E07", L"\u0E1D\uF710\uF713\u0E07"},
      // ญุ : the consonant drops its lower tail to make room for the below vowel.
      {"below vowel under yo ying", L"\u0E0D\u0E38", L"\uF70F\u0E38"},
      // ฐู : likewise for tho than.
      {"below vowel under tho than", L"\u0E10\u0E39", L"\uF700\u0E39"},
      // ตุ่ : below vowel plus a lowered tone.
      {"below vowel with tone", L"\u0E15\u0E38\u0E48", L"\u0E15\u0E38\uF70A"},
      // น้ำ : tone before SARA AM is lowered.
      {"tone with sara am", L"\u0E19\u0E49\u0E33", L"\u0E19\uF70B\u0E33"},
      // A word with no marks passes through unchanged.
      {"plain word", L"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35", L"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.out, Shape(c.in));
  }
}

TEST(ThaiShaper, NonThaiTextAroundThaiRunsIsUntouched) {
  // "Play ป่ 123 한국" : Latin, digits and Hangul pass through; the Thai run is shaped.
  EXPECT_EQ(L"Play \u0E1B\uF705 123 \uD55C\uAD6D", Shape(L"Play \u0E1B\u0E48 123 \uD55C\uAD6D"));
  EXPECT_EQ(L"", Shape(L""));
}

TEST(ThaiShaper, MarkWithoutBaseDrawsAloneWithoutPlaceholder) {
  std::wstring out = Shape(L"\u0E34");
  ASSERT_EQ(1u, out.size());
  EXPECT_EQ(L'\u0E34', out[0]);
}

TEST(ThaiShaper, OutputIsCutToTheCapacityAndAlwaysTerminated) {
  std::wstring in;
  for (int i = 0; i < 400; ++i) in += L"\u0E01\u0E48";  // 800 characters, one long run
  std::wstring out = Shape(in, 255);
  EXPECT_EQ(255u, out.size());
  EXPECT_EQ(L'\u0E01', out[0]);
  EXPECT_EQ(L'\uF70A', out[1]);
  // Runs longer than the internal buffer are still shaped everywhere.
  std::wstring all = Shape(in, 1000);
  ASSERT_EQ(800u, all.size());
  for (size_t i = 1; i < all.size(); i += 2) ASSERT_EQ(L'\uF70A', all[i]) << i;
  EXPECT_EQ(0u, ShapeThaiText(in.data(), in.size(), out.data(), 0));
  EXPECT_EQ(L'\0', out[0]);
}

TEST(ThaiShaper, NeedsShapingOnlyForMarks) {
  EXPECT_TRUE(NeedsThaiShaping(L"\u0E01\u0E48", 2));
  EXPECT_TRUE(NeedsThaiShaping(L"\u0E19\u0E33", 2));
  EXPECT_FALSE(NeedsThaiShaping(L"\u0E01\u0E02 abc", 6));
}

}  // namespace
