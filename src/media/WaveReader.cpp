#include "media/WaveReader.h"

#include <cstring>

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (static_cast<uint32_t>(Le16(p + 2)) << 16); }

// Finds the sub-chunk `id` among the chunks in [begin, end); on success sets its body
// offset and declared size.
bool FindChunk(const uint8_t* image, size_t begin, size_t end, const char* id, size_t* body, uint32_t* size) {
  size_t pos = begin;
  while (pos + 8 <= end) {
    const uint32_t len = Le32(image + pos + 4);
    if (std::memcmp(image + pos, id, 4) == 0) {
      *body = pos + 8;
      *size = len;
      return true;
    }
    // Chunks are padded to an even length.
    const size_t next = pos + 8 + static_cast<size_t>(len) + (len & 1u);
    if (next <= pos) break;
    pos = next;
  }
  return false;
}

}  // namespace

const char* ReadWaveImage(const uint8_t* image, size_t size, WaveImage* out) {
  if (!image || size == 0 || !out) return "Not Open Wave";
  if (size < 12 || std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0)
    return "Not RIFF WAVE";
  // The RIFF body ends where its size says, or at the end of the image.
  size_t end = 8 + static_cast<size_t>(Le32(image + 4));
  if (end > size || end < 12) end = size;

  size_t fmt = 0;
  uint32_t fmt_size = 0;
  if (!FindChunk(image, 12, end, "fmt ", &fmt, &fmt_size)) return "Not fmt Chunk";
  if (fmt_size < 16 || fmt + 16 > end) return "Not File Read";
  WaveFormat f;
  f.tag = Le16(image + fmt);
  f.channels = Le16(image + fmt + 2);
  f.rate = Le32(image + fmt + 4);
  f.byte_rate = Le32(image + fmt + 8);
  f.block_align = Le16(image + fmt + 12);
  f.bits = Le16(image + fmt + 14);
  if (f.tag != 1) {
    // Other formats carry an extra-size field and that many bytes.
    if (fmt_size < 18 || fmt + 18 > end) return "Not File Read";
    const uint16_t extra = Le16(image + fmt + 16);
    if (fmt + 18 + extra > end) return "Not File Read";
  }

  size_t data = 0;
  uint32_t data_size = 0;
  if (!FindChunk(image, 12, end, "data", &data, &data_size)) return "Not Data Chunk";
  const size_t present = data <= end ? end - data : 0;
  out->format = f;
  out->pcm = image + data;
  out->pcm_size = static_cast<uint32_t>(data_size < present ? data_size : present);
  return nullptr;
}
