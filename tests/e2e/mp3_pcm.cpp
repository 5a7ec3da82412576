// Test helper: writes the PCM that the program's decoder makes of an MP3 file to
// standard output (16-bit little-endian stereo), so an end-to-end test can look for a
// clip in the audio stream the program wrote.
//   mp3_pcm <file.mp3> > clip.raw
#include <cstdio>
#include <vector>

#include "media/Mp3Decoder.h"
#include "media/WaveReader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mp3_pcm <file.mp3>\n");
    return 2;
  }
  FILE* f = std::fopen(argv[1], "rb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<uint8_t> mp3;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) mp3.insert(mp3.end(), buf, buf + n);
  std::fclose(f);
  std::vector<uint8_t> out(15728640);
  const int total = mp3::DecodeToWave(mp3.data(), mp3.size(), out.data(), out.size());
  WaveImage w;
  if (total <= 0 || ReadWaveImage(out.data(), static_cast<size_t>(total), &w)) {
    std::fprintf(stderr, "%s: cannot decode (%d)\n", argv[1], total);
    return 1;
  }
  return std::fwrite(w.pcm, 1, w.pcm_size, stdout) == w.pcm_size ? 0 : 1;
}
