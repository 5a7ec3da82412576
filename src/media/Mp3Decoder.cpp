#include "media/Mp3Decoder.h"

#include <mad.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace mp3 {
namespace {

void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
  PutLe16(p, v);
  PutLe16(p + 2, v >> 16);
}

void WriteHeader(uint8_t* out, uint32_t total, uint32_t rate) {
  std::memcpy(out, "RIFF", 4);
  PutLe32(out + 4, total - 8);
  std::memcpy(out + 8, "WAVE", 4);
  std::memcpy(out + 12, "fmt ", 4);
  PutLe32(out + 16, 16);
  PutLe16(out + 20, 1);  // PCM
  PutLe16(out + 22, 2);  // channels
  PutLe32(out + 24, rate);
  PutLe32(out + 28, rate * 4);  // byte rate
  PutLe16(out + 32, 4);         // block align
  PutLe16(out + 34, 16);        // bits per sample
  std::memcpy(out + 36, "data", 4);
  PutLe32(out + 40, total - static_cast<uint32_t>(kWaveHeaderSize));
}

void Diagnose(char* buf, size_t size, const char* fmt, const char* what) {
  if (buf && size) std::snprintf(buf, size, fmt, what);
}

// libmad's three structures, set up and torn down together.
struct MadState {
  mad_stream stream;
  mad_frame frame;
  mad_synth synth;
  MadState() {
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
  }
  ~MadState() {
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
  }
  MadState(const MadState&) = delete;
  MadState& operator=(const MadState&) = delete;
};

}  // namespace

size_t Id3v2TagSize(const uint8_t* data, size_t size) {
  if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
  // Version bytes are never 0xFF and the four size bytes are synch-safe (7 bits each).
  if (data[3] == 0xFF || data[4] == 0xFF) return 0;
  if ((data[6] | data[7] | data[8] | data[9]) & 0x80) return 0;
  const size_t body = (static_cast<size_t>(data[6]) << 21) | (static_cast<size_t>(data[7]) << 14) |
                      (static_cast<size_t>(data[8]) << 7) | static_cast<size_t>(data[9]);
  const bool footer = (data[5] & 0x10) != 0;
  return 10 + body + (footer ? 10 : 0);
}

int16_t DitherSample(int32_t sample, uint32_t* state) {
  const uint32_t r = *state;
  const uint32_t next = r * 1664525u + 1013904223u;
  *state = next;
  int64_t value = static_cast<int64_t>(sample) + static_cast<int64_t>(next & 0x1FFF) -
                  static_cast<int64_t>(r & 0x1FFF) + 4096;
  value = std::clamp<int64_t>(value, -0x10000000LL, 0x0FFFFFFFLL);
  return static_cast<int16_t>(value >> (MAD_F_FRACBITS + 1 - 16));
}

int DecodeToWave(const uint8_t* data, size_t size, uint8_t* out, size_t out_size, char* diagnostic,
                 size_t diagnostic_size) {
  if (!out || out_size < kWaveHeaderSize) return kNoRoom;
  if (diagnostic && diagnostic_size) diagnostic[0] = '\0';
  if (!data) size = 0;

  // A leading tag is metadata, not frames: start after it.
  size_t pos = std::min(Id3v2TagSize(data, size), size);

  auto window = std::make_unique<uint8_t[]>(kInputWindow + MAD_BUFFER_GUARD);
  auto mad = std::make_unique<MadState>();
  mad_stream& stream = mad->stream;

  size_t written = kWaveHeaderSize;
  uint32_t rate = 0;
  uint32_t dither = kDitherSeed;  // afresh for every file
  bool guard_added = false;
  bool overflow = false;
  int result = 0;

  for (;;) {
    if (stream.buffer == nullptr || stream.error == MAD_ERROR_BUFLEN) {
      // Carry the undecoded tail to the front of the window, then refill it.
      size_t keep = 0;
      if (stream.next_frame) {
        keep = static_cast<size_t>(stream.bufend - stream.next_frame);
        // A full window without one frame in it holds no frame at all: drop it.
        if (keep >= kInputWindow) keep = 0;
        std::memmove(window.get(), stream.next_frame, keep);
      }
      size_t add;
      if (pos < size) {
        add = std::min(kInputWindow - keep, size - pos);
        std::memcpy(window.get() + keep, data + pos, add);
        pos += add;
      } else if (!guard_added) {
        // Zero bytes after the last input let the final frame decode.
        add = MAD_BUFFER_GUARD;
        std::memset(window.get() + keep, 0, add);
        guard_added = true;
      } else {
        break;
      }
      mad_stream_buffer(&stream, window.get(), keep + add);
      stream.error = MAD_ERROR_NONE;
    }

    if (mad_frame_decode(&mad->frame, &stream) != 0) {
      if (stream.error == MAD_ERROR_BUFLEN) continue;
      if (MAD_RECOVERABLE(stream.error)) {
        // A tag where a frame was expected is not worth a note.
        const bool tag = stream.error == MAD_ERROR_LOSTSYNC && stream.this_frame &&
                         stream.bufend - stream.this_frame >= 3 &&
                         (std::memcmp(stream.this_frame, "ID3", 3) == 0 ||
                          std::memcmp(stream.this_frame, "TAG", 3) == 0);
        if (!tag) Diagnose(diagnostic, diagnostic_size, "Recoverable frame level error (%s)\n",
                           mad_stream_errorstr(&stream));
        continue;
      }
      Diagnose(diagnostic, diagnostic_size, "Unrecoverable frame level error (%s).\n",
               mad_stream_errorstr(&stream));
      result = kUnrecoverable;
      break;
    }

    if (rate == 0) rate = mad->frame.header.samplerate;
    mad_synth_frame(&mad->synth, &mad->frame);
    const mad_pcm& pcm = mad->synth.pcm;
    const bool stereo = pcm.channels >= 2;
    for (unsigned i = 0; i < pcm.length; ++i) {
      if (written + 4 > out_size) {
        overflow = true;
        break;
      }
      const int16_t left = DitherSample(pcm.samples[0][i], &dither);
      const int16_t right = stereo ? DitherSample(pcm.samples[1][i], &dither) : left;
      PutLe16(out + written, static_cast<uint16_t>(left));
      PutLe16(out + written + 2, static_cast<uint16_t>(right));
      written += 4;
    }
  }

  if (result < 0) return result;
  if (overflow) {
    Diagnose(diagnostic, diagnostic_size, "PCM write error (%s).\n", "output buffer full");
    return kOverflow;
  }
  WriteHeader(out, static_cast<uint32_t>(written), rate);
  return static_cast<int>(written);
}

}  // namespace mp3
