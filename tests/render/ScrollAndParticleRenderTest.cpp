#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "render/TexRenderEnv.h"
#include "ui/GLScrollBox.h"
#include "ui/GLScrollTextBox.h"
#include "ui/GLScrollTextItem.h"
#include "ui/ParticleEmitter.h"
#include "unit/gfx/ImageEncode.h"

namespace {

using texrender::Frame;

uint32_t g_now = 0;
uint32_t FakeTick() { return g_now; }

// Rows alternate red and blue so each row's place on screen can be read back.
struct ColourRow : GLScrollBoxItem {
  ColourRow(int h, int index) : GLScrollBoxItem(h), index(index) {}
  int Draw() override {
    const bool red = index % 2 == 0;
    GLSurface::Instance()->FillRect(0, m_left, m_top, m_right, m_bottom - 1, red ? 1.0f : 0.0f, 0.0f,
                                    red ? 0.0f : 1.0f, 1.0f, 0, 0, 0, 0);
    return 1;
  }
  int index;
};

struct Sink : ZBEventReceiver {
  void OnEvent(ZBEventCtrl*) override {}
};

class MotionRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    g_now = 0xFFFFF000u;
    SetTickSource(FakeTick);
    texrender::BeginFrame();
  }
  void TearDown() override { SetTickSource(nullptr); }
};

bool IsRed(const uint8_t* p) { return p[0] > 200 && p[1] < 40 && p[2] < 40; }
bool IsBlue(const uint8_t* p) { return p[2] > 200 && p[0] < 40 && p[1] < 40; }

TEST_F(MotionRender, PartScrolledListWithItsBar) {
  GLScrollBox box;
  Sink sink;
  box.m_receiver = &sink;
  box.Setup(200, 100, 600, 400);  // 300 tall
  for (int i = 0; i < 30; ++i) box.AddItem(new ColourRow(40, i));  // content 1200
  ASSERT_EQ(1200 + 4 - 300, box.Range());
  // Touch inside (the bar shows from then on), then scroll 200 units down the list.
  box.OnTouchDown(0, 400, 300);
  box.OnTouchUp(0, 400, 300);
  box.m_scroller.m_offset = -200;
  box.Draw();
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/scroll_list_part_scrolled.png", 150, 50, 500, 400);

  // Row 5 (odd: blue) starts at the top edge: 100 - 200 + 5 * 40 = 100.
  EXPECT_TRUE(IsBlue(f.At(300, 102)));
  EXPECT_TRUE(IsRed(f.At(300, 142))) << "row 6 follows";
  EXPECT_TRUE(IsRed(f.At(300, 398))) << "row 12 (even: red) reaches the bottom edge";
  // Rows scrolled out and rows further down are clipped to the box.
  EXPECT_TRUE(f.IsBlack(300, 95));
  EXPECT_TRUE(f.IsBlack(300, 405));
  EXPECT_TRUE(f.IsBlack(195, 200));
  // The bar: 300 * 300 / 1200 = 75 long, from 100 + 200 * 300 / 1200 = 150, 8 wide at
  // the right edge, a translucent black over the rows.
  const GLScrollBox::Rect bar = box.LastBar();
  EXPECT_EQ(591, bar.left);
  EXPECT_EQ(151, bar.top);
  EXPECT_EQ(599, bar.right);
  EXPECT_EQ(224, bar.bottom);
  const uint8_t* under = f.At(595, 180);
  const uint8_t* beside = f.At(580, 180);
  EXPECT_LT(under[0] + under[2], beside[0] + beside[2]) << "the bar darkens the row";
  EXPECT_GT(under[0] + under[2], 100) << "the bar is translucent";
  const uint8_t* below = f.At(595, 260);
  EXPECT_TRUE(IsRed(below) || IsBlue(below)) << "no bar below its end";
}

TEST_F(MotionRender, SidewaysListScrollsAlongX) {
  GLScrollBox box;
  box.SetVertical(0);
  box.Setup(100, 500, 700, 560);
  for (int i = 0; i < 20; ++i) box.AddItem(new ColourRow(50, i));  // 1000 wide
  box.m_scroller.m_offset = -75;
  box.Draw();
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/scroll_list_sideways.png", 50, 480, 700, 100);
  // Column 1 (blue) spans x 100 - 75 + 50 = 75 .. 125; column 2 (red) 125 .. 175.
  EXPECT_TRUE(IsBlue(f.At(110, 530)));
  EXPECT_TRUE(IsRed(f.At(150, 530)));
  EXPECT_TRUE(f.IsBlack(95, 530)) << "clipped at the left edge";
}

TEST_F(MotionRender, TextBoxWrapsToItsWidth) {
  texrender::InFolder(texrender::FontFolder(), [] { GLSurface::Instance()->Initialize(0, nullptr); });
  GLFont* font = GLSurface::Instance()->Font(0);
  ASSERT_NE(nullptr, font);
  GLScrollTextBox box;
  box.Setup(100, 100, 400, 300);
  const char* text = "A long notice that does not fit on one line of the box wraps by characters\nand a new line";
  const int rows = box.AddText(text, 26, 0, 20, 1, 1, 1, 1, 0, 0);
  ASSERT_GE(rows, 3);
  std::wstring joined;
  font->SetFaceSize(20);
  for (int i = 0; i < box.GetCount(); ++i) {
    auto* item = static_cast<GLScrollTextItem*>(box.GetItem(i));
    EXPECT_LE(font->MeasureTextW(item->Text().c_str()).right, 300) << i;
    joined += item->Text();
  }
  EXPECT_EQ(Utf8ToWide(text).size() - 1, joined.size()) << "every character but the line feed is kept";
  box.Draw();
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/scroll_text_wrapped.png", 80, 80, 360, 260);
  int lit = 0;
  for (int y = 100; y < 126; ++y)
    for (int x = 100; x < 400; ++x) lit += f.At(x, y)[0] > 128 ? 1 : 0;
  EXPECT_GT(lit, 50) << "the first line is drawn";

  // A single row longer than the font draws at once is drawn from its start.
  texrender::BeginFrame();
  GLScrollTextBox single;
  single.Setup(100, 400, 600, 440);
  const std::wstring long_line = L"Scores " + std::wstring(400, L'8');
  ASSERT_EQ(1, single.AddTextW(long_line.c_str(), 30, 0, 20, 1, 1, 1, 1, 1, 0));
  EXPECT_EQ(long_line.size(), static_cast<GLScrollTextItem*>(single.GetItem(0))->Text().size());
  single.Draw();
  Frame g = texrender::Read();
  int lit_long = 0;
  for (int y = 400; y < 430; ++y)
    for (int x = 100; x < 300; ++x) lit_long += g.At(x, y)[0] > 128 ? 1 : 0;
  EXPECT_GT(lit_long, 50) << "the long row is not blank";
  GLSurface::DestroyInstance();
}

TEST_F(MotionRender, ParticleBurst) {
  std::vector<uint8_t> px(16 * 16 * 4, 255);
  const std::string path = (std::filesystem::temp_directory_path() / "tolvan-particle.png").string();
  auto bytes = testimg::EncodePng(px, 16, 16, 4);
  FILE* fp = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, fp);
  std::fwrite(bytes.data(), 1, bytes.size(), fp);
  std::fclose(fp);
  GLTexture spark;
  ASSERT_EQ(1, spark.Create(path.c_str(), nullptr, 1, 1));

  SeedRandom(7);
  auto e = std::make_unique<ParticleEmitter>();
  e->Init();
  e->spawn_left = 0, e->spawn_top = 0, e->spawn_right = 60, e->spawn_bottom = 60;
  e->spawn_per_frame = 300;  // the whole pool at once
  e->base_velocity_x = -40.0f;  // spread 100 around (-40 - 10 + 1 .. 49), roughly centred
  e->base_velocity_y = -40.0f;
  e->end_r = 1.0f, e->end_g = 0.6f, e->end_b = 0.0f;
  e->grow = 0;  // drawn at the texture's scale
  e->random_rotation = 1;
  e->decay_min = 300, e->decay_max = 600;  // far enough through life to show the colour shift
  e->Start(&spark, 300, 6, 12, 20);  // born in the first frame only
  for (int i = 0; i < 8; ++i) {
    texrender::BeginFrame();
    g_now += 16;
    e->Draw(640.0f, 360.0f);
  }
  ASSERT_TRUE(e->active);
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/particle_burst.png", 440, 160, 400, 400);
  int lit = 0, far_lit = 0;
  for (int y = 160; y < 560; ++y)
    for (int x = 440; x < 840; ++x) {
      const uint8_t* p = f.At(x, y);
      const bool on = p[0] > 60;
      const bool near = std::abs(x - 640) < 150 && std::abs(y - 360) < 150;
      if (!on) continue;
      (near ? lit : far_lit) += 1;
      EXPECT_LE(p[2], p[0]) << "shifted towards the orange end colour";
    }
  EXPECT_GT(lit, 2000) << "the burst is visible around its origin";
  EXPECT_EQ(0, far_lit) << "and stays near it";
  EXPECT_TRUE(f.IsBlack(100, 100));
  // No more particles are born after the first frame.
  const int live = e->LiveCount();
  texrender::BeginFrame();
  g_now += 16;
  e->Draw(640.0f, 360.0f);
  EXPECT_LE(e->LiveCount(), live);
  EXPECT_EQ(0, e->spawned_last_frame);
}

}  // namespace
