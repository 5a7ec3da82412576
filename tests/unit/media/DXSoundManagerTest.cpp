// The sound table on a real mixer: the dummy driver for the table itself, the disk
// driver (which writes exactly the mixed stream to a file) for what is heard.
#include "media/DXSoundManager.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SoundTestFiles.h"
#include "app/GameLogic.h"
#include "app/GameMode.h"
#include "app/GameSharedData.h"
#include "framework/Log.h"
#include "media/GameSoundHooks.h"
#include "media/Mp3Decoder.h"
#include "ui/GLButton.h"

namespace {

using namespace std::chrono_literals;

std::mutex g_log_mutex;
std::vector<std::string> g_log;

void RecordLog(uint32_t, const char* text, void*) {
  std::lock_guard<std::mutex> g(g_log_mutex);
  g_log.emplace_back(text);
}

int g_boxes = 0;
void CountBox(const char*, const char*) { ++g_boxes; }

// The buffers the mixer produced, each marked silent or not (filled on the audio thread).
struct MixWatch {
  std::mutex m;
  std::vector<bool> loud;
  static void PostMix(void* self, Uint8* stream, int len) {
    auto* w = static_cast<MixWatch*>(self);
    bool any = false;
    for (int i = 0; i < len && !any; ++i) any = stream[i] != 0;
    std::lock_guard<std::mutex> g(w->m);
    w->loud.push_back(any);
  }
  size_t Count() {
    std::lock_guard<std::mutex> g(m);
    return loud.size();
  }
};

class SoundTableTest : public ::testing::Test {
 protected:
  // Four slots of the table exist: the two music loops, the button and the coins.
  static void SetUpTestSuite() {
    dir = new sound_test::TempDir();
    std::filesystem::create_directory(dir->File("snd"));
    ok = sound_test::MakeMp3(dir->File("snd/snd_bg_game.mp3"), 44100, 2, "synth 0.5 sine 220 sine 330 gain -6") &&
         sound_test::MakeMp3(dir->File("snd/snd_bg_lobby.mp3"), 44100, 1, "synth 0.5 sine 440 gain -6") &&
         sound_test::MakeMp3(dir->File("snd/snd_button.mp3"), 44100, 1, "synth 0.1 square 1800 gain -6") &&
         sound_test::MakeMp3(dir->File("snd/snd_coins_in.mp3"), 44100, 1, "synth 0.4 sine 2093 gain -6") &&
         sound_test::MakeMp3(dir->File("low_rate.mp3"), 22050, 1, "synth 0.4 sine 500 gain -6");
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }

  void SetUp() override {
    if (!ok) GTEST_SKIP() << "sox or lame did not make the test files";
    char cwd[4096];
    old_cwd = getcwd(cwd, sizeof(cwd)) ? cwd : ".";
    ASSERT_EQ(chdir(dir->path.c_str()), 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The music switch stores its value: keep it in the test's folder.
    setenv("TOLVAN_CONFIG_DIR", dir->File("config").c_str(), 1);
    setenv("TOLVAN_DATA_DIR", dir->File("data").c_str(), 1);
    stream_file = dir->File("stream.raw");
    std::filesystem::remove(stream_file);
    setenv("SDL_DISKAUDIOFILE", stream_file.c_str(), 1);
    {
      std::lock_guard<std::mutex> g(g_log_mutex);
      g_log.clear();
    }
    LogSetObserver(&RecordLog, nullptr);
    g_boxes = 0;
    DXSoundManager::SetMessageBoxHandler(&CountBox);
  }

  void TearDown() override {
    DXSoundManager::DestroyInstance();
    DXSoundManager::SetMessageBoxHandler(nullptr);
    LogSetObserver(nullptr, nullptr);
    GameSharedData::DestroyInstance();
    if (!old_cwd.empty()) {
      EXPECT_EQ(chdir(old_cwd.c_str()), 0);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  DXSoundManager* StartWith(const char* driver) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    DXSoundManager* m = DXSoundManager::Instance();
    m->LoadAll();
    return m;
  }

  static void WaitUntilSilent(DXSoundManager* m, int slot) {
    for (int i = 0; i < 300 && m->IsPlaying(slot); ++i) std::this_thread::sleep_for(10ms);
  }

  // Closes the device (which flushes the disk driver's file) and returns the stream.
  std::vector<uint8_t> CloseAndReadStream() {
    DXSoundManager::DestroyInstance();
    return sound_test::ReadBytes(stream_file);
  }

  static inline sound_test::TempDir* dir = nullptr;
  static inline bool ok = false;
  std::string old_cwd;
  std::string stream_file;
};

TEST_F(SoundTableTest, StartUpLoadsWhatExistsLogsEveryMissingFileInOrderAndCreatesNone) {
  DXSoundManager* m = StartWith("dummy");
  EXPECT_EQ(m->SlotCount(), 46);
  std::vector<std::string> errors;
  bool buffer = false, buffer_ok = false;
  for (const std::string& line : g_log) {
    if (line.find("m_pSoundManager::load error ") != std::string::npos) errors.push_back(line);
    buffer |= line.find("DXSoundManager::CreateWaveBuffer(15728640)") != std::string::npos;
    buffer_ok |= line.find("DXSoundManager::CreateWaveBuffer(15728640) success") != std::string::npos;
  }
  EXPECT_TRUE(buffer && buffer_ok);
  ASSERT_EQ(errors.size(), 42u);
  std::vector<std::string> want;
  for (int i = 0; i < 46; ++i) {
    if (i == 0 || i == 1 || i == 2 || i == 8) {
      EXPECT_TRUE(m->IsLoaded(i)) << i;
    } else {
      EXPECT_FALSE(m->IsLoaded(i)) << i;
      want.push_back(std::string("m_pSoundManager::load error ") + DXSoundManager::SlotFile(i));
      // The install folder is read-only: a missing sound is never created.
      EXPECT_FALSE(std::filesystem::exists(DXSoundManager::SlotFile(i))) << i;
    }
  }
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NE(errors[i].find(want[i]), std::string::npos) << errors[i];
  EXPECT_EQ(g_boxes, 0);  // a missing file is only logged
  EXPECT_FALSE(m->HasScratchBuffer());
  // Every slot owns its PCM; the slots differ in length, so none aliases another.
  EXPECT_EQ(m->PcmBytes(), m->Pcm(0).size() + m->Pcm(1).size() + m->Pcm(2).size() + m->Pcm(8).size());
  EXPECT_NE(m->Pcm(2).size(), m->Pcm(8).size());
  EXPECT_NE(m->Pcm(2).data(), m->Pcm(8).data());
}

TEST_F(SoundTableTest, ABadOrEmptyFileLeavesItsSlotEmptyAndPlayingOutsideTheTableDoesNothing) {
  DXSoundManager* m = DXSoundManager::Instance();
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(m->CreateWaveBuffer(DXSoundManager::kScratchSize), 1);
  ASSERT_EQ(m->InitSound(46), 1);
  sound_test::WriteBytes(dir->File("empty.mp3"), {});
  EXPECT_EQ(m->load("./empty.mp3", 5), 1);  // a header-only image: nothing to play
  EXPECT_FALSE(m->IsLoaded(5));
  EXPECT_EQ(m->load("./snd/no_such.mp3", 6), 0);
  EXPECT_FALSE(std::filesystem::exists("./snd/no_such.mp3"));
  EXPECT_EQ(m->load("./snd/snd_button.mp3", 46), 0);  // outside the table
  EXPECT_EQ(m->load("./snd/snd_button.mp3", 7), 1);
  EXPECT_TRUE(m->IsLoaded(7));
  // A clip at another rate is resampled to the device's 44.1 kHz: twice the frames.
  std::vector<uint8_t> low = sound_test::ReadBytes("./low_rate.mp3");
  std::vector<uint8_t> image(1u << 22);
  const int total = mp3::DecodeToWave(low.data(), low.size(), image.data(), image.size());
  ASSERT_GT(total, 44);
  EXPECT_EQ(m->load("./low_rate.mp3", 9), 1);
  ASSERT_TRUE(m->IsLoaded(9));
  const double ratio = static_cast<double>(m->Pcm(9).size()) / (total - 44);
  EXPECT_NEAR(ratio, 2.0, 0.01);
  EXPECT_EQ(m->Pcm(9).size() % 4, 0u);
  for (int index : {-1, 46, 5, 6}) {
    EXPECT_EQ(m->Game_Interface_PlaySound(index, 0), 1) << index;
    EXPECT_EQ(m->Game_Interface_StopSound(index), 1) << index;
  }
  EXPECT_FALSE(m->IsPlaying(5));
}

TEST_F(SoundTableTest, WithoutADeviceStartUpGoesOnSilently) {
  DXSoundManager* m = StartWith("no_such_audio_driver");
  EXPECT_EQ(m->SlotCount(), 0);
  EXPECT_FALSE(m->HasScratchBuffer());
  EXPECT_EQ(m->Game_Interface_PlaySound(2, 0), 1);
  m->Stop_All(0);
  m->Stop_All(1);
  EXPECT_FALSE(m->IsPlaying(2));
  bool logged = false;
  for (const std::string& line : g_log) logged |= line.find("DXSoundManager::InitSound => DirectSoundCreate") != std::string::npos;
  EXPECT_TRUE(logged);
}

TEST_F(SoundTableTest, OnePlayWritesTheClipIntoTheStreamOnceBitExact) {
  DXSoundManager* m = StartWith("disk");
  ASSERT_TRUE(m->IsLoaded(2));
  const std::vector<uint8_t> clip = m->Pcm(2);
  ASSERT_GT(clip.size(), 4000u);
  m->Game_Interface_PlaySound(2, 0);
  EXPECT_TRUE(m->IsPlaying(2));
  WaitUntilSilent(m, 2);
  std::this_thread::sleep_for(100ms);
  const std::vector<uint8_t> stream = CloseAndReadStream();
  EXPECT_EQ(sound_test::CountOccurrences(stream, clip), 1);
}

TEST_F(SoundTableTest, ALoopingSlotRepeatsAndPlayingAgainRewinds) {
  DXSoundManager* m = StartWith("disk");
  const std::vector<uint8_t> clip = m->Pcm(2);
  const auto clip_ms = std::chrono::milliseconds(clip.size() * 1000 / (44100 * 4));
  m->Game_Interface_PlaySound(2, 1);
  std::this_thread::sleep_for(clip_ms * 3 + 150ms);
  EXPECT_TRUE(m->IsPlaying(2));
  m->Game_Interface_StopSound(2);
  const std::vector<uint8_t> stream = CloseAndReadStream();
  EXPECT_GE(sound_test::CountOccurrences(stream, clip), 2);
}

TEST_F(SoundTableTest, AStopIsSilentWithinOneBuffer) {
  DXSoundManager* m = StartWith("disk");
  MixWatch watch;
  Mix_SetPostMix(&MixWatch::PostMix, &watch);
  m->Game_Interface_PlaySound(0, 1);
  std::this_thread::sleep_for(250ms);
  const size_t at_stop = watch.Count();
  m->Game_Interface_StopSound(0);
  EXPECT_FALSE(m->IsPlaying(0));
  while (watch.Count() < at_stop + 6) std::this_thread::sleep_for(10ms);
  Mix_SetPostMix(nullptr, nullptr);
  std::lock_guard<std::mutex> g(watch.m);
  ASSERT_GT(at_stop, 2u);
  EXPECT_TRUE(watch.loud[at_stop - 1]);
  // The buffer being mixed at the moment of the stop may still carry sound; none after.
  for (size_t i = at_stop + 1; i < watch.loud.size(); ++i) EXPECT_FALSE(watch.loud[i]) << "buffer " << i;
}

TEST_F(SoundTableTest, WithEffectsOffAClickIsSilentWhileTheMusicGoesOn) {
  DXSoundManager* m = StartWith("disk");
  GameSharedData::Instance()->m_sound_on = 0;
  GameSoundHooks hooks;
  const std::vector<uint8_t> click = m->Pcm(2);
  const std::vector<uint8_t> music = m->Pcm(1);
  hooks.PlaySound(1, true);
  hooks.PlaySound(8, true);  // an effect already playing when the switch goes off
  GLButton::SetClickSoundHook(&GameSoundHooks::PlayButtonClick);
  GameSoundHooks::PlayButtonClick();
  EXPECT_FALSE(m->IsPlaying(2));
  hooks.OnEffectsSwitch(false);
  EXPECT_FALSE(m->IsPlaying(8));
  EXPECT_TRUE(m->IsPlaying(1));
  std::this_thread::sleep_for(1200ms);  // more than two turns of the music loop
  EXPECT_TRUE(m->IsPlaying(1));
  GLButton::SetClickSoundHook(nullptr);
  const std::vector<uint8_t> stream = CloseAndReadStream();
  EXPECT_EQ(sound_test::CountOccurrences(stream, click), 0);
  EXPECT_GE(sound_test::CountOccurrences(stream, music), 1);
}

class MusicMode : public GameMode {
 public:
  explicit MusicMode(int id) { mode_id = id; }
};

TEST_F(SoundTableTest, TheMusicSwitchFollowsTheCurrentMode) {
  DXSoundManager* m = StartWith("dummy");
  GameSoundHooks sound;
  GameLogic* logic = GameLogic::Instance();
  GameHooks hooks = logic->Hooks();
  hooks.sound = &sound;
  logic->SetHooks(hooks);
  MusicMode login(GameMode::kModeLogin), lobby(GameMode::kModeLobby), play(GameMode::kModePlay);
  struct Case {
    GameMode* mode;
    int playing;  // the music slot that must play, -1 none
  } cases[] = {{&login, -1}, {&lobby, 1}, {&play, 0}};
  for (const Case& c : cases) {
    logic->ChangeMode(c.mode, 0, 0);
    GameSharedData::Instance()->SetSoundBgOn(1);
    EXPECT_EQ(m->IsPlaying(1), c.playing == 1) << c.mode->mode_id;
    EXPECT_EQ(m->IsPlaying(0), c.playing == 0) << c.mode->mode_id;
    GameSharedData::Instance()->SetSoundBgOn(0);
    EXPECT_FALSE(m->IsPlaying(0) || m->IsPlaying(1)) << c.mode->mode_id;
  }
  // The switch goes off: an effect keeps playing, the music stops at once.
  GameSharedData::Instance()->SetSoundBgOn(1);
  m->Game_Interface_PlaySound(8, 1);
  GameSharedData::Instance()->SetSoundBgOn(0);
  EXPECT_TRUE(m->IsPlaying(8));
  logic->ChangeMode(nullptr, 0, 0);
  hooks.sound = nullptr;
  logic->SetHooks(hooks);
  GameLogic::DestroyInstance();
}

}  // namespace
