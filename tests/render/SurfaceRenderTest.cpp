#include <string>

#include "RenderFixture.h"

namespace {

const Rgb kBlack{0, 0, 0};
const Rgb kRed{255, 0, 0};
const Rgb kWhite{255, 255, 255};

struct WindowSizeCase {
  int width, height;
};

// The same drawings at the design size, at a smaller 16:9 size, at a HiDPI size and
// stretched vertically (1280 x 800: the aspect ratio is not preserved).
class SurfaceSizes : public RenderFixture, public ::testing::WithParamInterface<WindowSizeCase> {
 protected:
  void SetUp() override { Open(GetParam().width, GetParam().height); }
  std::string Name(const char* what) {
    return std::string(what) + "_" + std::to_string(GetParam().width) + "x" + std::to_string(GetParam().height);
  }
};

TEST_P(SurfaceSizes, ScaleFactorsFollowTheWindow) {
  EXPECT_FLOAT_EQ(screen->m_scale_x, GetParam().width / 1280.0f);
  EXPECT_FLOAT_EQ(screen->m_scale_y, GetParam().height / 720.0f);
  EXPECT_FLOAT_EQ(screen->m_inv_scale_x, 1280.0f / GetParam().width);
}

TEST_P(SurfaceSizes, FillRectLandsOnTheScaledPixels) {
  Begin();
  surface->FillRect(0, 100, 100, 300, 200, 1, 0, 0, 1, 0, 0, 0, 0);
  // Edges are whole window pixels: x * scale x and H - y * scale y, truncated.
  const float sx = screen->m_scale_x, sy = screen->m_scale_y;
  const int x0 = static_cast<int>(100 * sx), x1 = static_cast<int>(300 * sx);
  const int y0 = m_height - static_cast<int>(m_height - 100 * sy);
  const int y1 = m_height - static_cast<int>(m_height - 200 * sy);
  EXPECT_TRUE(ColorNear(x0, y0, kRed));
  EXPECT_TRUE(ColorNear(x1 - 1, y1 - 1, kRed));
  EXPECT_TRUE(ColorNear((x0 + x1) / 2, (y0 + y1) / 2, kRed));
  EXPECT_TRUE(ColorNear(x0 - 1, y0, kBlack));
  EXPECT_TRUE(ColorNear(x1, y0, kBlack));
  EXPECT_TRUE(ColorNear(x0, y0 - 1, kBlack));
  EXPECT_TRUE(ColorNear(x0, y1, kBlack));
  SavePng(Name("fill_rect"));
}

TEST_P(SurfaceSizes, DesignRectangleFillsTheWindowExactly) {
  Begin();
  surface->FillRect(0, 0, 0, 1280, 720, 0, 0, 1, 1, 0, 0, 0, 0);
  for (auto [x, y] : {std::pair{0, 0}, {m_width - 1, 0}, {0, m_height - 1}, {m_width - 1, m_height - 1}})
    EXPECT_TRUE(ColorNear(x, y, Rgb{0, 0, 255}));
}

TEST_P(SurfaceSizes, GradientModes) {
  struct Mode {
    int mode;
    // Where colour1 (red) and colour2 (blue) should dominate, as fractions of the rect.
    float c1x, c1y, c2x, c2y;
  };
  const Mode modes[] = {
      {1, 0.5f, 0.02f, 0.5f, 0.98f}, {7, 0.5f, 0.02f, 0.5f, 0.98f},  // 7 draws mode 1
      {2, 0.5f, 0.02f, 0.5f, 0.5f},  {3, 0.02f, 0.5f, 0.98f, 0.5f},
      {4, 0.98f, 0.5f, 0.5f, 0.5f},
  };
  for (const Mode& m : modes) {
    Begin();
    surface->FillGradientRect(m.mode, 0, 200, 100, 600, 500, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0);
    const Rgb a = Pixel(LogicalX(200 + 400 * m.c1x), LogicalY(100 + 400 * m.c1y));
    const Rgb b = Pixel(LogicalX(200 + 400 * m.c2x), LogicalY(100 + 400 * m.c2y));
    EXPECT_GT(a.r, 240) << "mode " << m.mode;
    EXPECT_LT(a.b, 15) << "mode " << m.mode;
    EXPECT_GT(b.b, 240) << "mode " << m.mode;
    EXPECT_LT(b.r, 15) << "mode " << m.mode;
    if (m.mode == 2) SavePng(Name("gradient_mode2"));
  }
}

TEST_P(SurfaceSizes, RoundRectCornersAreCut) {
  Begin();
  surface->DrawRoundRect(100, 100, 500, 300, 40, 40, 2.0f, 1, 1, 1, 1, 1, 0, 0, 1);
  // Centre and the middle of each straight edge are filled; the corner pixel is not.
  EXPECT_TRUE(ColorNear(LogicalX(300), LogicalY(200), kWhite));
  EXPECT_TRUE(ColorNear(LogicalX(300), LogicalY(104), kWhite));
  EXPECT_TRUE(ColorNear(LogicalX(104), LogicalY(200), kWhite));
  EXPECT_TRUE(ColorNear(LogicalX(101), LogicalY(101), kBlack));
  EXPECT_TRUE(ColorNear(LogicalX(498), LogicalY(298), kBlack));
  // The outline runs along the edges in the border colour.
  const Rgb edge = Pixel(LogicalX(300), static_cast<int>(m_height - static_cast<int>(m_height - 100 * screen->m_scale_y)));
  EXPECT_GT(edge.r, 100);
  EXPECT_LT(edge.g, 200);
  SavePng(Name("round_rect"));
}

TEST_P(SurfaceSizes, ClipCutsToTheRectangle) {
  Begin();
  ASSERT_EQ(screen->PushClip(100, 100, 300, 200), 1);
  surface->FillRect(0, 0, 0, 1280, 720, 1, 0, 0, 1, 0, 0, 0, 0);
  ASSERT_EQ(screen->PopClip(), 1);
  EXPECT_TRUE(ColorNear(LogicalX(200), LogicalY(150), kRed));
  EXPECT_TRUE(ColorNear(LogicalX(50), LogicalY(150), kBlack));
  EXPECT_TRUE(ColorNear(LogicalX(350), LogicalY(150), kBlack));
  EXPECT_TRUE(ColorNear(LogicalX(200), LogicalY(250), kBlack));
  // After the pop the whole window is drawable again.
  Refresh();
  surface->FillRect(0, 1000, 600, 1100, 700, 0, 1, 0, 1, 0, 0, 0, 0);
  EXPECT_TRUE(ColorNear(LogicalX(1050), LogicalY(650), Rgb{0, 255, 0}));
  SavePng(Name("clip"));
}

INSTANTIATE_TEST_SUITE_P(Sizes, SurfaceSizes,
                         ::testing::Values(WindowSizeCase{1280, 720}, WindowSizeCase{640, 360},
                                           WindowSizeCase{2560, 1440}, WindowSizeCase{1280, 800}),
                         [](const auto& info) {
                           return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

class SurfaceAtDesignSize : public RenderFixture {
 protected:
  void SetUp() override { Open(1280, 720); }
};

TEST_F(SurfaceAtDesignSize, NestedClipsDoNotIntersectAndDepthStopsAtTen) {
  Begin();
  ASSERT_EQ(screen->PushClip(0, 0, 100, 100), 1);
  ASSERT_EQ(screen->PushClip(200, 200, 300, 300), 1);
  surface->FillRect(0, 0, 0, 1280, 720, 1, 0, 0, 1, 0, 0, 0, 0);
  EXPECT_TRUE(ColorNear(250, 250, kRed));
  EXPECT_TRUE(ColorNear(50, 50, kBlack));  // the outer clip alone is not in force
  // Popping the inner one re-applies the outer one.
  ASSERT_EQ(screen->PopClip(), 1);
  Refresh();
  surface->FillRect(0, 0, 0, 1280, 720, 0, 1, 0, 1, 0, 0, 0, 0);
  EXPECT_TRUE(ColorNear(50, 50, Rgb{0, 255, 0}));
  EXPECT_TRUE(ColorNear(150, 150, kBlack));
  ASSERT_EQ(screen->PopClip(), 1);

  for (int i = 0; i < 10; ++i) EXPECT_EQ(screen->PushClip(i, i, 500, 500), 1) << i;
  EXPECT_EQ(screen->PushClip(0, 0, 10, 10), 0);  // eleventh refused, nothing changes
  EXPECT_EQ(screen->m_clip_depth, 10);
  EXPECT_EQ(screen->m_clip[9].left, 9);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(screen->PopClip(), 1) << i;
  EXPECT_EQ(screen->PopClip(), 0);
}

TEST_F(SurfaceAtDesignSize, EmptyClipDrawsNothing) {
  Begin();
  ASSERT_EQ(screen->PushClip(300, 300, 200, 200), 1);  // inverted
  surface->FillRect(0, 0, 0, 1280, 720, 1, 0, 0, 1, 0, 0, 0, 0);
  ASSERT_EQ(screen->PopClip(), 1);
  EXPECT_TRUE(ColorNear(250, 250, kBlack));
  EXPECT_TRUE(ColorNear(640, 360, kBlack));
}

TEST_F(SurfaceAtDesignSize, TransitionOffsetsAndFades) {
  // Progress below 0 counts as 0.01: an entering screen sits 99 units right of its
  // place with alpha 0.3 + 0.01 * 0.7 = 0.307.
  Begin();
  screen->BeginTransition(-0.5f, 100, 0, 0, 0.3f);
  EXPECT_FLOAT_EQ(screen->m_offset_x, 99.0f);
  EXPECT_NEAR(screen->m_tint[3], 0.307f, 1e-5);
  surface->FillRect(0, 0, 0, 20, 20, 1, 1, 1, 1, 0, 0, 0, 0);
  screen->EndTransition();
  EXPECT_FLOAT_EQ(screen->m_tint[3], 1.0f);
  const int v = static_cast<int>(0.307f * 255.0f + 0.5f);
  EXPECT_TRUE(ColorNear(99, 10, Rgb{v, v, v}, 2));
  EXPECT_TRUE(ColorNear(118, 10, Rgb{v, v, v}, 2));
  EXPECT_TRUE(ColorNear(98, 10, kBlack));
  EXPECT_TRUE(ColorNear(119, 10, kBlack));

  // A leaving screen halfway, moving down: offset 50 units down, alpha 0.5; the clip
  // follows the offset.
  Begin();
  screen->BeginTransition(0.5f, 0, 100, 1, 0.0f);
  EXPECT_FLOAT_EQ(screen->m_offset_y, -50.0f);
  ASSERT_EQ(screen->PushClip(0, 0, 100, 100), 1);
  surface->FillRect(0, 0, 0, 1280, 720, 1, 1, 1, 1, 0, 0, 0, 0);
  ASSERT_EQ(screen->PopClip(), 1);
  screen->EndTransition();
  EXPECT_TRUE(ColorNear(50, 60, Rgb{128, 128, 128}, 2));
  EXPECT_TRUE(ColorNear(50, 149, Rgb{128, 128, 128}, 2));
  EXPECT_TRUE(ColorNear(50, 40, kBlack));
  EXPECT_TRUE(ColorNear(50, 151, kBlack));
  SavePng("transition_leaving");
}

TEST_F(SurfaceAtDesignSize, TintAlphaMultipliesEveryPrimitive) {
  Begin();
  screen->m_tint[3] = 0.5f;
  surface->FillRect(0, 0, 0, 100, 100, 1, 1, 1, 1, 0, 0, 0, 0);
  surface->FillGradientRect(1, 0, 100, 0, 200, 100, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0);
  surface->DrawRoundRect(200, 0, 300, 100, 10, 20, 1.0f, 1, 1, 1, 1, 0, 0, 0, 0);
  const float line[4] = {300.0f, 670.5f, 400.0f, 670.5f};
  surface->DrawLineStrip(line, 2, 1, 1, 1, 1);
  screen->m_tint[3] = 1.0f;
  const Rgb half{128, 128, 128};
  EXPECT_TRUE(ColorNear(50, 50, half, 2));
  EXPECT_TRUE(ColorNear(150, 50, half, 2));
  EXPECT_TRUE(ColorNear(250, 50, half, 2));
  const Rgb l = Pixel(350, 49);
  EXPECT_GT(l.r, 40);
  EXPECT_LT(l.r, 140);  // a smoothed line at half alpha: never full white
}

TEST_F(SurfaceAtDesignSize, LineStripAndColourTriangles) {
  Begin();
  // A horizontal line through pixel row 100 (window y 619.5 from the bottom).
  const float line[6] = {10.0f, 619.5f, 200.0f, 619.5f, 200.0f, 419.5f};
  surface->DrawLineStrip(line, 3, 0, 1, 0, 1);
  EXPECT_GT(Pixel(100, 100).g, 100);
  EXPECT_GT(Pixel(200, 200).g, 100);  // the vertical leg
  EXPECT_TRUE(ColorNear(100, 110, kBlack));

  // One triangle, red / green / blue corners; its centroid mixes all three.
  Refresh();
  const float tri[6] = {600.0f, 100.0f, 900.0f, 100.0f, 750.0f, 400.0f};
  const float col[12] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1};
  surface->DrawColorTriangles(tri, col, 3);
  const Rgb c = Pixel(750, 720 - 200);
  EXPECT_NEAR(c.r, 85, 12);
  EXPECT_NEAR(c.g, 85, 12);
  EXPECT_NEAR(c.b, 85, 12);
  SavePng("line_and_triangles");
}

TEST_F(SurfaceAtDesignSize, OutlineUsesTheBorderWidthAndRestoresTheLineWidth) {
  Begin();
  surface->FillRect(4, 100, 100, 300, 200, 0, 0, 0, 0, 1, 1, 1, 1);
  EXPECT_FLOAT_EQ(surface->m_line_width, 1.0f);
  // A 4-pixel outline covers pixels on both sides of the left edge (x = 100).
  EXPECT_GT(Pixel(98, 150).r, 100);
  EXPECT_GT(Pixel(101, 150).r, 100);
  EXPECT_TRUE(ColorNear(200, 150, kBlack));  // transparent fill
}

TEST_F(SurfaceAtDesignSize, RoundRectSegmentCountIsCapped) {
  Begin();
  surface->DrawRoundRect(100, 100, 500, 400, 60, 128, 1.0f, 1, 1, 0, 1, 0, 0, 0, 0);
  std::vector<Rgb> a;
  for (int y = 95; y < 170; ++y)
    for (int x = 95; x < 170; ++x) a.push_back(Pixel(x, y));
  Begin();
  surface->DrawRoundRect(100, 100, 500, 400, 60, 200, 1.0f, 1, 1, 0, 1, 0, 0, 0, 0);
  size_t i = 0;
  for (int y = 95; y < 170; ++y)
    for (int x = 95; x < 170; ++x, ++i) {
      const Rgb b = Pixel(x, y);
      ASSERT_TRUE(a[i].r == b.r && a[i].g == b.g && a[i].b == b.b) << x << "," << y;
    }
}

TEST_F(SurfaceAtDesignSize, DegenerateRectanglesAreHarmless) {
  Begin();
  surface->FillRect(2, 300, 300, 100, 100, 1, 0, 0, 1, 1, 0, 0, 1);
  surface->FillGradientRect(2, 0, 50, 50, 50, 50, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0);
  surface->DrawRoundRect(400, 400, 300, 300, 20, 20, 1.0f, 1, 0, 0, 1, 1, 0, 0, 1);
  surface->DrawRoundRect(400, 400, 500, 500, 400, 0, 1.0f, 1, 0, 0, 1, 1, 0, 0, 1);  // huge radius, 0 segments
  surface->DrawLineStrip(nullptr, 3, 1, 1, 1, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_TRUE(ColorNear(450, 450, kRed));
}

}  // namespace
