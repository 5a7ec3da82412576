#include <GL/gl.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "gfx/GLImageDecoder.h"
#include "unit/gfx/ImageEncode.h"

namespace {

struct PngCase {
  const char* name;
  int channels;
  unsigned gl_format;
};

class PngFormats : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngFormats, DecodesEveryChannelLayoutToItsGlFormatWithPixelsIntact) {
  const PngCase& c = GetParam();
  const int w = 5, h = 3;  // odd width: rows are not 4-byte aligned for 1 or 3 channels
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * c.channels);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 7 + 3);
  auto bytes = testimg::EncodePng(px, w, h, c.channels);
  ASSERT_FALSE(bytes.empty());

  DecodedImage img;
  ASSERT_EQ(1, DecodePngMemory(bytes.data(), bytes.size(), &img));
  EXPECT_EQ(w, img.width);
  EXPECT_EQ(h, img.height);
  EXPECT_EQ(c.channels, img.channels);
  EXPECT_EQ(c.gl_format, img.gl_format);
  EXPECT_EQ(0, std::memcmp(px.data(), img.pixels, px.size()));
}

INSTANTIATE_TEST_SUITE_P(Layouts, PngFormats,
                         ::testing::Values(PngCase{"grey", 1, GL_LUMINANCE}, PngCase{"grey_alpha", 2, GL_LUMINANCE_ALPHA},
                                           PngCase{"rgb", 3, GL_RGB}, PngCase{"rgba", 4, GL_RGBA}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngDecode, RejectsShortBadAndTruncatedData) {
  auto good = testimg::EncodePng(testimg::SolidRgba(4, 4, 1, 2, 3, 4), 4, 4, 4);
  DecodedImage img;
  EXPECT_EQ(0, DecodePngMemory(good.data(), 7, &img)) << "fewer than 8 bytes";
  EXPECT_EQ(0, DecodePngMemory(nullptr, 0, &img));
  std::vector<uint8_t> bad = good;
  bad[1] = 'X';
  EXPECT_EQ(0, DecodePngMemory(bad.data(), bad.size(), &img)) << "signature";
  // Cut inside the image data: libpng's read error must come back as a failure.
  EXPECT_EQ(0, DecodePngMemory(good.data(), good.size() / 2, &img));
  EXPECT_EQ(nullptr, img.pixels);
  EXPECT_EQ(0, img.width);
  // Still decodes after the failures (no state left behind).
  EXPECT_EQ(1, DecodePngMemory(good.data(), good.size(), &img));
}

TEST(PngDecode, RefusesHeadersLargerThanTheLimitWithoutAllocating) {
  auto bytes = testimg::EncodePng(testimg::SolidRgba(2, 2, 0, 0, 0, 255), 2, 2, 4);
  // Patch the IHDR width (bytes 16..19, big endian) to 1,000,000 and fix its CRC.
  bytes[16] = 0x00, bytes[17] = 0x0F, bytes[18] = 0x42, bytes[19] = 0x40;
  uLong crc = crc32(0, bytes.data() + 12, 17);
  bytes[29] = crc >> 24, bytes[30] = crc >> 16, bytes[31] = crc >> 8, bytes[32] = crc;
  DecodedImage img;
  EXPECT_EQ(0, DecodePngMemory(bytes.data(), bytes.size(), &img));
}

std::vector<uint8_t> Gradient(int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 2);
      p[1] = static_cast<uint8_t>(y * 3);
      p[2] = 128;
    }
  return px;
}

TEST(JpegDecode, YCbCrGreyAndRgbStoredImagesComeOutAsRgb) {
  const int w = 40, h = 24;
  auto px = Gradient(w, h);
  struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"ycbcr", testimg::EncodeJpeg(px, w, h, 3)},
      {"rgb stored", testimg::EncodeJpeg(px, w, h, 3, true)},
      {"grey", testimg::EncodeJpeg(std::vector<uint8_t>(w * h, 90), w, h, 1)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    DecodedImage img;
    ASSERT_EQ(1, DecodeJpegMemory(c.bytes.data(), c.bytes.size(), 0, &img));
    EXPECT_EQ(w, img.width);
    EXPECT_EQ(h, img.height);
    EXPECT_EQ(3, img.channels);
    EXPECT_EQ(static_cast<unsigned>(GL_RGB), img.gl_format);
  }
  // Colours survive the lossy round trip within a small error.
  DecodedImage img;
  ASSERT_EQ(1, DecodeJpegMemory(cases[0].bytes.data(), cases[0].bytes.size(), 0, &img));
  const uint8_t* p = img.Pixel(30, 20);
  EXPECT_NEAR(60, p[0], 8);
  EXPECT_NEAR(60, p[1], 8);
  EXPECT_NEAR(128, p[2], 8);
}

TEST(JpegDecode, EmptyTruncatedAndGarbageInputFail) {
  auto bytes = testimg::EncodeJpeg(Gradient(16, 16), 16, 16, 3);
  std::vector<uint8_t> garbage(100, 0x5A);
  DecodedImage img;
  EXPECT_EQ(0, DecodeJpegMemory(bytes.data(), 0, 0, &img));
  EXPECT_EQ(0, DecodeJpegMemory(nullptr, 10, 0, &img));
  EXPECT_EQ(0, DecodeJpegMemory(garbage.data(), garbage.size(), 0, &img));
  EXPECT_EQ(0, DecodeJpegMemory(bytes.data(), 20, 0, &img)) << "header cut";
  EXPECT_EQ(nullptr, img.pixels);
}

TEST(JpegDecode, RoundMaskOn100x60ClearsCornersAndKeepsCentre) {
  const int w = 100, h = 60;
  auto bytes = testimg::EncodeJpeg(Gradient(w, h), w, h, 3);
  DecodedImage img;
  ASSERT_EQ(1, DecodeJpegMemory(bytes.data(), bytes.size(), 1, &img));
  EXPECT_EQ(4, img.channels);
  EXPECT_EQ(static_cast<unsigned>(GL_RGBA), img.gl_format);
  EXPECT_EQ(0, img.Pixel(0, 0)[3]);
  EXPECT_EQ(0, img.Pixel(99, 59)[3]);
  EXPECT_EQ(255, img.Pixel(50, 30)[3]);
  // R = 30, r0 = 28.5: x = 78 is 28 from the centre (inside), x = 80 is 30 away
  // (beyond the feather band of 1.425 units), x = 79 lies in the band.
  EXPECT_EQ(255, img.Pixel(78, 30)[3]);
  EXPECT_EQ(0, img.Pixel(80, 30)[3]);
  const int a79 = img.Pixel(79, 30)[3];
  // d² = 841, r0² = 812.25: k = 28.75 / 40.6125; alpha = round(255 - k * 255) = 74.
  EXPECT_EQ(74, a79);
  // RGB is carried over from the decode.
  DecodedImage plain;
  ASSERT_EQ(1, DecodeJpegMemory(bytes.data(), bytes.size(), 0, &plain));
  EXPECT_EQ(plain.Pixel(50, 30)[0], img.Pixel(50, 30)[0]);
  EXPECT_EQ(plain.Pixel(50, 30)[2], img.Pixel(50, 30)[2]);
}

TEST(Upload, AlignmentIsTheLargestPowerDividingTheRowBytes) {
  struct {
    size_t row_bytes;
    int alignment;
  } cases[] = {{400, 8}, {12, 4}, {6, 2}, {15, 1}, {5, 1}, {297 * 4, 4}, {296 * 4, 8}};
  for (auto& c : cases) EXPECT_EQ(c.alignment, UnpackAlignmentFor(c.row_bytes)) << c.row_bytes;
}

}  // namespace
