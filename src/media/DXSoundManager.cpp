#include "media/DXSoundManager.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "framework/Log.h"
#include "framework/Paths.h"
#include "media/Mp3Decoder.h"
#include "media/WaveReader.h"

namespace {

// The sound table: the slot position is the sound index.
constexpr char kSlotFiles[DXSoundManager::kSlotCount][255] = {
    "./snd/snd_bg_game.mp3",         "./snd/snd_bg_lobby.mp3",       "./snd/snd_button.mp3",
    "./snd/snd_button_close.mp3",    "./snd/snd_button_error.mp3",   "./snd/snd_button_game.mp3",
    "./snd/snd_card_table.mp3",      "./snd/snd_click_game.mp3",     "./snd/snd_coins_in.mp3",
    "./snd/snd_deal_card.mp3",       "./snd/snd_end_card.mp3",       "./snd/snd_first_time_card.mp3",
    "./snd/snd_game_fail.mp3",       "./snd/snd_game_knock.mp3",     "./snd/snd_game_knockmed.mp3",
    "./snd/snd_game_last_card.mp3",  "./snd/snd_game_mission.mp3",   "./snd/snd_game_plus.mp3",
    "./snd/snd_game_start.mp3",      "./snd/snd_lay_card.mp3",       "./snd/snd_level_up.mp3",
    "./snd/snd_myturn.mp3",          "./snd/snd_myturn_vibrate.mp3", "./snd/snd_nextplayer.mp3",
    "./snd/snd_pak_card.mp3",        "./snd/snd_popup.mp3",          "./snd/snd_room_in.mp3",
    "./snd/snd_room_out.mp3",        "./snd/snd_ruby_in.mp3",        "./snd/snd_select_card.mp3",
    "./snd/snd_shuffle_card.mp3",    "./snd/snd_thank_you.mp3",      "./snd/snd_timer.mp3",
    "./snd/snd_tournament_fail.mp3", "./snd/snd_tournament_pass.mp3", "./snd/sub_item_Bomb.mp3",
    "./snd/sub_item_gift.mp3",       "./snd/sub_item_Hammer.mp3",    "./snd/sub_item_hit_glass.mp3",
    "./snd/sub_item_Kiss.mp3",       "./snd/sub_item_missine.mp3",   "./snd/sub_item_thunder.mp3",
    "./snd/sub_shoot_ball_shoot.mp3", "./snd/sub_shoot_boo.mp3",     "./snd/sub_shoot_goal.mp3",
    "./snd/sub_shoot_whistle.mp3",
};

constexpr char kBoxCaption[] = "DirectSound";

void LogOnlyBox(const char* text, const char* caption) { Log(LOG_FATAL, "[ERROR]: %s | %s", caption, text); }

DXSoundManager::MessageBoxFn g_box = &LogOnlyBox;

const std::vector<uint8_t> kNoPcm;

}  // namespace

struct DXSoundManager::Decoded {
  bool ok = false;
  const char* error = nullptr;  // the WAVE image could not be read (reported on the main thread)
  WaveFormat format;
  std::vector<uint8_t> pcm;  // copied out of the scratch buffer: the slot's own
};

DXSoundManager::DXSoundManager() = default;

DXSoundManager::~DXSoundManager() {
  Shutdown();
  std::free(m_scratch);
}

const char* DXSoundManager::SlotFile(int index) {
  return index >= 0 && index < kSlotCount ? kSlotFiles[index] : nullptr;
}

void DXSoundManager::SetMessageBoxHandler(MessageBoxFn fn) { g_box = fn ? fn : &LogOnlyBox; }

int DXSoundManager::CreateWaveBuffer(int size) {
  Log(LOG_WARNING, "DXSoundManager::CreateWaveBuffer(%d)", size);
  std::free(m_scratch);
  m_scratch = nullptr;
  m_scratch_size = 0;
  if (size <= 0) return 0;
  m_scratch = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
  if (!m_scratch) return 0;
  m_scratch_size = size;
  Log(LOG_WARNING, "DXSoundManager::CreateWaveBuffer(%d) success", size);
  return 1;
}

int DXSoundManager::InitSound(int count) {
  if (m_device_open) return 1;
  if (!SDL_WasInit(SDL_INIT_AUDIO)) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      Log(LOG_WARNING, "DXSoundManager::InitSound => DirectSoundCreate == 0x%x", static_cast<unsigned>(-1));
      Log(LOG_WARNING, "DXSoundManager::InitSound | %s", SDL_GetError());
      return 0;
    }
    m_audio_subsystem = true;
  }
  // One fixed device format, so that a clip's PCM reaches the device unchanged.
  const int rc = Mix_OpenAudioDevice(kDeviceRate, AUDIO_S16LSB, 2, 1024, nullptr, 0);
  if (rc != 0) {
    Log(LOG_WARNING, "DXSoundManager::InitSound => DirectSoundCreate == 0x%x", static_cast<unsigned>(rc));
    Log(LOG_WARNING, "DXSoundManager::InitSound | %s", Mix_GetError());
    if (m_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_audio_subsystem = false;
    return 0;
  }
  m_device_open = true;
  m_count = std::max(0, count);
  Mix_AllocateChannels(m_count);
  m_chunks.assign(static_cast<size_t>(m_count), nullptr);
  m_pcm.assign(static_cast<size_t>(m_count), {});
  m_flags.assign(static_cast<size_t>(m_count), 0);
  return 1;
}

bool DXSoundManager::DecodeFile(const char* file, uint8_t* scratch, size_t scratch_size, Decoded* out) {
  out->ok = false;
  // Opened for reading only: a missing file is never created.
  std::string mp3;
  if (!file || !ReadWholeFile(file, &mp3)) return false;
  const int total =
      mp3::DecodeToWave(reinterpret_cast<const uint8_t*>(mp3.data()), mp3.size(), scratch, scratch_size);
  if (total <= 0) return false;
  WaveImage wave;
  out->error = ReadWaveImage(scratch, static_cast<size_t>(total), &wave);
  if (!out->error) {
    out->format = wave.format;
    out->pcm.assign(wave.pcm, wave.pcm + wave.pcm_size);
  }
  out->ok = true;
  return true;
}

void DXSoundManager::CreateSlot(int index, Decoded* decoded) {
  const WaveFormat& format = decoded->format;
  const char* error = decoded->error;
  if (!error && (format.tag != 1 || format.bits != 16 || format.channels != 2)) error = "Not Sound Buffer Create";
  std::vector<uint8_t> pcm = std::move(decoded->pcm);
  if (!error && format.rate != static_cast<uint32_t>(kDeviceRate) && !pcm.empty()) {
    // Another rate: resample into the device's format.
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, AUDIO_S16LSB, 2, static_cast<int>(format.rate), AUDIO_S16LSB, 2, kDeviceRate) < 0) {
      error = "Not Sound Buffer Create";
    } else {
      cvt.len = static_cast<int>(pcm.size());
      pcm.resize(pcm.size() * static_cast<size_t>(std::max(1, cvt.len_mult)));
      cvt.buf = pcm.data();
      if (SDL_ConvertAudio(&cvt) != 0) error = "Not Sound Buffer Create";
      else pcm.resize(static_cast<size_t>(cvt.len_cvt) & ~static_cast<size_t>(3));
    }
  }
  if (!error && pcm.empty()) return;  // nothing to play: the slot stays empty
  Mix_Chunk* chunk = nullptr;
  if (!error) {
    chunk = Mix_QuickLoad_RAW(pcm.data(), static_cast<Uint32>(pcm.size()));
    if (!chunk) error = "Not Sound Buffer Create";
  }
  if (error) {
    g_box(error, kBoxCaption);
    return;
  }
  if (m_chunks[index]) {
    Mix_HaltChannel(index);
    Mix_FreeChunk(m_chunks[index]);
  }
  m_pcm[index] = std::move(pcm);
  m_chunks[index] = chunk;
}

int DXSoundManager::load(const char* file, int index) {
  if (!m_scratch || index < 0 || index >= m_count) return 0;
  Decoded decoded;
  if (!DecodeFile(file, m_scratch, static_cast<size_t>(m_scratch_size), &decoded)) return 0;
  CreateSlot(index, &decoded);
  return 1;
}

int DXSoundManager::LoadAll(int workers) {
  int loaded = 0;
  if (CreateWaveBuffer(kScratchSize) && InitSound(kSlotCount)) {
    std::vector<Decoded> results(static_cast<size_t>(m_count));
    std::atomic<int> next{0};
    // Each worker decodes into its own buffer; the first uses the manager's.
    auto work = [&](uint8_t* scratch) {
      for (int i; (i = next.fetch_add(1)) < m_count;) {
        DecodeFile(SlotFile(i), scratch, static_cast<size_t>(m_scratch_size), &results[static_cast<size_t>(i)]);
      }
    };
    const int extra = std::clamp(workers, 1, 8) - 1;
    std::vector<std::unique_ptr<uint8_t, decltype(&std::free)>> buffers;
    std::vector<std::thread> threads;
    for (int w = 0; w < extra; ++w) {
      auto* buf = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(m_scratch_size)));
      if (!buf) break;
      buffers.emplace_back(buf, &std::free);
      threads.emplace_back(work, buf);
    }
    work(m_scratch);
    for (std::thread& t : threads) t.join();
    // Applied and logged in slot order, whatever order the workers finished in.
    for (int i = 0; i < m_count; ++i) {
      Decoded& d = results[static_cast<size_t>(i)];
      if (!d.ok) {
        Log(LOG_TRACE, "m_pSoundManager::load error %s", SlotFile(i) ? SlotFile(i) : "");
        continue;
      }
      CreateSlot(i, &d);
      ++loaded;
    }
  }
  // The decoding buffer is only needed at start-up.
  std::free(m_scratch);
  m_scratch = nullptr;
  m_scratch_size = 0;
  return loaded;
}

int DXSoundManager::Game_Interface_PlaySound(int index, int loop) {
  if (!m_enabled || !m_device_open || index < 0 || index >= m_count || !m_chunks[index]) return 1;
  Mix_PlayChannel(index, m_chunks[index], loop ? -1 : 0);
  return 1;
}

int DXSoundManager::Game_Interface_StopSound(int index) {
  if (!m_enabled || !m_device_open || index < 0 || index >= m_count || !m_chunks[index]) return 1;
  Mix_HaltChannel(index);
  return 1;
}

void DXSoundManager::Stop_All(int music) {
  for (int i = 0; i < m_count; ++i) {
    const bool is_music = i == kTableMusic || i == kLobbyMusic;
    if (is_music == (music != 0)) Game_Interface_StopSound(i);
  }
}

bool DXSoundManager::IsLoaded(int index) const {
  return index >= 0 && index < m_count && m_chunks[index] != nullptr;
}

bool DXSoundManager::IsPlaying(int index) const {
  return m_device_open && IsLoaded(index) && Mix_Playing(index) != 0;
}

size_t DXSoundManager::PcmBytes() const {
  size_t total = 0;
  for (const auto& p : m_pcm) total += p.size();
  return total;
}

const std::vector<uint8_t>& DXSoundManager::Pcm(int index) const {
  return index >= 0 && index < m_count ? m_pcm[static_cast<size_t>(index)] : kNoPcm;
}

void DXSoundManager::FreeSlots() {
  for (Mix_Chunk*& c : m_chunks) {
    if (c) Mix_FreeChunk(c);
    c = nullptr;
  }
  m_chunks.clear();
  m_pcm.clear();
  m_flags.clear();
  m_count = 0;
}

void DXSoundManager::Shutdown() {
  // Nothing may still be mixing from a clip when it is freed.
  if (m_device_open) {
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    m_device_open = false;
  }
  FreeSlots();
  if (m_audio_subsystem) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_audio_subsystem = false;
  }
}
