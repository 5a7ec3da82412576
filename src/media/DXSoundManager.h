#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/ZBSingleton.h"

struct Mix_Chunk;

// All sound of the game: a fixed table of 46 clips (two music loops and 44 effects),
// decoded from MP3 to 16-bit stereo PCM once at start-up and kept for the whole run,
// one mixer channel per slot. Callers play a clip by its slot index.
//
// Threads: start-up decoding may use helper threads internally, but every public
// operation is called on the main thread only; the manager has no lock.
class DXSoundManager : public ZBSingleton<DXSoundManager> {
 public:
  static constexpr int kSlotCount = 46;
  static constexpr int kScratchSize = 15728640;  // bounds the decoded size of one file
  // Slots with a meaning of their own.
  enum : int { kTableMusic = 0, kLobbyMusic = 1, kButtonClick = 2 };

  DXSoundManager();
  ~DXSoundManager();

  // The file of slot `index` (a path under the sound folder), nullptr outside the table.
  static const char* SlotFile(int index);

  // Allocates the decoding buffer of `size` bytes; 1, or 0 when the allocation fails.
  int CreateWaveBuffer(int size);
  // Opens the audio device and makes `count` empty slots; 0 when no device opens (the
  // table then stays empty and every operation does nothing).
  int InitSound(int count);
  // Reads and decodes `file` into slot `index`; 1 on success, 0 on failure. The file
  // is only ever opened for reading.
  int load(const char* file, int index);
  // The start-up sequence: the buffer, the device, every slot of the table (decoded on
  // up to `workers` threads, results applied and logged in slot order), then the
  // decoding buffer is freed. Returns the number of slots loaded.
  int LoadAll(int workers = 2);

  // Rewinds slot `index` and plays it, looping when `loop` is non-zero. Always 1.
  int Game_Interface_PlaySound(int index, int loop);
  int Game_Interface_StopSound(int index);
  // Non-zero: stops the two music slots; zero: every other slot.
  void Stop_All(int music);

  // Halts every channel, closes the device, then frees the clips.
  void Shutdown();

  bool IsLoaded(int index) const;
  bool IsPlaying(int index) const;
  int SlotCount() const { return m_count; }
  // PCM bytes held by the loaded slots.
  size_t PcmBytes() const;
  // The PCM of a loaded slot in the device's format (empty when not loaded).
  const std::vector<uint8_t>& Pcm(int index) const;
  bool HasScratchBuffer() const { return m_scratch != nullptr; }

  // Where the sound manager reports a failed clip creation ("Not Sound Buffer Create",
  // caption "DirectSound"). It must not block; the default logs only.
  using MessageBoxFn = void (*)(const char* text, const char* caption);
  static void SetMessageBoxHandler(MessageBoxFn fn);

  // Device format: 44100 Hz, 16-bit little-endian, two channels.
  static constexpr int kDeviceRate = 44100;

 private:
  struct Decoded;
  // Reads and decodes one file into `out` using `scratch`; false on failure.
  static bool DecodeFile(const char* file, uint8_t* scratch, size_t scratch_size, Decoded* out);
  // Makes slot `index`'s clip from decoded PCM (converted to the device format).
  void CreateSlot(int index, Decoded* decoded);
  void FreeSlots();

  int32_t m_enabled = 1;
  uint8_t* m_scratch = nullptr;
  int32_t m_scratch_size = 0;
  std::vector<int32_t> m_flags;
  int32_t m_count = 0;
  bool m_device_open = false;
  bool m_audio_subsystem = false;
  std::vector<Mix_Chunk*> m_chunks;
  // Each slot owns its PCM; the clip only points into it.
  std::vector<std::vector<uint8_t>> m_pcm;
};
