#include <FTGL/ftgl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/LanguageMessages.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "render/TexRenderEnv.h"

namespace {

using texrender::Frame;

const float kWhite[4] = {1, 1, 1, 1};

// Horizontal extent of lit pixels in rows [y0, y1): {first, last}, or {-1, -1}.
std::pair<int, int> LitSpan(const Frame& f, int y0, int y1, int x0 = 0, int x1 = texrender::kW) {
  int first = -1, last = -1;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (!f.IsBlack(x, y)) {
        if (first < 0 || x < first) first = x;
        if (x > last) last = x;
      }
  return {first, last};
}

std::pair<int, int> LitRows(const Frame& f, int x0, int x1, int y0, int y1) {
  int first = -1, last = -1;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (!f.IsBlack(x, y)) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return {first, last};
}

class TextRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    texrender::InFolder(texrender::FontFolder(), [] { GLSurface::Instance()->Initialize(0, nullptr); });
    font = GLSurface::Instance()->Font(0);
    ASSERT_NE(nullptr, font);
    ASSERT_TRUE(font->IsInitialised());
    texrender::BeginFrame();
  }
  GLFont* font = nullptr;
};

TEST_F(TextRender, AlignedTextLandsWhereTheMeasuredWidthSays) {
  font->SetFaceSize(32);
  const char* text = "Tolvan 123";
  const GLTextBox m = font->MeasureText(text);
  ASSERT_GT(m.right, 60);
  ASSERT_GT(m.bottom, 10);
  // Three rows of the same box (100..700 wide): left, centre, right.
  const int left = 100, right = 700;
  font->DrawText(text, 0, GLTextBox{left, 100, right, 160}, kWhite);
  font->DrawText(text, GLFont::kAlignCentre, GLTextBox{left, 200, right, 260}, kWhite);
  font->DrawText(text, GLFont::kAlignRight, GLTextBox{left, 300, right, 360}, kWhite);
  font->DrawTextAt(640, 500, text, GLFont::kAlignCentre | GLFont::kAlignVCentre, kWhite);
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/text_alignment.png");
  // Glyph side bearings leave a few pixels between the pen and the ink.
  const int slack = 6;
  auto l = LitSpan(f, 90, 180);
  EXPECT_NEAR(left, l.first, slack);
  EXPECT_NEAR(left + m.right, l.second, slack);
  auto c = LitSpan(f, 190, 280);
  const int cx = left + (right - left) / 2 - m.right / 2;
  EXPECT_NEAR(cx, c.first, slack);
  EXPECT_NEAR(cx + m.right, c.second, slack);
  auto r = LitSpan(f, 290, 380);
  EXPECT_NEAR(right - m.right, r.first, slack);
  EXPECT_NEAR(right, r.second, slack);
  auto at = LitSpan(f, 440, 560);
  EXPECT_NEAR(640, (at.first + at.second) / 2, slack);
  auto rows = LitRows(f, 400, 900, 400, 600);
  EXPECT_NEAR(500, (rows.first + rows.second) / 2, 8) << "vertically centred on the point";
}

TEST_F(TextRender, FaceSizeCachingAndResolution) {
  font->SetFaceSize(20);
  EXPECT_EQ(18, font->FaceSize());
  font->SetFaceSize(20);  // differs from the stored 18: re-applied, still 18
  EXPECT_EQ(18, font->FaceSize());
  font->SetFaceSize(18);  // equal to the stored size: skipped
  EXPECT_EQ(18, font->FaceSize());
  EXPECT_EQ(18u, font->Ftgl()->FaceSize());

  GLWindowScreen* s = GLWindowScreen::Instance();
  const float keep = s->m_scale_x;
  struct {
    float scale;
    int res;
  } cases[] = {{1.0f, 88}, {1.5f, 132}, {1.25f, 110}, {2.0f, 176}};
  for (auto& c : cases) {
    s->m_scale_x = c.scale;
    EXPECT_EQ(c.res, font->ScaledResolution()) << c.scale;
  }
  s->m_scale_x = keep;
}

// The stored sizes follow the 0.94 rule exactly, while FTGL is asked to resize only
// when a size is new to the font: a repeated or returning size reuses its face.
TEST_F(TextRender, RepeatedSizesKeepTheRuleWithoutResizingFtgl) {
  struct Case {
    const char* what;
    std::vector<int> requests;
    std::vector<int> stored;  // the stored size after each request
    int resizes;              // FTGL resizes the requests cost
  };
  const Case cases[] = {
      {"same size again and again", {20, 20, 20, 20}, {18, 18, 18, 18}, 1},
      {"the stored size is skipped", {20, 18}, {18, 18}, 1},
      {"two sizes taking turns", {20, 30, 20, 30, 20, 30}, {18, 28, 18, 28, 18, 28}, 2},
      {"putting a stored size back applies the factor again", {30, 18, 28}, {28, 16, 26}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A fresh font for each case: its first face is already sized to 10.
    texrender::InFolder(texrender::FontFolder(), [] { GLSurface::Instance()->Initialize(0, nullptr); });
    font = GLSurface::Instance()->Font(0);
    ASSERT_EQ(1, font->FtglResizeCount());
    for (size_t i = 0; i < c.requests.size(); ++i) {
      font->SetFaceSize(c.requests[i]);
      EXPECT_EQ(c.stored[i], font->FaceSize()) << "request " << i;
      EXPECT_EQ(static_cast<unsigned>(c.stored[i]), font->Ftgl()->FaceSize()) << "request " << i;
    }
    EXPECT_EQ(1 + c.resizes, font->FtglResizeCount());
  }
}

TEST_F(TextRender, SizedFacesMeasureAndDrawLikeAFreshlySizedFont) {
  // More sizes than faces kept: the oldest face is resized in place and every size
  // still measures what a font sized once to it measures.
  const char* text = "Tolvan 1,250K";
  std::vector<int> widths;
  for (int size = 10; size < 10 + 2 * GLFont::kSizedFaces; ++size) {
    font->ApplyFaceSize(size);
    widths.push_back(font->MeasureText(text).right);
  }
  for (int round = 0; round < 2; ++round)
    for (int size = 10; size < 10 + 2 * GLFont::kSizedFaces; ++size) {
      font->ApplyFaceSize(size);
      EXPECT_EQ(widths[size - 10], font->MeasureText(text).right) << size;
      EXPECT_EQ(static_cast<unsigned>(size), font->Ftgl()->FaceSize());
    }
  EXPECT_LT(widths.front(), widths.back());
  // At a larger window the glyphs are rasterised at the larger resolution at once, so
  // the measured logical width stays the same.
  GLWindowScreen* s = GLWindowScreen::Instance();
  const float keep_x = s->m_scale_x, keep_inv = s->m_inv_scale_x;
  s->m_scale_x = 1.5f;
  s->m_inv_scale_x = 1.0f / 1.5f;
  font->ApplyFaceSize(20);
  const int wide = font->MeasureText(text).right;
  s->m_scale_x = keep_x;
  s->m_inv_scale_x = keep_inv;
  EXPECT_NEAR(widths[10], wide, 2);
  // Switching between sizes kept draws the same pixels as the first time.
  font->ApplyFaceSize(24);
  font->DrawText("Hg", 0, GLTextBox{100, 100, 300, 140}, kWhite);
  font->ApplyFaceSize(12);
  font->ApplyFaceSize(24);
  font->DrawText("Hg", 0, GLTextBox{400, 100, 600, 140}, kWhite);
  Frame f = texrender::Read();
  auto a = LitSpan(f, 90, 150, 90, 350);
  auto b = LitSpan(f, 90, 150, 390, 650);
  ASSERT_GE(a.first, 0);
  EXPECT_EQ(a.second - a.first, b.second - b.first);
}

TEST_F(TextRender, ResizeMarksSizesStaleAndBottomAlignmentKeepsToTheBox) {
  font->SetFaceSize(30);
  GLSurface::Instance()->MarkFontSizesStale();
  EXPECT_EQ(9, font->FaceSize());
  font->SetFaceSize(30);
  EXPECT_EQ(28, font->FaceSize());

  // An empty string measures 0 x ascender; null measures nothing.
  GLTextBox e = font->MeasureText("");
  EXPECT_EQ(0, e.right);
  EXPECT_GT(e.bottom, 0);
  GLTextBox n = font->MeasureText(nullptr);
  EXPECT_EQ(0, n.bottom);
  // A box lower than the text: bottom alignment leaves y at the box top, like no flag.
  font->DrawText("Hg", GLFont::kAlignBottom, GLTextBox{100, 100, 300, 105}, kWhite);
  font->DrawText("Hg", 0, GLTextBox{400, 100, 600, 105}, kWhite);
  Frame f = texrender::Read();
  auto a = LitRows(f, 100, 300, 50, 200);
  auto b = LitRows(f, 400, 600, 50, 200);
  EXPECT_EQ(a, b);
}

TEST_F(TextRender, OverLongTextDrawsNothingAndThaiIsShapedBeforeMeasuring) {
  std::string long_text(300, 'x');
  EXPECT_EQ(0, font->MeasureText(long_text.c_str()).right);
  font->DrawText(long_text.c_str(), 0, GLTextBox{0, 0, 1280, 100}, kWhite);
  Frame f = texrender::Read();
  EXPECT_EQ(-1, LitSpan(f, 0, 100).first);
  // Shaping replaces marks, not spacing characters: the shaped and raw widths of a word
  // whose tone mark becomes a positional form stay the same (marks do not advance).
  font->SetFaceSize(30);
  const GLTextBox shaped = font->MeasureText("\xE0\xB8\x9B\xE0\xB9\x88\xE0\xB8\xB2");  // ป่า
  const GLTextBox base = font->MeasureText("\xE0\xB8\x9B\xE0\xB8\xB2");               // ปา
  EXPECT_EQ(base.right, shaped.right);
}

// Renders message-table lines in Thai and Korean for people to review; saved under
// render-out/ and copied to docs/thai_text.png by hand.
// A counting text drawn character by character lands where the same text drawn whole
// does, for each alignment.
TEST_F(TextRender, TickingTextMatchesTheWholeText) {
  struct Case {
    const char* text;
    int size;
    int flags;
  } cases[] = {
      {"18", 36, GLFont::kAlignCentre | GLFont::kAlignVCentre},
      {"7", 36, GLFont::kAlignCentre | GLFont::kAlignVCentre},
      {"1:02:33", 20, GLFont::kAlignRight | GLFont::kAlignBottom},
      {"-250", 24, 0},
  };
  for (const Case& c : cases) {
    texrender::BeginFrame();
    font->SetFaceSize(c.size);
    font->DrawText(c.text, c.flags, GLTextBox{300, 100, 600, 250}, kWhite);
    font->DrawTicking(c.text, c.flags, GLTextBox{300, 400, 600, 550}, kWhite);
    Frame f = texrender::Read();
    const auto whole = LitSpan(f, 90, 260), ticking = LitSpan(f, 390, 560);
    ASSERT_GE(whole.first, 0) << c.text;
    EXPECT_NEAR(whole.first, ticking.first, 3) << c.text;
    EXPECT_NEAR(whole.second, ticking.second, 3) << c.text;
    const auto whole_rows = LitRows(f, 300, 600, 90, 260), ticking_rows = LitRows(f, 300, 600, 390, 560);
    EXPECT_NEAR(whole_rows.first + 300, ticking_rows.first, 1) << c.text;
    EXPECT_NEAR(whole_rows.second + 300, ticking_rows.second, 1) << c.text;
  }
}

TEST_F(TextRender, MessageTableSample) {
  texrender::BeginFrame();
  GLSurface* s = GLSurface::Instance();
  GLFont* th = s->Font(0);
  const std::string ko_dir = texrender::FontFolder(true);
  texrender::InFolder(ko_dir, [&] { s->Initialize(1, nullptr); });
  GLFont* ko = s->Font(1);
  ASSERT_NE(nullptr, ko);
  const float grey[4] = {0.7f, 0.7f, 0.7f, 1};
  th->SetFaceSize(20);
  th->DrawTextAt(20, 10, "Thai (pre-shaped with libthai)", 0, grey);
  ko->SetFaceSize(20);
  ko->DrawTextAt(660, 10, "Korean", 0, grey);
  int y = 50;
  int drawn = 0;
  for (int idx = 0; idx < kLanguageMessageCount && drawn < 16; ++idx) {
    InitLanguageMessages(kLanguageEditionThai);
    std::string t = LangMessage(idx);
    InitLanguageMessages(kLanguageEditionKorean);
    std::string k = LangMessage(idx);
    // Lines written in both scripts: Thai in the Thai edition and Hangul (no Thai) in
    // the Korean one; some Korean entries carry Thai or English texts.
    auto has_thai = [](const std::string& x) {
      return x.find("\xE0\xB8") != std::string::npos || x.find("\xE0\xB9") != std::string::npos;
    };
    auto has_hangul = [](const std::string& x) {
      return std::any_of(x.begin(), x.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0xEA && u <= 0xED;
      });
    };
    if (t.size() > 120 || k.size() > 120 || !has_thai(t) || has_thai(k) || !has_hangul(k)) continue;
    th->SetFaceSize(24);
    ko->SetFaceSize(24);
    th->DrawText(t.c_str(), 0, GLTextBox{20, y, 640, y + 38}, kWhite);
    ko->DrawText(k.c_str(), 0, GLTextBox{660, y, 1270, y + 38}, kWhite);
    y += 40;
    ++drawn;
  }
  Frame f = texrender::Read();
  ASSERT_TRUE(texrender::SavePng(f, texrender::OutDir() + "/thai_text.png", 0, 0, 1280, y + 10));
  if (drawn == 0) GTEST_SKIP() << "the message table is empty in this build";
  EXPECT_NE(-1, LitSpan(f, 50, y, 20, 640).first);
}

}  // namespace

namespace {

// A missing font file must leave the font unusable but harmless: the program starts
// and draws without text instead of crashing inside the font library.
TEST(TextRenderMissingFont, MissingFaceDrawsNothingAndDoesNotCrash) {
  if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
  std::string empty = std::filesystem::temp_directory_path() / "tolvan-no-font";
  std::filesystem::create_directories(empty);
  GLFont font(1280, 720);
  texrender::InFolder(empty, [&] { font.Initialize(0, nullptr); });
  EXPECT_FALSE(font.IsInitialised());
  font.SetFaceSize(20);
  texrender::BeginFrame();
  font.DrawText("Tolvan", 0, GLTextBox{10, 10, 300, 60}, kWhite);
  const GLTextBox m = font.MeasureText("Tolvan");
  EXPECT_EQ(m.right, 0);
  Frame f = texrender::Read();
  EXPECT_EQ(LitSpan(f, 0, 80).first, -1);
}

}  // namespace
