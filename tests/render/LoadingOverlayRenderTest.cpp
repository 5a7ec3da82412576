// The loading overlay in both kinds, drawn into a real frame: the centred spinner with
// its picture, and the message bar with its text and spinner.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TexRenderEnv.h"
#include "framework/Clock.h"
#include "gfx/GLSurface.h"
#include "media/GameSharedImage.h"
#include "media/GameSplash.h"

namespace {

uint32_t g_now = 1000;
uint32_t Now() { return g_now; }

std::string Kit() {
  const char* b = std::getenv("TOLVAN_BUILD_DIR");
  if (b && std::filesystem::exists(std::string(b) + "/raw/splash_bg.png") &&
      std::filesystem::exists(std::string(b) + "/raw/Font_Bold_sum.ttf"))
    return b;
  return "";
}

class LoadingOverlayRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!texrender::EnsureContext()) return;
    kit = Kit();
    if (kit.empty()) return;
    texrender::InFolder(kit, [] {
      GLSurface::Instance()->Initialize(0, nullptr);
      loaded = GameSharedImage::Instance()->LoadLoadingImages() && GameSplash::Instance()->LoadPictures();
    });
  }
  static void TearDownTestSuite() {
    GameSplash::DestroyInstance();
    GameSharedImage::DestroyInstance();
  }
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    if (kit.empty()) GTEST_SKIP() << "the asset kit (raw/) is not built in this build folder";
    ASSERT_TRUE(loaded);
    g_now = 1000;
    SetTickSource(&Now);
  }
  void TearDown() override {
    GameSplash::Instance()->HideLoading(0, 1);
    SetTickSource(nullptr);
  }
  // Draws the overlay alone into a black frame at time `t` after the request.
  texrender::Frame DrawAt(uint32_t t) {
    g_now = 1000 + t;
    texrender::BeginFrame();
    GameSplash::Instance()->DrawOverlay();
    return texrender::Read();
  }
  static int Lit(const texrender::Frame& f, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += !f.IsBlack(x, y);
    return n;
  }
  static bool Near(const uint8_t* p, int r, int g, int b, int tol = 6) {
    return std::abs(p[0] - r) <= tol && std::abs(p[1] - g) <= tol && std::abs(p[2] - b) <= tol;
  }

  static inline std::string kit;
  static inline bool loaded = false;
};

TEST_F(LoadingOverlayRender, TheSpinnerKindShowsItsPictureAndSpinnerCentredAfterOneSecond) {
  GameSplash::Instance()->ShowLoading(5000, GameSplash::kSpinner);
  const texrender::Frame early = DrawAt(999);
  EXPECT_EQ(Lit(early, 0, 0, texrender::kW, texrender::kH), 0);
  const texrender::Frame f = DrawAt(1000);
  texrender::SavePng(f, texrender::OutDir() + "/loading_overlay_spinner.png", 560, 280, 160, 160);
  // Everything lies in the 64 x 64 square centred on (640, 360) (the 44-pixel spinner
  // cell is inside it), symmetric around the centre.
  const int inside = Lit(f, 608, 328, 672, 392);
  EXPECT_GT(inside, 200);
  EXPECT_EQ(Lit(f, 0, 0, texrender::kW, texrender::kH), inside);
  EXPECT_GT(Lit(f, 608, 328, 640, 392), 50);
  EXPECT_GT(Lit(f, 640, 328, 672, 392), 50);
}

TEST_F(LoadingOverlayRender, TheMessageBarIsARoundedBlueBarWithTextAndSpinnerAfterHalfASecond) {
  GameSplash* s = GameSplash::Instance();
  s->SetMessage("Entering the room");
  s->ShowLoading(5000, GameSplash::kMessageBar);
  EXPECT_EQ(Lit(DrawAt(499), 0, 0, texrender::kW, texrender::kH), 0);
  const texrender::Frame f = DrawAt(500);
  texrender::SavePng(f, texrender::OutDir() + "/loading_overlay_bar.png", 420, 280, 440, 120);
  const int y = 360 - 22;  // the spinner's display height is 44
  // Fill (34, 56, 113) at alpha 220 over black, inside the bar away from text and spinner.
  EXPECT_TRUE(Near(f.At(820, y), 29, 48, 98)) << int(f.At(820, y)[0]) << "," << int(f.At(820, y)[1]) << ","
                                              << int(f.At(820, y)[2]);
  EXPECT_TRUE(Near(f.At(450, y - 20), 29, 48, 98));
  // A white border (alpha 200, one smoothed line over two rows) along the top and
  // bottom edges, much lighter than the fill; nothing outside them.
  auto bright_row = [&](int row) {
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy) sum += f.At(640, row + dy)[0];
    return sum > 180;  // fill and black alone stay below 3 x 29
  };
  EXPECT_TRUE(bright_row(y - 30));
  EXPECT_TRUE(bright_row(y + 30));
  EXPECT_TRUE(f.IsBlack(640, y - 34));
  EXPECT_TRUE(f.IsBlack(640, y + 34));
  EXPECT_TRUE(f.IsBlack(436, y));
  EXPECT_TRUE(f.IsBlack(844, y));
  // Rounded corners: the very corner pixel stays dark.
  EXPECT_TRUE(f.IsBlack(441, y - 29));
  // White text from x 520, centred on the bar's middle line.
  int text = 0;
  for (int yy = y - 12; yy < y + 12; ++yy)
    for (int x = 520; x < 760; ++x) text += f.At(x, yy)[0] > 200 && f.At(x, yy)[1] > 200 && f.At(x, yy)[2] > 200;
  EXPECT_GT(text, 60);
  for (int x = 500; x < 518; ++x) EXPECT_LT(f.At(x, y)[0], 200) << x;
  // The spinner, centred on (480, y): its 44-pixel cell differs from the plain fill.
  int spinner = 0;
  for (int yy = y - 22; yy < y + 22; ++yy)
    for (int x = 458; x < 502; ++x) spinner += !Near(f.At(x, yy), 29, 48, 98, 12);
  EXPECT_GT(spinner, 100);
}

}  // namespace
