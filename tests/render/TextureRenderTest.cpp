#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "gfx/GLTexture.h"
#include "render/TexRenderEnv.h"
#include "unit/gfx/ImageEncode.h"

namespace {

using texrender::Frame;

// Sheet of `cols` x `rows` frames of fw x fh pixels; frame i filled with colours[i].
struct Rgba {
  uint8_t r, g, b, a;
};

std::vector<uint8_t> Sheet(int cols, int rows, int fw, int fh, const std::vector<Rgba>& colours, bool column_major = false) {
  const int w = cols * fw, h = rows * fh;
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int c = x / fw, r = y / fh;
      const Rgba& k = colours[column_major ? c * rows + r : r * cols + c];
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = k.r, p[1] = k.g, p[2] = k.b, p[3] = k.a;
    }
  return px;
}

std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
  auto dir = std::filesystem::temp_directory_path() / ("tolvan-tex-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / name).string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return path;
}

bool Near(const uint8_t* p, int r, int g, int b, int tol = 12) {
  return std::abs(p[0] - r) <= tol && std::abs(p[1] - g) <= tol && std::abs(p[2] - b) <= tol;
}

class TextureRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    texrender::BeginFrame();
  }
  void TearDown() override { SetTickSource(nullptr); }
  // A 4 x 1 sheet of 100 x 50 frames: red, green, blue, white.
  void LoadRgbw(GLTexture& t, const char* file = "rgbw.png") {
    auto px = Sheet(4, 1, 100, 50, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}});
    ASSERT_EQ(1, t.Create(WriteTemp(file, testimg::EncodePng(px, 400, 50, 4)).c_str(), nullptr, 4, 1));
  }
};

TEST_F(TextureRender, SheetFrameLandsOnItsDesignRectangle) {
  GLTexture t;
  LoadRgbw(t);
  t.SetSize(400, 50);
  EXPECT_EQ(100.0f, t.FrameWidth());
  t.Draw(1, 200, 150, 0);  // green frame, top-left at (200, 150)
  t.Draw(2, 640, 360, 1);  // blue frame centred on (640, 360)
  t.Draw(4, 900, 500, 0);  // past the last frame: nothing
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/texture_frames.png");
  EXPECT_TRUE(Near(f.At(201, 151), 0, 255, 0));
  EXPECT_TRUE(Near(f.At(298, 198), 0, 255, 0));
  EXPECT_TRUE(f.IsBlack(198, 160));
  EXPECT_TRUE(f.IsBlack(302, 160));
  EXPECT_TRUE(f.IsBlack(250, 202));
  EXPECT_TRUE(Near(f.At(591, 336), 0, 0, 255));
  EXPECT_TRUE(Near(f.At(688, 383), 0, 0, 255));
  EXPECT_TRUE(f.IsBlack(588, 360));
  EXPECT_TRUE(f.IsBlack(640, 387));
  EXPECT_TRUE(f.IsBlack(950, 520));
}

TEST_F(TextureRender, AlphaTintAndWindowTintApply) {
  GLTexture t;
  LoadRgbw(t);
  t.SetColor(1, 1, 1, 0.5f);
  t.Draw(1, 100, 100, 0);  // half green over black
  t.SetColor(1, 0, 0, 1);
  t.Draw(3, 300, 100, 0);  // white frame tinted red
  t.SetColor(1, 1, 1, 0);
  t.Draw(3, 500, 100, 0);  // alpha 0: hidden
  t.SetColor(1, 1, 1, 1);
  GLWindowScreen::Instance()->m_tint[3] = 0.25f;
  t.Draw(3, 700, 100, 0);  // a quarter of white
  GLWindowScreen::Instance()->m_tint[3] = 1.0f;
  Frame f = texrender::Read();
  EXPECT_TRUE(Near(f.At(150, 120), 0, 128, 0, 6));
  EXPECT_TRUE(Near(f.At(350, 120), 255, 0, 0));
  EXPECT_TRUE(f.IsBlack(550, 120));
  EXPECT_TRUE(Near(f.At(750, 120), 64, 64, 64, 6));
}

TEST_F(TextureRender, RotationTurnsAboutThePivot) {
  GLTexture t;
  LoadRgbw(t);
  t.m_rotation = 90;
  t.m_pivot = GLTexture::kPivotCentre;
  t.Draw(1, 200, 200, 0);  // 100 x 50 green, centre (250, 225): becomes 50 x 100
  t.m_pivot = GLTexture::kPivotBottomLeft;
  t.Draw(2, 600, 300, 0);  // blue, turned about its bottom-left corner (600, 350)
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/texture_rotation.png");
  EXPECT_TRUE(Near(f.At(250, 180), 0, 255, 0));
  EXPECT_TRUE(Near(f.At(250, 270), 0, 255, 0));
  EXPECT_TRUE(f.IsBlack(210, 225));
  EXPECT_TRUE(f.IsBlack(290, 225));
  // Counter-clockwise about (600, 350): the frame now spans x 550..600, y 250..350.
  EXPECT_TRUE(Near(f.At(575, 260), 0, 0, 255));
  EXPECT_TRUE(Near(f.At(575, 340), 0, 0, 255));
  EXPECT_TRUE(f.IsBlack(640, 325));
  EXPECT_TRUE(f.IsBlack(575, 365));
}

TEST_F(TextureRender, FlipsMirrorInPlace) {
  // One 100 x 100 frame: left half red, right half blue, with a white top strip.
  std::vector<uint8_t> px(100 * 100 * 4);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      uint8_t* p = &px[(y * 100 + x) * 4];
      if (y < 20) p[0] = p[1] = p[2] = 255;
      else if (x < 50) p[0] = 255, p[1] = p[2] = 0;
      else p[0] = p[1] = 0, p[2] = 255;
      p[3] = 255;
    }
  GLTexture t;
  ASSERT_EQ(1, t.Create(WriteTemp("halves.PNG", testimg::EncodePng(px, 100, 100, 4)).c_str(), nullptr, 1, 1));
  t.Draw(0, 100, 100, 0);
  t.m_flip_x = 1;
  t.Draw(0, 300, 100, 0);
  t.m_flip_x = 0;
  t.m_flip_y = 1;
  t.Draw(0, 500, 100, 0);
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/texture_flips.png");
  EXPECT_TRUE(Near(f.At(110, 150), 255, 0, 0));
  EXPECT_TRUE(Near(f.At(190, 150), 0, 0, 255));
  EXPECT_TRUE(Near(f.At(150, 105), 255, 255, 255));
  EXPECT_TRUE(Near(f.At(310, 150), 0, 0, 255)) << "flip x: blue on the left";
  EXPECT_TRUE(Near(f.At(390, 150), 255, 0, 0));
  EXPECT_TRUE(Near(f.At(350, 105), 255, 255, 255));
  EXPECT_TRUE(Near(f.At(550, 195), 255, 255, 255)) << "flip y: white strip at the bottom";
  EXPECT_TRUE(Near(f.At(510, 110), 255, 0, 0));
  EXPECT_TRUE(f.IsBlack(550, 205));
}

TEST_F(TextureRender, ColumnMajorSheetCountsDownTheRows) {
  auto px = Sheet(1, 3, 60, 40, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}}, true);
  GLTexture t;
  ASSERT_EQ(1, t.Create(WriteTemp("col.png", testimg::EncodePng(px, 60, 120, 4)).c_str(), nullptr, 1, 3));
  t.m_column_major = 1;
  t.Draw(2, 100, 100, 0);
  Frame f = texrender::Read();
  EXPECT_TRUE(Near(f.At(130, 120), 0, 0, 255)) << "frame 2 is the bottom third";
  EXPECT_TRUE(f.IsBlack(130, 145));
}

uint32_t g_now = 0;
uint32_t FakeTick() { return g_now; }

TEST_F(TextureRender, AnimationAdvancesAtMostOneFramePerDrawAfterTheInterval) {
  std::vector<Rgba> colours;
  for (int i = 0; i < 12; ++i) colours.push_back({static_cast<uint8_t>(i * 20), 0, 0, 255});
  GLTexture t;
  ASSERT_EQ(1, t.Create(WriteTemp("anim.png", testimg::EncodePng(Sheet(12, 1, 10, 10, colours), 120, 10, 4)).c_str(),
                        nullptr, 12, 1));
  g_now = 1000;
  SetTickSource(FakeTick);
  t.StartAnimation(100);
  t.Draw(-1, 0, 0, 0);
  EXPECT_EQ(0, t.m_current_frame);
  g_now += 100;
  t.Draw(-1, 0, 0, 0);
  EXPECT_EQ(0, t.m_current_frame) << "exactly the interval is not enough";
  g_now += 1000;
  t.Draw(-1, 0, 0, 0);
  EXPECT_EQ(1, t.m_current_frame) << "a long pause still moves one frame";
  t.Draw(-1, 0, 0, 0);
  EXPECT_EQ(1, t.m_current_frame);
  GLTexture idle;  // not animating: -1 draws nothing and changes nothing
  idle.Draw(-1, 5, 5, 0);
  EXPECT_EQ(0, idle.m_current_frame);
}

TEST_F(TextureRender, CreateFailuresReturnZeroAndDecodeFailureGivesAnEmptyTexture) {
  std::string seen;
  LogSetObserver([](uint32_t, const char* text, void* user) { *static_cast<std::string*>(user) += text; }, &seen);
  GLTexture t;
  EXPECT_EQ(0, t.Create("./raw/picture.gif", nullptr, 1, 1));
  EXPECT_NE(std::string::npos, seen.find("GLTexture::Create ERROR unknown format"));
  EXPECT_EQ(0, t.Create("/nonexistent/x.png", nullptr, 1, 1));
  EXPECT_NE(std::string::npos, seen.find("GLTexture::Create unknown image = /nonexistent/x.png"));
  EXPECT_FALSE(t.HasTexture());
  EXPECT_EQ(0, t.Create("./raw/a.png", reinterpret_cast<void*>(1), 1, 1)) << "no package reader";
  LogSetObserver(nullptr, nullptr);
  // A file that is not an image: a texture object with a 0 x 0 image that draws nothing.
  std::vector<uint8_t> junk(64, 7);
  EXPECT_EQ(1, t.Create(WriteTemp("junk.jpg", junk).c_str(), nullptr, 3, 1));
  EXPECT_TRUE(t.HasTexture());
  EXPECT_EQ(0.0f, t.FrameWidth());
  t.Draw(0, 10, 10, 0);
  // JPEG pictures load too.
  std::vector<uint8_t> rgb(40 * 30 * 3, 200);
  GLTexture j;
  ASSERT_EQ(1, j.Create(WriteTemp("pic.JPEG", testimg::EncodeJpeg(rgb, 40, 30, 3)).c_str(), nullptr, 1, 1));
  EXPECT_EQ(40.0f, j.FrameWidth());
  j.Draw(0, 400, 400, 0);
  Frame f = texrender::Read();
  EXPECT_TRUE(Near(f.At(420, 415), 200, 200, 200, 8));
  EXPECT_TRUE(f.IsBlack(15, 15));
}

TEST_F(TextureRender, TexturesRegisterWithTheSurfaceOnceAndLeaveOnDestruction) {
  GLSurface* s = GLSurface::Instance();
  const int before = s->Entities().GetCount();
  {
    GLTexture t;
    LoadRgbw(t, "reg.png");
    LoadRgbw(t, "reg.png");  // a second Create replaces the GL texture, not the entry
    EXPECT_EQ(before + 1, s->Entities().GetCount());
  }
  EXPECT_EQ(before, s->Entities().GetCount());
}

}  // namespace
