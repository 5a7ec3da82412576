#pragma once
#include <cstddef>
#include <cstdint>

// A small reader of RIFF WAVE images held in memory: finds the format and the PCM of
// the "data" chunk. The texts it reports are the ones the sound manager shows.
struct WaveFormat {
  uint16_t tag = 0;  // 1: PCM
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint32_t byte_rate = 0;
  uint16_t block_align = 0;
  uint16_t bits = 0;
};

struct WaveImage {
  WaveFormat format;
  const uint8_t* pcm = nullptr;  // points into the image
  uint32_t pcm_size = 0;         // clipped to the bytes present
};

// Reads `image`; returns nullptr on success, else the error text: "Not Open Wave",
// "Not RIFF WAVE", "Not fmt Chunk", "Not File Read" or "Not Data Chunk".
const char* ReadWaveImage(const uint8_t* image, size_t size, WaveImage* out);
