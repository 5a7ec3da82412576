#pragma once
// A real GL context on the offscreen SDL driver for the texture, text and button
// tests: one 1280 x 720 window for the whole program, frames begun through the window
// screen, pixels read back top row first in logical coordinates, PNGs saved for people
// to look at under <build>/render-out/.
#include <GL/gl.h>
#include <SDL.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/GLWindowScreen.h"

namespace texrender {

constexpr int kW = 1280;
constexpr int kH = 720;

// Other fixtures in the same program destroy the window screen after each test, so
// the context is checked (and made again on this helper's own window) every time.
inline bool EnsureContext() {
  static SDL_Window* window = nullptr;
  GLWindowScreen* screen = GLWindowScreen::Instance();
  if (screen->Context()) {
    screen->MakeCurrent();
    return true;
  }
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  GLWindowScreen::SetWindowAttributes();
  if (!window) window = SDL_CreateWindow("render", 0, 0, kW, kH, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return false;
  if (!screen->CreateContext(window, kW, kH)) return false;
  screen->SetLogicalSize(kW, kH);
  return true;
}

inline void BeginFrame() {
  GLWindowScreen* s = GLWindowScreen::Instance();
  s->SetViewSize(kW, kH);
  glClearColor(0, 0, 0, 1);
  s->BeginFrame(1);
}

// The whole frame as RGBA, row 0 = top of the screen.
struct Frame {
  std::vector<uint8_t> px;
  const uint8_t* At(int x, int y) const { return &px[(static_cast<size_t>(y) * kW + x) * 4]; }
  bool IsBlack(int x, int y) const {
    const uint8_t* p = At(x, y);
    return p[0] < 16 && p[1] < 16 && p[2] < 16;
  }
};

inline Frame Read() {
  glFinish();
  std::vector<uint8_t> raw(static_cast<size_t>(kW) * kH * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  Frame f;
  f.px.resize(raw.size());
  for (int y = 0; y < kH; ++y)
    std::copy_n(&raw[static_cast<size_t>(kH - 1 - y) * kW * 4], kW * 4, &f.px[static_cast<size_t>(y) * kW * 4]);
  return f;
}

inline std::string OutDir() {
  const char* b = std::getenv("TOLVAN_BUILD_DIR");
  std::string dir = std::string(b ? b : ".") + "/render-out";
  std::filesystem::create_directories(dir);
  return dir;
}

// Writes the region (x, y, w, h) of a frame as an RGB PNG.
inline bool SavePng(const Frame& f, const std::string& path, int x0 = 0, int y0 = 0, int w = kW, int h = kH) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (!fp) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
    return false;
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = f.At(x0 + x, y);
      row[x * 3] = p[0], row[x * 3 + 1] = p[1], row[x * 3 + 2] = p[2];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(fp);
  return true;
}

// A folder holding raw/Font_Bold_sum.ttf, the path every font loads. The kit's merged
// face (Latin, Thai, Hangul) when the build generated it; otherwise a Debian face
// (Waree Bold for Thai and Latin, or Nanum Gothic Bold when `hangul` is asked for).
inline std::string FontFolder(bool hangul = false) {
  const char* b = std::getenv("TOLVAN_BUILD_DIR");
  if (b && std::filesystem::exists(std::string(b) + "/raw/Font_Bold_sum.ttf")) return b;
  const char* face = hangul ? "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf"
                            : "/usr/share/fonts/truetype/tlwg/Waree-Bold.ttf";
  std::string dir = (std::filesystem::temp_directory_path() /
                     ("tolvan-font-" + std::to_string(getpid()) + (hangul ? "-ko" : "-th")))
                        .string();
  std::filesystem::create_directories(dir + "/raw");
  std::error_code ec;
  std::filesystem::remove(dir + "/raw/Font_Bold_sum.ttf", ec);
  std::filesystem::create_symlink(face, dir + "/raw/Font_Bold_sum.ttf", ec);
  return dir;
}

// The build folder when the asset kit (the shared pictures and the font) was generated
// into it, else "".
inline std::string KitFolder() {
  const char* b = std::getenv("TOLVAN_BUILD_DIR");
  if (b && std::filesystem::exists(std::string(b) + "/raw/loading_bg.png") &&
      std::filesystem::exists(std::string(b) + "/raw/Font_Bold_sum.ttf"))
    return b;
  return "";
}

// Runs `fn` with the working folder set to `dir` (fonts and images load relative to it).
template <class Fn>
inline void InFolder(const std::string& dir, Fn fn) {
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  fn();
  std::filesystem::current_path(old);
}

}  // namespace texrender
