// The kit's font: one bold face that draws every character the client shows from its
// message tables (both editions), the arrow and suit symbols and the whole Hangul block.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "KitManifest.h"
#include "app/LanguageMessages.h"

namespace {

std::vector<char32_t> CodePoints(const std::string& utf8) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1f) : len == 3 ? (c & 0x0f) : (c & 0x07);
    for (int k = 1; k < len && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3f);
    out.push_back(cp);
    i += len;
  }
  return out;
}

class KitFont : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = kit::BuildDir() + "/raw/Font_Bold_sum.ttf";
    ASSERT_TRUE(std::filesystem::exists(path_)) << "not generated: " << path_;
    ASSERT_EQ(FT_Init_FreeType(&lib_), 0);
    ASSERT_EQ(FT_New_Face(lib_, path_.c_str(), 0, &face_), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face_, 0, 32), 0);
  }
  void TearDown() override {
    if (face_) FT_Done_Face(face_);
    if (lib_) FT_Done_FreeType(lib_);
    InitLanguageMessages(kLanguageEditionThai);
  }

  // A character is drawable when the face maps it to a glyph that loads and, unless it
  // is white space, has ink.
  bool Draws(char32_t cp, std::string* why) {
    FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (index == 0) {
      *why = "no glyph";
      return false;
    }
    if (FT_Load_Glyph(face_, index, FT_LOAD_RENDER) != 0) {
      *why = "glyph does not load";
      return false;
    }
    if (cp != ' ' && cp != 0x3000 && face_->glyph->bitmap.rows == 0) {
      *why = "glyph has no ink";
      return false;
    }
    return true;
  }

  // Checks every character of a text; control characters (line breaks, tabs) are laid
  // out by the client, not drawn.
  void ExpectDraws(const std::string& text, const std::string& where) {
    for (char32_t cp : CodePoints(text)) {
      if (cp < 0x20) continue;
      std::string why;
      EXPECT_TRUE(Draws(cp, &why)) << where << ": U+" << std::hex << static_cast<unsigned>(cp) << " " << why;
    }
  }

  std::string path_;
  FT_Library lib_ = nullptr;
  FT_Face face_ = nullptr;
};

TEST_F(KitFont, IsOneBoldFaceUnderItsOwnName) {
  EXPECT_EQ(face_->num_faces, 1);
  EXPECT_STREQ(face_->family_name, "Tolvan Sum");
  EXPECT_TRUE(face_->style_flags & FT_STYLE_FLAG_BOLD);
  EXPECT_TRUE(FT_IS_SCALABLE(face_));
  // The licence texts of the merged fonts are installed beside it.
  EXPECT_TRUE(std::filesystem::exists(kit::BuildDir() + "/raw/Font_Bold_sum-LICENSE.txt"));
}

TEST_F(KitFont, DrawsEveryTextOfBothMessageTables) {
  int texts = 0;
  for (int edition : {kLanguageEditionKorean, kLanguageEditionThai}) {
    InitLanguageMessages(edition);
    for (int i = 0; i < kLanguageMessageCount; ++i) {
      const std::string text = LangMessage(i);
      if (text.empty()) continue;
      ++texts;
      ExpectDraws(text, "edition " + std::to_string(edition) + " message " + std::to_string(i));
    }
    for (int i = 0; i < kArrowSymbolCount; ++i) ExpectDraws(LangArrow(i), "arrow " + std::to_string(i));
    for (int i = 0; i < kSuitSymbolCount; ++i) ExpectDraws(LangSuit(i), "suit " + std::to_string(i));
  }
  EXPECT_GE(texts, 238) << "the message tables were not loaded";
}

TEST_F(KitFont, CoversAllHangulSyllablesAndTheThaiShapingForms) {
  // Korean texts may use any syllable, so the whole block is covered.
  int missing = 0;
  for (char32_t cp = 0xAC00; cp <= 0xD7A3; ++cp)
    if (FT_Get_Char_Index(face_, cp) == 0) ++missing;
  EXPECT_EQ(missing, 0);
  // Thai letters, and the positional forms (private use area) that the client's Thai
  // shaping picks for marks over tall consonants and under descenders.
  for (char32_t cp = 0x0E01; cp <= 0x0E3A; ++cp) EXPECT_NE(FT_Get_Char_Index(face_, cp), 0u) << std::hex << static_cast<unsigned>(cp);
  for (char32_t cp = 0x0E3F; cp <= 0x0E5B; ++cp) EXPECT_NE(FT_Get_Char_Index(face_, cp), 0u) << std::hex << static_cast<unsigned>(cp);
  for (char32_t cp = 0xF700; cp <= 0xF71A; ++cp) EXPECT_NE(FT_Get_Char_Index(face_, cp), 0u) << std::hex << static_cast<unsigned>(cp);
  // Latin: printable ASCII and the thousands separators and currency the client prints.
  for (char32_t cp = 0x21; cp <= 0x7E; ++cp) EXPECT_NE(FT_Get_Char_Index(face_, cp), 0u) << std::hex << static_cast<unsigned>(cp);
}

TEST_F(KitFont, HangulAndLatinSitOnTheSameBaselineAtSimilarSize) {
  // The Hangul glyphs come from another font; after scaling to this face's em they must
  // stand as tall as Latin capitals give or take a fifth, not tiny or huge.
  auto height = [&](char32_t cp) {
    FT_Load_Char(face_, cp, FT_LOAD_RENDER);
    return static_cast<int>(face_->glyph->bitmap_top);
  };
  int latin = height('H'), hangul = height(0xD55C);  // "H", "한"
  ASSERT_GT(latin, 0);
  EXPECT_GT(hangul, latin * 0.8);
  EXPECT_LT(hangul, latin * 1.4);
}

}  // namespace
