#include "gfx/GLImageDecoder.h"

#include <GL/gl.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "framework/Log.h"

void DecodedImage::Reset() {
  std::free(pixels);
  pixels = nullptr;
  width = height = channels = 0;
  gl_format = 0;
}

namespace {

unsigned GlFormatForChannels(int channels) {
  switch (channels) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    default: return GL_RGBA;
  }
}

// ---- PNG ---------------------------------------------------------------------------

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

void ReadDataMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (!src || count > src->size - src->offset) {
    png_error(png, "read error in read_data_memory (loadpng)");
    return;
  }
  std::memcpy(out, src->data + src->offset, count);
  src->offset += count;
}

void PngWarning(png_structp, png_const_charp) {}

// State that must survive a long jump out of libpng: only reached through a pointer
// that is fixed before setjmp.
struct PngJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  uint8_t* pixels = nullptr;
  png_bytep* rows = nullptr;
};

}  // namespace

int DecodePngMemory(const uint8_t* data, size_t size, DecodedImage* out) {
  if (!out) return 0;
  out->Reset();
  if (!data || size < 8 || png_sig_cmp(const_cast<png_bytep>(data), 0, 8) != 0) return 0;

  PngSource src{data, size, 0};
  PngJob job;
  PngJob* const j = &job;
  j->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngWarning);
  if (!j->png) return 0;
  j->info = png_create_info_struct(j->png);
  if (!j->info) {
    png_destroy_read_struct(&j->png, nullptr, nullptr);
    return 0;
  }
  if (setjmp(png_jmpbuf(j->png))) {
    png_destroy_read_struct(&j->png, &j->info, nullptr);
    std::free(j->pixels);
    std::free(j->rows);
    return 0;
  }
  png_set_read_fn(j->png, &src, ReadDataMemory);
  png_set_user_limits(j->png, kMaxImageSide, kMaxImageSide);
  png_read_info(j->png, j->info);

  const int color_type = png_get_color_type(j->png, j->info);
  const int bit_depth = png_get_bit_depth(j->png, j->info);
  if (png_get_valid(j->png, j->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(j->png);
  if (bit_depth == 16) png_set_strip_16(j->png);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(j->png);
  if ((color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) && bit_depth < 8)
    png_set_expand_gray_1_2_4_to_8(j->png);
  png_set_interlace_handling(j->png);
  png_read_update_info(j->png, j->info);

  const png_uint_32 width = png_get_image_width(j->png, j->info);
  const png_uint_32 height = png_get_image_height(j->png, j->info);
  const int channels = png_get_channels(j->png, j->info);
  const size_t row_bytes = png_get_rowbytes(j->png, j->info);
  // The GL format follows the channel count libpng actually delivers, so the upload
  // never reads more bytes per row than were decoded.
  if (width == 0 || height == 0 || channels < 1 || channels > 4 || row_bytes != width * channels) {
    png_destroy_read_struct(&j->png, &j->info, nullptr);
    return 0;
  }
  j->pixels = static_cast<uint8_t*>(std::malloc(row_bytes * height));
  j->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!j->pixels || !j->rows) png_error(j->png, "out of memory");
  for (png_uint_32 y = 0; y < height; ++y) j->rows[y] = j->pixels + y * row_bytes;
  png_read_image(j->png, j->rows);
  png_read_end(j->png, nullptr);
  png_destroy_read_struct(&j->png, &j->info, nullptr);
  std::free(j->rows);

  out->pixels = j->pixels;
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->channels = channels;
  out->gl_format = GlFormatForChannels(channels);
  return 1;
}

// ---- JPEG --------------------------------------------------------------------------

namespace {

struct JpegError {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  longjmp(err->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

// Memory source: the whole image is one buffer, so filling past its end is an error
// (libjpeg then sees a premature end and substitutes an EOI marker itself).
void SrcInit(j_decompress_ptr) {}
void SrcTerm(j_decompress_ptr) {}
boolean SrcFill(j_decompress_ptr cinfo) {
  static const JOCTET kEoi[2] = {0xFF, JPEG_EOI};
  WARNMS(cinfo, JWRN_JPEG_EOF);
  cinfo->src->next_input_byte = kEoi;
  cinfo->src->bytes_in_buffer = 2;
  return TRUE;
}
void SrcSkip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  if (static_cast<size_t>(count) > src->bytes_in_buffer) {
    SrcFill(cinfo);
    return;
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= count;
}

struct JpegJob {
  jpeg_decompress_struct cinfo;
  JpegError err;
  jpeg_source_mgr src;
  uint8_t* pixels = nullptr;
};

}  // namespace

void ApplyRoundMask(uint8_t* rgba, int width, int height) {
  if (!rgba || width <= 0 || height <= 0) return;
  const int radius = (width < height ? width : height) / 2;
  const double feather = 0.05;
  const double r0 = radius - feather * radius;
  const double r0sq = r0 * r0;
  const int cx = width / 2;
  const int cy = height / 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double dx = x - cx;
      const double dy = y - cy;
      const double d2 = dx * dx + dy * dy;
      if (d2 <= r0sq) continue;
      uint8_t* a = rgba + (static_cast<size_t>(y) * width + x) * 4 + 3;
      const double k = r0sq > 0 ? (d2 - r0sq) / (feather * r0sq) : 1.0;
      if (k >= 1.0) {
        *a = 0;
      } else {
        double v = *a - k * *a;
        *a = static_cast<uint8_t>(v + 0.5);
      }
    }
  }
}

int DecodeJpegMemory(const uint8_t* data, size_t size, int round_mask, DecodedImage* out) {
  if (!out) return 0;
  out->Reset();
  JpegJob job;
  JpegJob* const j = &job;
  j->cinfo.err = jpeg_std_error(&j->err.base);
  j->err.base.error_exit = JpegErrorExit;
  j->err.base.output_message = JpegOutputMessage;
  if (setjmp(j->err.jump)) {
    Log(LOG_WARNING, "GLTexture::Create JPG setjmp error == %d", j->err.base.msg_code);
    jpeg_destroy_decompress(&j->cinfo);
    std::free(j->pixels);
    return 0;
  }
  jpeg_create_decompress(&j->cinfo);
  if (!data || size == 0) ERREXIT(&j->cinfo, JERR_INPUT_EMPTY);
  j->src.init_source = SrcInit;
  j->src.fill_input_buffer = SrcFill;
  j->src.skip_input_data = SrcSkip;
  j->src.resync_to_restart = jpeg_resync_to_restart;
  j->src.term_source = SrcTerm;
  j->src.next_input_byte = data;
  j->src.bytes_in_buffer = size;
  j->cinfo.src = &j->src;

  jpeg_read_header(&j->cinfo, TRUE);
  const J_COLOR_SPACE space = j->cinfo.jpeg_color_space;
  if (space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB) {
    // CMYK and YCCK would come out with four components per pixel, which the RGB
    // upload cannot take.
    jpeg_destroy_decompress(&j->cinfo);
    return 0;
  }
  j->cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&j->cinfo);
  const int width = static_cast<uint16_t>(j->cinfo.output_width);
  const int height = static_cast<uint16_t>(j->cinfo.output_height);
  if (j->cinfo.output_components != 3 || width == 0 || height == 0 || width > kMaxImageSide ||
      height > kMaxImageSide || static_cast<int>(j->cinfo.output_width) != width) {
    jpeg_destroy_decompress(&j->cinfo);
    return 0;
  }
  const int channels = round_mask ? 4 : 3;
  const size_t row_bytes = static_cast<size_t>(width) * channels;
  j->pixels = static_cast<uint8_t*>(std::malloc(row_bytes * height));
  if (!j->pixels) ERREXIT(&j->cinfo, JERR_OUT_OF_MEMORY);
  JSAMPROW line = nullptr;
  if (round_mask) {
    // Decode each row into its RGBA slot, then spread it out right to left.
    while (j->cinfo.output_scanline < j->cinfo.output_height) {
      uint8_t* row = j->pixels + j->cinfo.output_scanline * row_bytes;
      line = row;
      jpeg_read_scanlines(&j->cinfo, &line, 1);
      for (int x = width - 1; x >= 0; --x) {
        uint8_t r = row[x * 3], g = row[x * 3 + 1], b = row[x * 3 + 2];
        row[x * 4] = r;
        row[x * 4 + 1] = g;
        row[x * 4 + 2] = b;
        row[x * 4 + 3] = 255;
      }
    }
  } else {
    while (j->cinfo.output_scanline < j->cinfo.output_height) {
      line = j->pixels + j->cinfo.output_scanline * row_bytes;
      jpeg_read_scanlines(&j->cinfo, &line, 1);
    }
  }
  jpeg_finish_decompress(&j->cinfo);
  jpeg_destroy_decompress(&j->cinfo);
  if (round_mask) ApplyRoundMask(j->pixels, width, height);

  out->pixels = j->pixels;
  out->width = width;
  out->height = height;
  out->channels = channels;
  out->gl_format = GlFormatForChannels(channels);
  return 1;
}

// ---- Upload ------------------------------------------------------------------------

int UnpackAlignmentFor(size_t row_bytes) {
  if (row_bytes % 8 == 0) return 8;
  if (row_bytes % 4 == 0) return 4;
  if (row_bytes % 2 == 0) return 2;
  return 1;
}

int UploadImage(unsigned texture, const DecodedImage& image) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, UnpackAlignmentFor(image.RowBytes()));
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(image.gl_format), image.width, image.height, 0,
               image.gl_format, GL_UNSIGNED_BYTE, image.pixels);
  glDisable(GL_TEXTURE_2D);
  return 1;
}

int LoadPngTexture(const uint8_t* data, size_t size, unsigned texture, int* width, int* height) {
  DecodedImage image;
  int ok = DecodePngMemory(data, size, &image);
  if (ok) UploadImage(texture, image);
  if (width) *width = image.width;
  if (height) *height = image.height;
  return ok;
}

int LoadJpegTexture(const uint8_t* data, size_t size, unsigned texture, int* width, int* height, int round_mask) {
  DecodedImage image;
  int ok = DecodeJpegMemory(data, size, round_mask, &image);
  if (ok) UploadImage(texture, image);
  if (width) *width = image.width;
  if (height) *height = image.height;
  return ok;
}
