#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "app/GameSharedData.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "gfx/GLSurface.h"
#include "modes/lobby/GameModeLobby.h"
#include "render/TexRenderEnv.h"

namespace {

using texrender::Frame;

bool Near(const uint8_t* p, int r, int g, int b, int tol = 12) {
  return std::abs(p[0] - r) <= tol && std::abs(p[1] - g) <= tol && std::abs(p[2] - b) <= tol;
}
bool White(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }

// The right-most column in [x0, x1) of rows [y0, y1) that holds a white pixel; -1 none.
int RightmostWhite(const Frame& f, int x0, int x1, int y0, int y1) {
  for (int x = x1 - 1; x >= x0; --x)
    for (int y = y0; y < y1; ++y)
      if (White(f.At(x, y))) return x;
  return -1;
}

class LobbyRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    texrender::InFolder(texrender::FontFolder(), [] { GLSurface::Instance()->Initialize(0, nullptr); });
    data = GameSharedData::Instance();
    data->ResetDefaults();
    CopyFixedText(reinterpret_cast<char*>(data->m_user_info + kUserNickname), 50, "Somchai");
  }
  void TearDown() override {
    if (data) data->ResetDefaults();
  }
  Frame DrawHeader() {
    texrender::BeginFrame();
    lobby.DrawHeader();
    return texrender::Read();
  }

  GameSharedData* data = nullptr;
  GameModeLobby lobby;
};

TEST_F(LobbyRender, HeaderShowsTheLevelBadgeAndTheExperienceBarAtItsFraction) {
  data->SetUser32(kUserLevel, 0);
  data->SetUser32(kUserExperience, 250);  // half of level 0's 500: 81 of 163 units
  const Frame f = DrawHeader();
  texrender::SavePng(f, texrender::OutDir() + "/lobby_header.png", 0, 0, 1280, 130);

  EXPECT_TRUE(Near(f.At(152, 50), 5, 120, 193)) << "the badge's plate";
  bool digit = false;
  for (int y = 46; y < 68 && !digit; ++y)
    for (int x = 160; x < 186 && !digit; ++x) digit = White(f.At(x, y));
  EXPECT_TRUE(digit) << "the shown level is drawn in the badge";

  EXPECT_TRUE(Near(f.At(210, 56), 255, 255, 0)) << "the bar right of the badge";
  EXPECT_TRUE(Near(f.At(256, 56), 255, 255, 0)) << "the bar reaches 178 + 81";
  EXPECT_TRUE(Near(f.At(263, 56), 5, 120, 193)) << "the track beyond the bar";
  EXPECT_TRUE(Near(f.At(338, 56), 5, 120, 193)) << "the end of the track";

  // A player at the last level sees the whole bar; a negative level counts as level 0.
  data->SetUser32(kUserLevel, 60);
  data->SetUser32(kUserExperience, 1);
  Frame full = DrawHeader();
  EXPECT_TRUE(Near(full.At(338, 56), 255, 255, 0));
  data->SetUser32(kUserLevel, -40);
  data->SetUser32(kUserExperience, 250);
  Frame negative = DrawHeader();
  EXPECT_TRUE(Near(negative.At(256, 56), 255, 255, 0));
  EXPECT_TRUE(Near(negative.At(263, 56), 5, 120, 193));
}

TEST_F(LobbyRender, ChipsAreRightAlignedWhateverTheirLength) {
  int right_edges[2] = {};
  int left_edges[2] = {};
  const int64_t amounts[2] = {9876543210LL, 7};
  for (int i = 0; i < 2; ++i) {
    data->SetUser64(kUserChips, amounts[i]);
    const Frame f = DrawHeader();
    if (i == 0) texrender::SavePng(f, texrender::OutDir() + "/lobby_chips.png", 440, 10, 680, 60);
    right_edges[i] = RightmostWhite(f, 460, 700, 20, 52);
    left_edges[i] = -1;
    for (int x = 460; x < 700 && left_edges[i] < 0; ++x)
      for (int y = 20; y < 52; ++y)
        if (White(f.At(x, y))) {
          left_edges[i] = x;
          break;
        }
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_LE(right_edges[i], 645) << amounts[i];
    EXPECT_GE(right_edges[i], 636) << amounts[i];
  }
  EXPECT_LT(left_edges[0], left_edges[1] - 80) << "the long amount grows to the left";
}

TEST_F(LobbyRender, CarouselDrawsOnlyInsideItsClip) {
  auto& rows = data->m_list_a.Back();
  rows.assign(5, {});
  for (size_t i = 0; i < rows.size(); ++i) {
    std::memcpy(rows[i].data() + 4, "NV0000000001", 12);
    const int64_t chips = 150000 * static_cast<int64_t>(i + 1);
    std::memcpy(rows[i].data() + 164, &chips, 8);
  }
  data->m_list_a.Flip();
  data->m_list_a.refresh_time = 4242;

  // Half way through a slide: the plates sit 180 units to the left of their places.
  const uint32_t now = GetTickMs();
  lobby.carousel.Reset(now - 4000);
  lobby.carousel.sliding = 1;
  lobby.carousel.slide_start = now - 250;
  texrender::BeginFrame();
  lobby.DrawCarousel(now);
  const Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/lobby_carousel.png", 700, 600, 580, 120);

  const int y = 692;
  EXPECT_TRUE(f.IsBlack(800, y)) << "entry 0 slid out on the left: clipped";
  EXPECT_TRUE(f.IsBlack(905, y)) << "the part of entry 1 left of the clip";
  EXPECT_TRUE(Near(f.At(915, y), 5, 120, 193)) << "the part of entry 1 inside the clip";
  EXPECT_TRUE(Near(f.At(1145, y), 5, 120, 193));
  EXPECT_TRUE(Near(f.At(1265, y), 5, 120, 193)) << "entry 4 coming in";
  EXPECT_TRUE(f.IsBlack(1275, y)) << "beyond the clip on the right";
  data->m_list_a.Back().clear();
  data->m_list_a.Flip();
}

}  // namespace
