#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "framework/Clock.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "render/TexRenderEnv.h"
#include "ui/GLButton.h"
#include "ui/GLButtonImage.h"
#include "ui/GLInputText.h"
#include "ui/ImeFocusHolder.h"
#include "unit/gfx/ImageEncode.h"

namespace {

using texrender::Frame;

bool SameColour(const uint8_t* a, const uint8_t* b) { return std::abs(a[0] - b[0]) < 8 && std::abs(a[1] - b[1]) < 8 && std::abs(a[2] - b[2]) < 8; }

class ButtonRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    texrender::InFolder(texrender::FontFolder(), [] { GLSurface::Instance()->Initialize(0, nullptr); });
    texrender::BeginFrame();
  }
};

TEST_F(ButtonRender, HoverPressedAndDisabledStatesDifferOnScreen) {
  // Four buttons with the default colours, one per state, each labelled.
  GLButton b[4];
  for (int s = 0; s < 4; ++s) {
    b[s].Setup(100 + s * 250, 100, 300 + s * 250, 160, "Play", 24, 5);
    b[s].SetState(s);
    b[s].Draw();
  }
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/button_states.png", 0, 60, 1280, 140);
  // Background: normal, pressed and disabled share the fill; hover is darker.
  EXPECT_FALSE(SameColour(f.At(110, 105), f.At(610, 105))) << "hover fill differs from normal";
  // Labels: the disabled label is faint (alpha 50/255) against the grey fill, the hover
  // label darker than the normal one. Compare the darkest pixel in each label area.
  auto darkest = [&](int x0) {
    int d = 255;
    for (int y = 110; y < 150; ++y)
      for (int x = x0 + 60; x < x0 + 140; ++x) d = std::min<int>(d, f.At(x, y)[1]);
    return d;
  };
  const int normal = darkest(100), pressed = darkest(350), hover = darkest(600), disabled = darkest(850);
  EXPECT_LT(normal, 120) << "a label is drawn";
  EXPECT_LT(hover, normal);
  EXPECT_GT(disabled, normal + 40);
  EXPECT_NEAR(normal, pressed, 6);
}

TEST_F(ButtonRender, ImageButtonShowsTheFrameOfItsState) {
  // 3 x 1 sheet: red (normal), green (pressed / hover), blue (disabled).
  std::vector<uint8_t> px(90 * 30 * 4);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 90; ++x) {
      uint8_t* p = &px[(y * 90 + x) * 4];
      p[0] = x < 30 ? 255 : 0, p[1] = (x >= 30 && x < 60) ? 255 : 0, p[2] = x >= 60 ? 255 : 0, p[3] = 255;
    }
  const std::string path = (std::filesystem::temp_directory_path() / "tolvan-btn-sheet.png").string();
  auto bytes = testimg::EncodePng(px, 90, 30, 4);
  FILE* fp = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), fp);
  std::fclose(fp);
  GLTexture sheet;
  ASSERT_EQ(1, sheet.Create(path.c_str(), nullptr, 3, 1));
  sheet.SetSize(270, 90);  // 90 x 90 per frame
  GLButtonImage b[4];
  for (int s = 0; s < 4; ++s) {
    b[s].SetImage(&sheet, 100 + s * 150, 300);
    b[s].SetState(s);
    b[s].Draw();
  }
  EXPECT_EQ(190, b[0].GetHitRect().right);
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/button_image_states.png", 0, 280, 1280, 130);
  const uint8_t* n = f.At(145, 345);
  const uint8_t* p = f.At(295, 345);
  const uint8_t* h = f.At(445, 345);
  const uint8_t* d = f.At(595, 345);
  EXPECT_GT(n[0], 240);
  EXPECT_GT(p[1], 240);
  EXPECT_GT(h[1], 240);
  EXPECT_GT(d[2], 240);
}

TEST_F(ButtonRender, PasswordFieldDrawsAsterisksAndTheCaretAfterThem) {
  GLInputText field;
  field.Setup(100, 500, 500, 550, 1, 5, 24, 4);  // password, left-aligned, centred vertically
  field.SetText("abc");
  ImeFocusHolder::SetFocus(&field);
  GLFont* font = GLSurface::Instance()->Font(0);
  // Draw on an "on" phase of the blinking caret.
  bool drawn = false;
  for (int tries = 0; tries < 100 && !drawn; ++tries) {
    if ((GetTickMs() / 400) % 2 == 0 && (GetTickMs() % 400) < 300) {
      field.Draw();
      drawn = true;
    } else {
      SDL_Delay(20);
    }
  }
  ImeFocusHolder::SetFocus(nullptr);
  ASSERT_TRUE(drawn);
  const int stored = font->FaceSize();
  font->SetFaceSize(24);
  const int stars = font->MeasureText("***").right;
  const int underscore = font->MeasureText("_").right;
  font->SetFaceSize(stored);
  Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/input_password.png", 80, 480, 460, 90);
  // Ink on the white field: asterisks from x 105, the caret right after them.
  int first = -1, last = -1;
  for (int y = 505; y < 546; ++y)
    for (int x = 102; x < 498; ++x)
      if (f.At(x, y)[0] < 128) {
        if (first < 0 || x < first) first = x;
        last = std::max(last, x);
      }
  EXPECT_NEAR(105, first, 4);
  EXPECT_NEAR(105 + stars + underscore, last, 6);
}

}  // namespace
