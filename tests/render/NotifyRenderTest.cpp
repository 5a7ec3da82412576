// The notification layer on screen: every box layout and banner kind drawn from the
// kit's pictures and font, the dimming layer half way in, a banner half way down.
// Pictures go to <build>/render-out/notify_*.png (the review sheet is made from them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "gfx/GLSurface.h"
#include "media/GameNotify.h"
#include "media/GameSharedImage.h"
#include "render/SharedImageKit.h"
#include "render/TexRenderEnv.h"

namespace {

using texrender::Frame;

uint32_t g_now = 0xFFFFFF00u;  // just before the clock wraps
uint32_t Now() { return g_now; }

// The mode behind: a flat mid grey.
constexpr int kBack = 128;
void DrawBackground() { GLSurface::Instance()->FillRect(0, 0, 0, 1280, 720, 0.5f, 0.5f, 0.5f, 1.0f, 0, 0, 0, 0); }

bool IsBackground(const Frame& f, int x, int y, int tolerance = 4) {
  const uint8_t* p = f.At(x, y);
  return std::abs(p[0] - kBack) <= tolerance && std::abs(p[1] - kBack) <= tolerance &&
         std::abs(p[2] - kBack) <= tolerance;
}

// Pixels in a rectangle that are close to `rgb`.
int CountNear(const Frame& f, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = f.At(x, y);
      n += std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
    }
  return n;
}

// Pixels in a rectangle that differ from the pixel at (rx, ry) by more than 60 in a channel.
int CountDifferent(const Frame& f, int x0, int y0, int x1, int y1, int rx, int ry) {
  const uint8_t* ref = f.At(rx, ry);
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = f.At(x, y);
      n += std::abs(p[0] - ref[0]) > 60 || std::abs(p[1] - ref[1]) > 60 || std::abs(p[2] - ref[2]) > 60;
    }
  return n;
}

class NotifyRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    texrender::SharedImageKit kit;
    kit.Load();
    art = kit.folder;
    loaded = kit.loaded;
  }
  static void TearDownTestSuite() { GameSharedImage::DestroyInstance(); }

  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    if (art.empty()) GTEST_SKIP() << "the asset kit (raw/) is not built in this build folder";
    ASSERT_TRUE(loaded) << "a shared image failed to load";
    // Font slot 0 again: other suites in this program may have replaced the surface.
    texrender::InFolder(art, [] { GLSurface::Instance()->Initialize(0, nullptr); });
    g_now = 0xFFFFFF00u;
    SetTickSource(&Now);
    InitLanguageMessages(kLanguageEditionThai);
    GameSharedData::Instance()->m_sound_on = 0;
    notify = GameNotify::Instance();
    notify->Initialize();
    texrender::BeginFrame();
    DrawBackground();
  }
  void TearDown() override {
    GameNotify::DestroyInstance();
    GameSharedData::DestroyInstance();
    SetTickSource(nullptr);
  }

  // Opens the queued notices and draws them `after` ms later over the background.
  Frame DrawAfter(uint32_t after) {
    notify->Update();
    g_now += after;
    notify->Draw();
    return texrender::Read();
  }

  static inline std::string art;
  static inline bool loaded = false;
  GameNotify* notify = nullptr;
};

struct BoxCase {
  int type;
  int two_buttons;
  const char* title;
  const char* message;
  int frame_l, frame_t, frame_r, frame_b;  // the frame rectangle
  int text_l, text_t, text_r, text_b;      // the message area
};

const BoxCase kBoxes[] = {
    {0, 1, "Tolvan", "จะไปแล้วจริงๆ เหรอ~", 286, 132, 998, 589, 308, 225, 974, 494},
    {0, 0, "Tolvan", "ไม่สามารถเชื่อมต่ออินเทอร์เน็ตได้\nLong lines break by characters to fit the box.", 286, 132, 998, 589,
     308, 225, 974, 556},
    {1, 0, "", "มีข้อผิดพลาดเกิดขึ้น\nข้อผิดพลาด โค้ด (12)", 397, 256, 794, 467, 532, 283, 771, 434},
    {2, 0, "Tolvan", "ได้รับ 50 รูบี้", 322, 60, 977, 553, 534, 258, 900, 405},
    {3, 0, "Tolvan", "ได้รับ 10,000 ชิป", 322, 60, 977, 553, 534, 258, 900, 405},
    {4, 0, "ยินดีด้วยจ้า~!", "อันดับ 2\nรางวัล :1,500,000 ชิป", 322, 60, 977, 553, 534, 258, 900, 405},
    {5, 0, "ยินดีด้วยจ้า~!", "ได้รับไอเทม", 322, 60, 977, 553, 534, 258, 900, 405},
    {6, 0, "Tolvan", "ชิปไม่เพียงพอ", 322, 60, 977, 553, 371, 261, 916, 395},
    {7, 0, "", "เลื่อนเลเวล 10 สำเร็จ\nรูบี้ : 3", 397, 256, 794, 467, 532, 283, 771, 434},
    {8, 0, "Tolvan", "ชิปไม่เพียงพอ", 322, 60, 977, 553, 371, 261, 916, 395},
};

TEST_F(NotifyRender, EveryBoxLayoutDrawsItsFrameTextAndButtons) {
  for (const BoxCase& c : kBoxes) {
    const std::string name = "notify_box_" + std::to_string(c.type) + (c.type == 0 ? (c.two_buttons ? "_two" : "_one") : "");
    SCOPED_TRACE(name);
    texrender::BeginFrame();
    DrawBackground();
    NotifyRecord* r = new NotifyRecord();
    r->type = c.type;
    r->two_buttons = c.two_buttons;
    CopyFixedText(r->title, sizeof(r->title), c.title);
    CopyFixedText(r->message, sizeof(r->message), c.message);
    if (c.type == 4) r->number = 2;
    ASSERT_EQ(notify->QueueBox(r), 1);
    Frame f = DrawAfter(GameNotify::kTransitionMs);
    texrender::SavePng(f, texrender::OutDir() + "/" + name + ".png");

    // No dimming asked: the mode shows around the frame, untouched.
    EXPECT_TRUE(IsBackground(f, 100, 650));
    EXPECT_TRUE(IsBackground(f, c.frame_l - 12, (c.frame_t + c.frame_b) / 2));
    // The frame covers its rectangle (its centre region is not the background).
    EXPECT_FALSE(IsBackground(f, (c.frame_l + c.frame_r) / 2 + 60, c.frame_b - 30, 20));
    // The message shows in its area: text pixels stand out from the frame's fill.
    EXPECT_GT(CountDifferent(f, c.text_l, c.text_t, c.text_r, c.text_b, c.text_r - 2, c.text_t + 2), 80);
    // Types 0 and 2 to 8 write their title (white in the blue frame, red in the others).
    if (c.type == 0) {
      EXPECT_GT(CountNear(f, 329, 160, 560, 202, 255, 255, 255, 40), 60);
    } else if (c.type >= 2 && c.type != 7) {
      EXPECT_GT(CountNear(f, 536, 150, 900, 196, 204, 0, 0, 60), 40);
    }
    // Shown buttons are drawn where they take clicks.
    for (const GLButtonImage* b : {&notify->m_close_button, &notify->m_left_button, &notify->m_right_button,
                                   &notify->m_scene_button}) {
      if (b->m_hidden) continue;
      const GLButton::Rect hr = b->GetHitRect();
      EXPECT_GT(hr.right - hr.left, 50);
      EXPECT_FALSE(IsBackground(f, (hr.left + hr.right) / 2, hr.top + 8, 20));
    }
    notify->CloseCurrent();
    g_now += GameNotify::kTransitionMs;
    notify->Update();
    ASSERT_EQ(notify->BoxState(), GameNotify::kNone);
  }
}

TEST_F(NotifyRender, DimLayerAndBoxAreHalfWayAtHalfProgress) {
  notify->PushBox("Tolvan", 0, "ครึ่งทาง", 1, 0);
  Frame half = DrawAfter(GameNotify::kTransitionMs / 2);
  texrender::SavePng(half, texrender::OutDir() + "/notify_dim_half.png");
  // The dimming picture is black at 170/255: at half strength the grey falls to
  // 128 * (1 - 0.5 * 170 / 255) = 85.
  const uint8_t* p = half.At(100, 650);
  EXPECT_NEAR(p[0], 85, 5);
  EXPECT_NEAR(p[1], 85, 5);

  texrender::BeginFrame();
  DrawBackground();
  g_now += GameNotify::kTransitionMs;
  notify->Draw();
  Frame full = texrender::Read();
  texrender::SavePng(full, texrender::OutDir() + "/notify_dim_full.png");
  EXPECT_NEAR(full.At(100, 650)[0], 43, 5);
  // Half way the box is still 50 units low: its frame covers (640, 620), below the
  // rectangle it reaches when fully in, where the full frame shows only the dimming.
  const uint8_t* low = half.At(640, 620);
  EXPECT_GT(std::abs(low[0] - 85) + std::abs(low[1] - 85) + std::abs(low[2] - 85), 30);
  EXPECT_NEAR(full.At(640, 620)[0], 43, 5);

  // Closing runs the dimming backwards: half way out it is back at half strength.
  notify->CloseCurrent();
  g_now += GameNotify::kTransitionMs / 2;
  texrender::BeginFrame();
  DrawBackground();
  notify->Draw();
  Frame leaving = texrender::Read();
  EXPECT_NEAR(leaving.At(100, 650)[0], 85, 5);
}

TEST_F(NotifyRender, EveryBannerKindShowsItsBarIconTitleAndSender) {
  const char* titles[GameNotify::kBannerKinds] = {"ได้รับ 10,000 ชิป", "ได้รับของขวัญจาก Somchai", "ได้รับจดหมายจาก Somchai",
                                                  "Somchai ต้องการเป็นเพื่อนกับคุณ", "เพิ่ม Somchai เป็นเพื่อนเรียบร้อย"};
  Frame kind0;
  for (int kind = 0; kind < GameNotify::kBannerKinds; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    texrender::BeginFrame();
    DrawBackground();
    ASSERT_EQ(notify->PushBanner(kind, titles[kind], kind == 1 ? "" : "Somchai", 3000), 1);
    Frame f = DrawAfter(GameNotify::kTransitionMs);
    texrender::SavePng(f, texrender::OutDir() + "/notify_banner_" + std::to_string(kind) + ".png");
    // The bar spans x 140 to 1140 from the top edge; the mode shows beside and below it.
    EXPECT_FALSE(IsBackground(f, 640, 8, 10));
    EXPECT_TRUE(IsBackground(f, 100, 40));
    EXPECT_TRUE(IsBackground(f, 1180, 40));
    EXPECT_TRUE(IsBackground(f, 640, 120));
    // Dark brown title text.
    const int title_x = kind == 0 ? 175 : 231;
    EXPECT_GT(CountNear(f, title_x, 16, title_x + 300, 62, 82, 44, 0, 50), 30);
    if (kind == 0) {
      kind0 = f;
    } else {
      // An icon at (165, 10) and the sender centred at (952, 39) in the label colour.
      EXPECT_GT(CountDifferent(f, 165, 10, 220, 65, 150, 39), 200);
      EXPECT_GT(CountNear(f, 880, 24, 1024, 56, 128, 105, 0, 50), 15);
    }
    g_now += 3251;
    notify->Update();
    g_now += GameNotify::kTransitionMs;
    notify->Update();
    ASSERT_EQ(notify->BannerState(), GameNotify::kNone);
  }
}

TEST_F(NotifyRender, BannerDropsFromAboveTheTopEdge) {
  notify->PushBanner(0, "ครึ่งทาง", "", 3000);
  Frame half = DrawAfter(GameNotify::kTransitionMs / 2);
  texrender::SavePng(half, texrender::OutDir() + "/notify_banner_mid_drop.png");
  texrender::BeginFrame();
  DrawBackground();
  g_now += GameNotify::kTransitionMs;
  notify->Draw();
  Frame full = texrender::Read();
  // Fully in, the 78-unit bar reaches y 78; half way it is 45 units higher and half faded.
  EXPECT_FALSE(IsBackground(full, 640, 60, 10));
  EXPECT_TRUE(IsBackground(half, 640, 60));
  EXPECT_FALSE(IsBackground(half, 640, 10, 4));
  const uint8_t* in = full.At(640, 55);
  const uint8_t* mid = half.At(640, 10);
  for (int ch = 0; ch < 3; ++ch) {
    // Half alpha: half way between the background and the bar's own colour.
    EXPECT_NEAR(mid[ch], (in[ch] + kBack) / 2, 12) << "channel " << ch;
  }
}

TEST_F(NotifyRender, CelebrationThrowsCoinsAndStarsAroundTheLevelUpBox) {
  notify->ShowCelebration(9, 3);
  Frame f = DrawAfter(300);
  texrender::SavePng(f, texrender::OutDir() + "/notify_celebration.png");
  // Above the small frame the rising coins and stars stand out from the screen behind
  // (a celebration does not dim it).
  EXPECT_TRUE(IsBackground(f, 100, 650));
  EXPECT_GT(CountDifferent(f, 300, 100, 980, 250, 100, 650), 200);
  // Their life over, the bursts are purged.
  g_now += 2000;
  notify->Update();
  EXPECT_EQ(notify->EffectCount(), 0);
}

}  // namespace
