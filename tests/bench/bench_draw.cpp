// Cost of a typical busy frame's drawing: 200 short text strings and 500 textured
// quads, on the offscreen GL context (Mesa's software renderer here, so absolute
// figures are far above a GPU's; compare runs on the same machine).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "render/TexRenderEnv.h"
#include "unit/gfx/ImageEncode.h"

namespace {

const float kWhite[4] = {1, 1, 1, 1};

GLTexture* SheetTexture() {
  static GLTexture* tex = nullptr;
  if (tex) return tex;
  const std::string path = (std::filesystem::temp_directory_path() / "tolvan-bench-sheet.png").string();
  auto bytes = testimg::EncodePng(testimg::SolidRgba(256, 64, 200, 120, 40, 255), 256, 64, 4);
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  tex = new GLTexture();
  tex->Create(path.c_str(), nullptr, 4, 1);
  return tex;
}

GLFont* Font() {
  static bool done = false;
  if (!done) {
    texrender::InFolder(texrender::FontFolder(), [] { GLSurface::Instance()->Initialize(0, nullptr); });
    done = true;
  }
  return GLSurface::Instance()->Font(0);
}

// Short labels as the lobby and table show them: names, amounts, buttons.
const std::vector<std::string>& Labels() {
  static std::vector<std::string> labels = [] {
    std::vector<std::string> v;
    const char* words[] = {"Player", "\xE0\xB8\x9B\xE0\xB8\xB4\xE0\xB8\x94", "1,250K", "Room 12",
                           "\xE0\xB9\x84\xE0\xB8\x94\xE0\xB9\x89\xE0\xB8\xA3\xE0\xB8\xB1\xE0\xB8\x9A", "OK"};
    for (int i = 0; i < 200; ++i) v.push_back(std::string(words[i % 6]) + " " + std::to_string(i % 40));
    return v;
  }();
  return labels;
}

// Baseline: begin (clear) and finish an empty frame.
void BM_EmptyFrame(benchmark::State& state) {
  if (!texrender::EnsureContext()) {
    state.SkipWithError("no GL context");
    return;
  }
  for (auto _ : state) {
    texrender::BeginFrame();
    glFinish();
  }
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond);

void BM_Draw500TexturedQuads(benchmark::State& state) {
  if (!texrender::EnsureContext()) {
    state.SkipWithError("no GL context");
    return;
  }
  GLTexture* tex = SheetTexture();
  for (auto _ : state) {
    texrender::BeginFrame();
    for (int i = 0; i < 500; ++i) tex->Draw(i & 3, static_cast<float>((i * 37) % 1200), static_cast<float>((i * 53) % 680), 0);
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_Draw500TexturedQuads)->Unit(benchmark::kMillisecond);

// One face size for every string (the cheap case).
void BM_Draw200TextsOneSize(benchmark::State& state) {
  if (!texrender::EnsureContext()) {
    state.SkipWithError("no GL context");
    return;
  }
  GLFont* font = Font();
  const auto& labels = Labels();
  for (auto _ : state) {
    texrender::BeginFrame();
    font->SetFaceSize(20);
    for (int i = 0; i < 200; ++i)
      font->DrawText(labels[i].c_str(), 5, GLTextBox{(i % 10) * 128, (i / 10) * 36, (i % 10) * 128 + 128, (i / 10) * 36 + 36}, kWhite);
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_Draw200TextsOneSize)->Unit(benchmark::kMillisecond);

// Widgets set their own size before each text: four sizes interleaved.
void BM_Draw200TextsMixedSizes(benchmark::State& state) {
  if (!texrender::EnsureContext()) {
    state.SkipWithError("no GL context");
    return;
  }
  GLFont* font = Font();
  const auto& labels = Labels();
  const int sizes[] = {16, 20, 24, 30};
  for (auto _ : state) {
    texrender::BeginFrame();
    for (int i = 0; i < 200; ++i) {
      font->SetFaceSize(sizes[i % 4]);
      font->DrawText(labels[i].c_str(), 5, GLTextBox{(i % 10) * 128, (i / 10) * 36, (i % 10) * 128 + 128, (i / 10) * 36 + 36}, kWhite);
    }
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_Draw200TextsMixedSizes)->Unit(benchmark::kMillisecond);

void BM_ShapeThaiLine(benchmark::State& state) {
  GLFont* font = Font();
  const char* line = "\xE0\xB9\x84\xE0\xB8\xA1\xE0\xB9\x88\xE0\xB8\xAA\xE0\xB8\xB2\xE0\xB8\xA1\xE0\xB8\xB2\xE0\xB8\xA3\xE0\xB8\x96";
  font->SetFaceSize(20);
  for (auto _ : state) benchmark::DoNotOptimize(font->MeasureText(line));
}
BENCHMARK(BM_ShapeThaiLine);

}  // namespace

BENCHMARK_MAIN();
