#pragma once
#include <cstddef>
#include <cstdint>

// Decoding of PNG (libpng) and JPEG (libjpeg) images held in memory, and the upload of
// the decoded pixels into a GL texture. The decoders are split from the upload so the
// pixel results can be checked without a GL context.

// Pixels of a decoded image: rows top first, tightly packed (width * channels bytes per
// row). `gl_format` is GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB or GL_RGBA to match
// `channels` (1 to 4). Owns its buffer.
struct DecodedImage {
  uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  unsigned gl_format = 0;

  DecodedImage() = default;
  DecodedImage(const DecodedImage&) = delete;
  DecodedImage& operator=(const DecodedImage&) = delete;
  ~DecodedImage() { Reset(); }
  void Reset();
  size_t RowBytes() const { return static_cast<size_t>(width) * channels; }
  const uint8_t* Pixel(int x, int y) const { return pixels + y * RowBytes() + static_cast<size_t>(x) * channels; }
};

// Largest side accepted from an image header; bigger images are refused before any
// pixel memory is allocated.
constexpr int kMaxImageSide = 16384;

// 1 on success, 0 on failure (short data, bad signature, corrupt stream, too large).
// tRNS becomes an alpha channel, 16-bit channels are stripped to 8, palettes expand to
// RGB and low-depth grey to 8 bits.
int DecodePngMemory(const uint8_t* data, size_t size, DecodedImage* out);

// 1 on success, 0 on failure. Greyscale, YCbCr and RGB images come out as RGB;
// other colour spaces are refused. With `round_mask` the result is RGBA with the
// round avatar mask applied (ApplyRoundMask).
int DecodeJpegMemory(const uint8_t* data, size_t size, int round_mask, DecodedImage* out);

// Fades the alpha of an RGBA image outside a circle: radius R = min(w, h) / 2,
// feather 5 % of R; pixels beyond the feather band become transparent.
void ApplyRoundMask(uint8_t* rgba, int width, int height);

// Unpack alignment for rows of `row_bytes`: 8, 4, 2 or 1, the largest that divides it.
int UnpackAlignmentFor(size_t row_bytes);

// Uploads the pixels as level 0 of `texture` (linear filters, repeat wrap), with the
// internal format equal to the pixel format; leaves texturing off. Returns 1.
int UploadImage(unsigned texture, const DecodedImage& image);

// Decode and upload in one call: 1 on success with the image size, 0 on failure
// (size 0 x 0; the texture is left without an image).
int LoadPngTexture(const uint8_t* data, size_t size, unsigned texture, int* width, int* height);
int LoadJpegTexture(const uint8_t* data, size_t size, unsigned texture, int* width, int* height, int round_mask);
