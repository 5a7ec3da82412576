// A scene drawn through its fade: the panel rises into place as it fades in and sinks
// as it fades out, and everything it draws is faded with it.
#include <filesystem>

#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "media/GameSharedImage.h"
#include "render/RenderFixture.h"
#include "render/TexRenderEnv.h"
#include "scenes/GameScene.h"
#include "scenes/VXScene_regist.h"

namespace {

uint32_t g_now = 500000;
uint32_t Now() { return g_now; }

// A popup that draws one red square at (100, 100)-(300, 300).
class SquareScene : public GameScene {
 public:
  SquareScene() : GameScene(kSceneCoupon) {}

 protected:
  int BuildWidgets() override { return 1; }
  void DrawScene() override {
    GLSurface::Instance()->FillRect(0, 100, 100, 300, 300, 1.0f, 0.0f, 0.0f, 1.0f, 0, 0, 0, 0);
  }
};

class SceneFadeRenderTest : public RenderFixture {
 protected:
  void SetUp() override {
    SetTickSource(&Now);
    Open(1280, 720);
    ASSERT_EQ(scene.Create(kSceneCoupon, 0), 1);
    scene.Start();
  }
  void TearDown() override {
    SetTickSource(nullptr);
    RenderFixture::TearDown();
  }
  void DrawAt(uint32_t since_change) {
    g_now = scene.state_time + since_change;
    Begin();
    scene.Draw();
  }
  // Red at the given strength (0..255) at logical (x, y).
  ::testing::AssertionResult RedAt(int x, int y, int red) { return ColorNear(LogicalX(x), LogicalY(y), {red, 0, 0}); }

  SquareScene scene;
};

TEST_F(SceneFadeRenderTest, HalfwayInThePanelIsHalfFadedAndHalfRisen) {
  scene.Show(1, 0);
  DrawAt(125);  // progress 0.5: 50 units below its place, half transparent
  SavePng("scene_fade_in_half");
  EXPECT_TRUE(RedAt(200, 140, 0));
  EXPECT_TRUE(RedAt(200, 160, 128));
  EXPECT_TRUE(RedAt(200, 345, 128));
  EXPECT_TRUE(RedAt(200, 355, 0));
  EXPECT_TRUE(RedAt(80, 200, 0));

  DrawAt(250);  // in place and opaque
  EXPECT_TRUE(RedAt(200, 105, 255));
  EXPECT_TRUE(RedAt(200, 295, 255));
  EXPECT_TRUE(RedAt(200, 310, 0));
}

TEST_F(SceneFadeRenderTest, AQuarterIntoTheFadeOutThePanelSinksAndFades) {
  scene.Show(1, 0);
  g_now += 300;
  scene.Update();
  scene.Close();
  DrawAt(62);  // progress 0.248: about 25 units down, three quarters opaque
  SavePng("scene_fade_out_quarter");
  EXPECT_TRUE(RedAt(200, 120, 0));
  EXPECT_TRUE(RedAt(200, 130, 192));
  EXPECT_TRUE(RedAt(200, 320, 192));
  EXPECT_TRUE(RedAt(200, 330, 0));

  DrawAt(250);  // the fade-out is over: nothing is drawn and the scene is hidden
  EXPECT_TRUE(RedAt(200, 200, 0));
  EXPECT_EQ(scene.view_state, 0);
}

// The registration scene with the kit's pictures and font, once faded in: its
// background covers the screen, the name field is drawn where it takes input.
TEST_F(RenderFixture, RegistrationSceneFadedInShowsItsPanelAndField) {
  const char* build = std::getenv("TOLVAN_BUILD_DIR");
  if (!build || !std::filesystem::exists(std::string(build) + "/raw/sub_bg.png"))
    GTEST_SKIP() << "the art kit is not built";
  Open(1280, 720);
  InitLanguageMessages(kLanguageEditionThai);
  bool loaded = false;
  texrender::InFolder(build, [&] {
    GLSurface::Instance()->Initialize(0, nullptr);
    loaded = GameSharedImage::Instance()->LoadLoadingImages() && GameSharedImage::Instance()->LoadImages();
  });
  ASSERT_TRUE(loaded);
  SetTickSource(&Now);
  {
    VXScene_regist regist;
    ASSERT_EQ(regist.Create(kSceneRegist, 0), 1);
    regist.Start();
    regist.Show(1, 0);
    g_now += 250;
    regist.Update();
    Begin();
    regist.Draw();
    SavePng("scene_regist");
    const Rgb corner = Pixel(LogicalX(20), LogicalY(700));
    EXPECT_GT(corner.r + corner.g + corner.b, 60) << "the background covers the screen";
    EXPECT_TRUE(ColorNear(LogicalX(800), LogicalY(212), {255, 255, 255}, 8)) << "the empty name field";
    regist.Cleanup();
  }
  SetTickSource(nullptr);
  GameSharedImage::DestroyInstance();
}

}  // namespace
