// Fuzz target: the MP3 decoder and the WAVE reader on arbitrary bytes. Every image the
// decoder returns must read back with a header that agrees with its size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "media/Mp3Decoder.h"
#include "media/WaveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> out(2u << 20);
  // A small buffer as well, so that the overflow path runs too.
  static std::vector<uint8_t> small(4096);
  for (std::vector<uint8_t>* buf : {&out, &small}) {
    const int total = mp3::DecodeToWave(data, size, buf->data(), buf->size());
    if (total == mp3::kUnrecoverable || total == mp3::kOverflow) continue;
    if (total < static_cast<int>(mp3::kWaveHeaderSize) || static_cast<size_t>(total) > buf->size()) std::abort();
    WaveImage w;
    if (ReadWaveImage(buf->data(), static_cast<size_t>(total), &w) != nullptr) std::abort();
    if (w.format.channels != 2 || w.format.bits != 16 || w.format.block_align != 4) std::abort();
    if (w.pcm_size != static_cast<uint32_t>(total) - mp3::kWaveHeaderSize || w.pcm_size % 4 != 0) std::abort();
  }
  WaveImage w;
  if (ReadWaveImage(data, size, &w) == nullptr && w.pcm + w.pcm_size > data + size) std::abort();
  return 0;
}
