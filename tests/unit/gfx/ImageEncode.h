#pragma once
// Test helpers: encode small images into PNG or JPEG bytes in memory, so decoding and
// texture tests need no files.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace testimg {

// `channels` 1 (grey), 2 (grey+alpha), 3 (RGB) or 4 (RGBA); `pixels` rows top first.
inline std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& pixels, int width, int height, int channels) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  static const int kTypes[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                               PNG_COLOR_TYPE_RGB_ALPHA};
  png_set_IHDR(png, info, width, height, 8, kTypes[channels], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(pixels.data() + static_cast<size_t>(y) * width * channels));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A solid-colour RGBA image.
inline std::vector<uint8_t> SolidRgba(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < px.size(); i += 4) {
    px[i] = r;
    px[i + 1] = g;
    px[i + 2] = b;
    px[i + 3] = a;
  }
  return px;
}

// `color_space` JCS_RGB or JCS_GRAYSCALE input; stored as YCbCr unless `store_rgb`.
inline std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& pixels, int width, int height, int components,
                                       bool store_rgb = false, int quality = 95) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buf, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (store_rgb) jpeg_set_colorspace(&cinfo, JCS_RGB);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + static_cast<size_t>(cinfo.next_scanline) * width * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buf, buf + size);
  free(buf);
  return out;
}

}  // namespace testimg
