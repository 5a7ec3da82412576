// Cost of face-size changes in real frames: 200 labels per frame in mixed sizes (each
// label sets its size, draws, and puts the previous size back, as the widgets do; the
// plain interleaved case is BM_Draw200TextsMixedSizes in bench_draw), the
// loading-screen frame (which asks for its size every frame), and a repeated request
// for the size the font already has. Offscreen GL on Mesa's software renderer: compare
// runs on the same machine only.
//
// The loading screen needs the generated art kit: run with TOLVAN_BUILD_DIR pointing
// at a build folder that holds raw/ (the benchmark changes into that folder).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "media/GameSharedImage.h"
#include "render/TexRenderEnv.h"

namespace {

const float kWhite[4] = {1, 1, 1, 1};

std::string ArtFolder() {
  const char* b = std::getenv("TOLVAN_BUILD_DIR");
  if (b && std::filesystem::exists(std::string(b) + "/raw/loading_bg.png") &&
      std::filesystem::exists(std::string(b) + "/raw/Font_Bold_sum.ttf"))
    return b;
  return "";
}

GLFont* Font() {
  static bool done = false;
  if (!done) {
    const std::string art = ArtFolder();
    texrender::InFolder(art.empty() ? texrender::FontFolder() : art,
                        [] { GLSurface::Instance()->Initialize(0, nullptr); });
    done = true;
  }
  return GLSurface::Instance()->Font(0);
}

const std::vector<std::string>& Labels() {
  static std::vector<std::string> labels = [] {
    std::vector<std::string> v;
    const char* words[] = {"Player", "\xE0\xB8\x9B\xE0\xB8\xB4\xE0\xB8\x94", "1,250K", "Room 12",
                           "\xE0\xB9\x84\xE0\xB8\x94\xE0\xB9\x89\xE0\xB8\xA3\xE0\xB8\xB1\xE0\xB8\x9A", "OK", "Lv.7"};
    for (int i = 0; i < 200; ++i) v.push_back(std::string(words[i % 7]) + " " + std::to_string(i % 40));
    return v;
  }();
  return labels;
}

// The sizes a lobby frame mixes: names, amounts, buttons, titles.
constexpr int kSizes[] = {14, 16, 18, 20, 24, 30};

// The offscreen context, or the benchmark is skipped.
bool Ready(benchmark::State& state) {
  if (texrender::EnsureContext()) return true;
  state.SkipWithError("no GL context");
  return false;
}

GLTextBox Cell(int i) { return GLTextBox{(i % 10) * 128, (i / 10) * 36, (i % 10) * 128 + 128, (i / 10) * 36 + 36}; }

// Each label: remember the stored size, set its own, draw, put the stored one back.
void BM_Labels200MixedSizesRestoring(benchmark::State& state) {
  if (!Ready(state)) return;
  GLFont* font = Font();
  const auto& labels = Labels();
  for (auto _ : state) {
    texrender::BeginFrame();
    for (int i = 0; i < 200; ++i) {
      const int stored = font->FaceSize();
      font->SetFaceSize(kSizes[i % 6]);
      font->DrawText(labels[i].c_str(), 5, Cell(i), kWhite);
      font->SetFaceSize(stored);
    }
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_Labels200MixedSizesRestoring)->Unit(benchmark::kMillisecond);

// The loading screen: background, four clouds and the version text at size 11, which
// the screen asks for in every frame.
void BM_LoadingScreenFrame(benchmark::State& state) {
  if (!Ready(state)) return;
  const std::string art = ArtFolder();
  if (art.empty()) {
    state.SkipWithError("set TOLVAN_BUILD_DIR to a build folder with the art kit (raw/)");
    return;
  }
  Font();
  static bool loaded = false;
  if (!loaded) texrender::InFolder(art, [] { loaded = GameSharedImage::Instance()->LoadLoadingImages() != 0; });
  if (!loaded) {
    state.SkipWithError("loading pictures failed to load");
    return;
  }
  for (auto _ : state) {
    texrender::BeginFrame();
    GameSharedImage::Instance()->DrawLoadingScreen();
    glFinish();
  }
}
BENCHMARK(BM_LoadingScreenFrame)->Unit(benchmark::kMillisecond);

// Asking again for the size just asked for (stored 18 after a request for 20).
void BM_SetFaceSizeAgain(benchmark::State& state) {
  if (!Ready(state)) return;
  GLFont* font = Font();
  for (auto _ : state) {
    font->SetFaceSize(20);
    benchmark::DoNotOptimize(font->FaceSize());
  }
}
BENCHMARK(BM_SetFaceSizeAgain)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
