#pragma once
// Render test fixture: real GL on Mesa's software renderer through SDL's offscreen
// video driver (CTest sets SDL_VIDEODRIVER=offscreen).
//
//   class MyTest : public RenderFixture {};
//   TEST_F(MyTest, Something) {
//     Open(1280, 720);                     // window + context + window screen, logical 1280x720
//     Begin();                             // BeginFrame(1): cleared to black
//     GLSurface::Instance()->FillRect(...);
//     EXPECT_TRUE(ColorNear(LogicalX(150), LogicalY(150), {255, 0, 0}));
//     SavePng("my_test");                  // <build>/render-out/my_test.png
//   }
//
// Pixel coordinates are window pixels with the origin at the top-left (like the design
// space); LogicalX/LogicalY give the pixel whose centre a logical coordinate falls in.
// Reading pixels takes the back buffer of the frame being drawn (no Present needed);
// the frame is read once after Begin: call Refresh() before reading again after more
// drawing.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/GLSurface.h"
#include "gfx/GLWindowScreen.h"

struct Rgb {
  int r, g, b;
};

class RenderFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
      ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
  }

  void TearDown() override { Close(); }

  // Creates a window of width x height pixels with the window screen on it, logical
  // size 1280 x 720 (as the program sets it).
  void Open(int width, int height) {
    Close();
    GLWindowScreen::SetWindowAttributes();
    m_window = SDL_CreateWindow("render-test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(m_window, nullptr) << SDL_GetError();
    screen = GLWindowScreen::Instance();
    ASSERT_EQ(screen->CreateContext(m_window, width, height), 1);
    screen->SetLogicalSize(1280, 720);
    screen->UpdateScale();
    surface = GLSurface::Instance();
    m_width = width;
    m_height = height;
  }

  void Close() {
    GLSurface::DestroyInstance();
    GLWindowScreen::DestroyInstance();
    if (m_window) SDL_DestroyWindow(m_window);
    m_window = nullptr;
    screen = nullptr;
    surface = nullptr;
    m_pixels.clear();
  }

  // Starts a frame cleared to black.
  void Begin() {
    screen->BeginFrame(1);
    // The first frame clears with the start-up clear colour; make it black for checks.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_pixels.clear();
  }

  // Forget the pixels read so far (more was drawn since).
  void Refresh() { m_pixels.clear(); }

  // The pixel (column, row) containing logical x / y.
  int LogicalX(float x) const { return static_cast<int>(x * screen->m_scale_x); }
  int LogicalY(float y) const { return static_cast<int>(y * screen->m_scale_y); }

  // Colour of window pixel (x, y), origin top-left. Reads the frame once per Begin.
  Rgb Pixel(int x, int y) {
    if (m_pixels.empty()) {
      glFinish();
      m_pixels.resize(static_cast<size_t>(m_width) * m_height * 4);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadBuffer(GL_BACK);
      glReadPixels(0, 0, m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, m_pixels.data());
    }
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return Rgb{-1, -1, -1};
    const size_t row = static_cast<size_t>(m_height - 1 - y);
    const uint8_t* p = &m_pixels[(row * m_width + x) * 4];
    return Rgb{p[0], p[1], p[2]};
  }

  // True when pixel (x, y) is within `tolerance` of `want` in every channel.
  ::testing::AssertionResult ColorNear(int x, int y, Rgb want, int tolerance = 3) {
    const Rgb got = Pixel(x, y);
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is (" << got.r << "," << got.g << ","
                                         << got.b << "), expected (" << want.r << "," << want.g << "," << want.b
                                         << ") +-" << tolerance;
  }

  // Saves the frame as <build>/render-out/<name>.png for a person to look at.
  void SavePng(const std::string& name) {
    Pixel(0, 0);
    const char* build = std::getenv("TOLVAN_BUILD_DIR");
    const std::string dir = std::string(build && *build ? build : ".") + "/render-out";
    mkdir(dir.c_str(), 0755);
    const std::string path = dir + "/" + name + ".png";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
      png_destroy_write_struct(&png, &info);
      std::fclose(f);
      FAIL() << "libpng failed writing " << path;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, m_width, m_height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < m_height; ++y) {
      // GL rows run bottom-up; force the alpha opaque so the picture is visible.
      std::vector<uint8_t> row(m_pixels.begin() + static_cast<long>(m_height - 1 - y) * m_width * 4,
                               m_pixels.begin() + static_cast<long>(m_height - y) * m_width * 4);
      for (size_t i = 3; i < row.size(); i += 4) row[i] = 255;
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
  }

  GLWindowScreen* screen = nullptr;
  GLSurface* surface = nullptr;
  int m_width = 0, m_height = 0;

 private:
  SDL_Window* m_window = nullptr;
  std::vector<uint8_t> m_pixels;
};
