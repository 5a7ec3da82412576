#pragma once
#include <cstddef>
#include <cstdint>

// MP3 to RIFF WAVE: decodes a whole MP3 file held in memory with libmad into a complete
// WAVE image (44-byte header, then 16-bit little-endian stereo PCM at the rate of the
// first frame) in a caller-given buffer. Pure function of its input: no globals, so any
// thread may call it, and several threads may decode different files at once.
namespace mp3 {

// Size of the WAVE header written in front of the PCM.
constexpr size_t kWaveHeaderSize = 44;
// The decoder is fed from a window of this many bytes.
constexpr size_t kInputWindow = 40960;

// Result codes besides a positive total size.
enum : int {
  kUnrecoverable = -1,  // libmad reported an error it cannot step over
  kOverflow = -2,       // the PCM did not fit into the output buffer
  kNoRoom = -3,         // the output buffer cannot even hold the header
};

// Decodes `size` bytes of `data` into `out` (capacity `out_size`). Returns the total
// image size (header plus PCM; an input without a single frame gives a header-only
// image of 44 bytes), or one of the negative codes above. A leading ID3v2 tag is
// skipped by its declared size. When `diagnostic` is given, the last libmad message is
// formatted there (never shown to the user).
int DecodeToWave(const uint8_t* data, size_t size, uint8_t* out, size_t out_size, char* diagnostic = nullptr,
                 size_t diagnostic_size = 0);

// Length of an ID3v2 tag at the start of `data` (header, body and footer), 0 when
// there is none. May be larger than `size` for a truncated file.
size_t Id3v2TagSize(const uint8_t* data, size_t size);

// One sample rounded to 16 bits with the decoder's dither; `state` is the 32-bit
// dither state, advanced once per call.
int16_t DitherSample(int32_t sample, uint32_t* state);
constexpr uint32_t kDitherSeed = 0xA8B9FF7Eu;

}  // namespace mp3
