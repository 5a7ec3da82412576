// Start-up cost of the sound table: reading and decoding all 46 clips of the kit
// (build/snd/) into PCM, on one thread and on two, and the memory the PCM then holds.
//   build/bench/bench_sound_decode            (run from anywhere; finds the build folder)
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/Log.h"
#include "media/DXSoundManager.h"
#include "media/Mp3Decoder.h"

namespace {

// The build folder: TOLVAN_BUILD_DIR, else the parent of this program's folder.
std::string KitFolder() {
  if (const char* b = std::getenv("TOLVAN_BUILD_DIR"); b && *b) return b;
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().string();
}

void LoadTable(benchmark::State& state) {
  const std::string kit = KitFolder();
  if (chdir(kit.c_str()) != 0 || !std::filesystem::exists("./snd/snd_bg_game.mp3")) {
    state.SkipWithError("the kit's sounds (build/snd/) are missing");
    return;
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  LogConfig quiet;
  quiet.sinks = 0;
  LogConfigure(quiet);
  size_t pcm = 0;
  int loaded = 0;
  for (auto _ : state) {
    DXSoundManager* m = DXSoundManager::Instance();
    loaded = m->LoadAll(static_cast<int>(state.range(0)));
    pcm = m->PcmBytes();
    state.PauseTiming();
    DXSoundManager::DestroyInstance();
    state.ResumeTiming();
  }
  state.counters["clips"] = loaded;
  state.counters["pcm_MiB"] = static_cast<double>(pcm) / (1024.0 * 1024.0);
  state.counters["seconds_of_audio"] = static_cast<double>(pcm) / (44100.0 * 4);
}
BENCHMARK(LoadTable)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One music loop alone, decoder only (no file access, no mixer).
void DecodeMusic(benchmark::State& state) {
  const std::string path = KitFolder() + "/snd/snd_bg_game.mp3";
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    state.SkipWithError("the kit's sounds (build/snd/) are missing");
    return;
  }
  std::vector<uint8_t> mp3;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) mp3.insert(mp3.end(), buf, buf + n);
  std::fclose(f);
  std::vector<uint8_t> out(DXSoundManager::kScratchSize);
  int total = 0;
  for (auto _ : state) {
    total = mp3::DecodeToWave(mp3.data(), mp3.size(), out.data(), out.size());
    benchmark::DoNotOptimize(total);
  }
  state.counters["pcm_MiB"] = total / (1024.0 * 1024.0);
}
BENCHMARK(DecodeMusic)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
