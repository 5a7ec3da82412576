// The MP3 decoder on small files the test makes with sox and lame.
#include "media/Mp3Decoder.h"

#include <gtest/gtest.h>
#include <mad.h>

#include <cstdlib>
#include <random>

#include "SoundTestFiles.h"
#include "media/WaveReader.h"

namespace {

using sound_test::ReadBytes;

constexpr size_t kOut = 4u << 20;

struct Decoded {
  int result = 0;
  std::vector<uint8_t> image;
  WaveImage wave;
  size_t Pairs() const { return wave.pcm_size / 4; }
  int16_t Sample(size_t pair, int channel) const {
    const uint8_t* p = wave.pcm + pair * 4 + channel * 2;
    return static_cast<int16_t>(p[0] | (p[1] << 8));
  }
  int MaxAbs(int channel) const {
    int m = 0;
    for (size_t i = 0; i < Pairs(); ++i) m = std::max(m, std::abs(static_cast<int>(Sample(i, channel))));
    return m;
  }
};

Decoded Decode(const std::vector<uint8_t>& mp3, size_t out_size = kOut) {
  Decoded d;
  d.image.resize(out_size);
  d.result = mp3::DecodeToWave(mp3.data(), mp3.size(), d.image.data(), d.image.size());
  if (d.result > 0) {
    d.image.resize(static_cast<size_t>(d.result));
    EXPECT_EQ(ReadWaveImage(d.image.data(), d.image.size(), &d.wave), nullptr);
  }
  return d;
}

class Mp3DecoderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new sound_test::TempDir();
    // 0.3 s each: a mono tone, and a stereo file with a tone on the left only.
    ok = sound_test::MakeMp3(dir->File("mono.mp3"), 44100, 1, "synth 0.3 sine 440 gain -3") &&
         sound_test::MakeMp3(dir->File("stereo.mp3"), 44100, 2, "synth 0.3 sine 660 sine 0 gain -3",
                             "-b 192 -m s") &&
         sound_test::MakeMp3(dir->File("mono22k.mp3"), 22050, 1, "synth 0.3 sine 300");
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  void SetUp() override {
    if (!ok) GTEST_SKIP() << "sox or lame did not make the test files";
  }
  static std::vector<uint8_t> File(const char* name) { return ReadBytes(dir->File(name)); }

  static inline sound_test::TempDir* dir = nullptr;
  static inline bool ok = false;
};

TEST_F(Mp3DecoderTest, MonoBecomesStereoWithIdenticalChannelsAndAFullHeader) {
  const Decoded d = Decode(File("mono.mp3"));
  ASSERT_GT(d.result, 44);
  const uint8_t* h = d.image.data();
  EXPECT_EQ(0, std::memcmp(h, "RIFF", 4));
  EXPECT_EQ(0, std::memcmp(h + 8, "WAVEfmt ", 8));
  EXPECT_EQ(0, std::memcmp(h + 36, "data", 4));
  auto le32 = [&](int off) { return static_cast<uint32_t>(h[off] | h[off + 1] << 8 | h[off + 2] << 16 | h[off + 3] << 24); };
  EXPECT_EQ(le32(4), static_cast<uint32_t>(d.result - 8));
  EXPECT_EQ(le32(16), 16u);
  EXPECT_EQ(le32(40), static_cast<uint32_t>(d.result - 44));
  EXPECT_EQ(d.wave.format.tag, 1);
  EXPECT_EQ(d.wave.format.channels, 2);
  EXPECT_EQ(d.wave.format.rate, 44100u);
  EXPECT_EQ(d.wave.format.byte_rate, 44100u * 4);
  EXPECT_EQ(d.wave.format.block_align, 4);
  EXPECT_EQ(d.wave.format.bits, 16);
  // 0.3 s plus the encoder's delay and padding, in whole frames of 1152 samples.
  EXPECT_GE(d.Pairs(), 13230u);
  EXPECT_LE(d.Pairs(), 13230u + 3 * 1152);
  EXPECT_EQ(d.Pairs() % 1152, 0u);
  for (size_t i = 0; i < d.Pairs(); ++i) ASSERT_EQ(d.Sample(i, 0), d.Sample(i, 1)) << "pair " << i;
  EXPECT_GT(d.MaxAbs(0), 10000);
}

TEST_F(Mp3DecoderTest, StereoKeepsItsChannelsApartAndTheFirstFrameFixesTheRate) {
  const Decoded d = Decode(File("stereo.mp3"));
  ASSERT_GT(d.result, 44);
  EXPECT_GT(d.MaxAbs(0), 10000);
  EXPECT_LT(d.MaxAbs(1), 64);  // silence plus dither and coding noise
  const Decoded low = Decode(File("mono22k.mp3"));
  ASSERT_GT(low.result, 44);
  EXPECT_EQ(low.wave.format.rate, 22050u);
  EXPECT_EQ(low.wave.format.byte_rate, 22050u * 4);
}

TEST_F(Mp3DecoderTest, AnId3v2TagIsSkippedByItsDeclaredSize) {
  const std::vector<uint8_t> plain = File("stereo.mp3");
  const Decoded want = Decode(plain);
  ASSERT_GT(want.result, 44);
  // The tag bodies hold real MP3 frames (of the other file): read as audio, they would
  // add samples, so equal output proves the tag was stepped over by its size.
  const std::vector<uint8_t> mono = File("mono.mp3");
  const std::vector<uint8_t> frames(mono.begin(), mono.begin() + std::min<size_t>(mono.size(), 3000));
  for (bool footer : {false, true}) {
    std::vector<uint8_t> tagged = sound_test::Id3Tag(frames, footer);
    tagged.insert(tagged.end(), plain.begin(), plain.end());
    EXPECT_EQ(mp3::Id3v2TagSize(tagged.data(), tagged.size()), frames.size() + (footer ? 20 : 10));
    const Decoded got = Decode(tagged);
    EXPECT_EQ(got.result, want.result) << "footer " << footer;
    EXPECT_EQ(got.image, want.image) << "footer " << footer;
  }
  // A tag declaring more than the file holds leaves nothing to decode.
  std::vector<uint8_t> cut = sound_test::Id3Tag(std::vector<uint8_t>(5000, 0));
  cut.resize(100);
  EXPECT_EQ(Decode(cut).result, 44);
}

TEST_F(Mp3DecoderTest, TruncatedEmptyAndGarbageInputsDecodeWhatIsThere) {
  const std::vector<uint8_t> full = File("mono.mp3");
  const Decoded whole = Decode(full);
  ASSERT_GT(whole.result, 44);
  // Cut in the middle of a frame: the frames before it decode, bit for bit the same.
  std::vector<uint8_t> half(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(full.size() * 6 / 10 + 7));
  const Decoded part = Decode(half);
  ASSERT_GT(part.result, 44);
  EXPECT_LT(part.result, whole.result);
  EXPECT_GT(part.Pairs(), whole.Pairs() / 3);
  EXPECT_EQ(0, std::memcmp(part.wave.pcm, whole.wave.pcm, part.wave.pcm_size / 2));

  EXPECT_EQ(Decode({}).result, 44);  // an empty file is a header-only image
  std::mt19937 rng(7);
  std::vector<uint8_t> noise(20000);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  const int r = Decode(noise).result;
  EXPECT_TRUE(r >= 44 || r == mp3::kUnrecoverable) << r;
}

TEST_F(Mp3DecoderTest, OutputThatDoesNotFitIsAnErrorAndBuffersTooSmallForTheHeaderAreRefused) {
  const std::vector<uint8_t> mp3 = File("mono.mp3");
  const Decoded whole = Decode(mp3);
  ASSERT_GT(whole.result, 44);
  EXPECT_EQ(Decode(mp3, static_cast<size_t>(whole.result)).result, whole.result);  // exactly enough
  EXPECT_EQ(Decode(mp3, static_cast<size_t>(whole.result) - 1).result, mp3::kOverflow);
  EXPECT_EQ(Decode(mp3, 43).result, mp3::kNoRoom);
}

TEST_F(Mp3DecoderTest, EveryFileStartsTheDitherAfresh) {
  const std::vector<uint8_t> mp3 = File("stereo.mp3");
  const Decoded first = Decode(mp3);
  Decode(File("mono.mp3"));
  const Decoded again = Decode(mp3);
  ASSERT_GT(first.result, 44);
  EXPECT_EQ(first.image, again.image);
}

TEST(Mp3DitherTest, RoundsTo16BitsWithinOneStepAndClampsFullScale) {
  struct Case {
    int32_t sample;
    int lo, hi;
  } cases[] = {
      {0, -1, 1},
      {1000 << 13, 999, 1001},
      {-(1000 << 13), -1001, -999},
      {MAD_F_ONE, 32767, 32767},
      {-MAD_F_ONE, -32768, -32768},
      {0x7FFFFFFF, 32767, 32767},
      {INT32_MIN, -32768, -32768},
  };
  uint32_t state = mp3::kDitherSeed;
  for (const Case& c : cases) {
    const uint32_t before = state;
    const int out = mp3::DitherSample(c.sample, &state);
    EXPECT_GE(out, c.lo) << c.sample;
    EXPECT_LE(out, c.hi) << c.sample;
    EXPECT_EQ(state, before * 1664525u + 1013904223u);  // one step per sample
  }
}

TEST(WaveReaderTest, BrokenImagesNameWhatIsMissing) {
  auto wave = [](std::vector<uint8_t> fmt_body, bool with_data) {
    std::vector<uint8_t> img = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    auto chunk = [&](const char* id, const std::vector<uint8_t>& body) {
      img.insert(img.end(), id, id + 4);
      const uint32_t n = static_cast<uint32_t>(body.size());
      for (int i = 0; i < 4; ++i) img.push_back(static_cast<uint8_t>(n >> (8 * i)));
      img.insert(img.end(), body.begin(), body.end());
      if (n & 1) img.push_back(0);
    };
    chunk("LIST", {1, 2, 3});  // an unrelated chunk (odd length, padded) comes first
    if (!fmt_body.empty()) chunk("fmt ", fmt_body);
    if (with_data) chunk("data", {9, 8, 7, 6});
    const uint32_t riff = static_cast<uint32_t>(img.size() - 8);
    for (int i = 0; i < 4; ++i) img[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    return img;
  };
  const std::vector<uint8_t> pcm_fmt = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
  std::vector<uint8_t> other_fmt = pcm_fmt;
  other_fmt[0] = 3;  // not PCM: needs its extra-size field
  struct Case {
    const char* name;
    std::vector<uint8_t> image;
    const char* error;
  } cases[] = {
      {"empty", {}, "Not Open Wave"},
      {"not riff", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "Not RIFF WAVE"},
      {"no fmt", wave({}, true), "Not fmt Chunk"},
      {"short fmt", wave({1, 0, 2, 0}, true), "Not File Read"},
      {"non-pcm without extra size", wave(other_fmt, true), "Not File Read"},
      {"no data", wave(pcm_fmt, false), "Not Data Chunk"},
      {"good", wave(pcm_fmt, true), nullptr},
  };
  for (const Case& c : cases) {
    WaveImage w;
    const char* e = ReadWaveImage(c.image.data(), c.image.size(), &w);
    if (c.error) {
      ASSERT_NE(e, nullptr) << c.name;
      EXPECT_STREQ(e, c.error) << c.name;
    } else {
      ASSERT_EQ(e, nullptr) << c.name;
      EXPECT_EQ(w.format.rate, 44100u);
      EXPECT_EQ(w.pcm_size, 4u);
      EXPECT_EQ(w.pcm[0], 9);
    }
  }
  // A data chunk declaring more than is there is cut to what is present.
  std::vector<uint8_t> img = wave(pcm_fmt, true);
  img[img.size() - 8] = 0xFF;
  WaveImage w;
  ASSERT_EQ(ReadWaveImage(img.data(), img.size(), &w), nullptr);
  EXPECT_EQ(w.pcm_size, 4u);
}

}  // namespace
