// The generated kit in the build folder: every file of the manifest exists, decodes with
// the libraries the client uses and has the size and grid the manifest gives.
#include <gtest/gtest.h>
#include <mad.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "KitManifest.h"

namespace fs = std::filesystem;

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;  // width * height * 4
  std::string error;
};

Picture DecodePng(const std::string& path) {
  Picture pic;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    pic.error = "cannot open";
    return pic;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    pic.error = "libpng error";
    pic.rgba.clear();
  } else {
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    pic.width = static_cast<int>(png_get_image_width(png, info));
    pic.height = static_cast<int>(png_get_image_height(png, info));
    pic.rgba.resize(static_cast<size_t>(pic.width) * pic.height * 4);
    for (int y = 0; y < pic.height; ++y) rows.push_back(pic.rgba.data() + static_cast<size_t>(y) * pic.width * 4);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return pic;
}

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

Picture DecodeJpeg(const std::string& path, J_COLOR_SPACE* stored_space) {
  Picture pic;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    pic.error = "cannot open";
    return pic;
  }
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = [](j_common_ptr c) { longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
  if (setjmp(err.jump)) {
    pic.error = "libjpeg error";
  } else {
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    *stored_space = cinfo.jpeg_color_space;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    pic.width = static_cast<int>(cinfo.output_width);
    pic.height = static_cast<int>(cinfo.output_height);
    std::vector<unsigned char> row(static_cast<size_t>(pic.width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW rp = row.data();
      jpeg_read_scanlines(&cinfo, &rp, 1);
      for (int x = 0; x < pic.width; ++x) {
        pic.rgba.insert(pic.rgba.end(), {row[x * 3], row[x * 3 + 1], row[x * 3 + 2], 255});
      }
    }
    jpeg_finish_decompress(&cinfo);
  }
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return pic;
}

// Pixels of one frame of a sheet, for comparing frames.
std::vector<unsigned char> Frame(const Picture& p, const kit::Entry& e, int index) {
  int fw = p.width / e.cols, fh = p.height / e.rows;
  int fx = (index % e.cols) * fw, fy = (index / e.cols) * fh;
  std::vector<unsigned char> out;
  out.reserve(static_cast<size_t>(fw) * fh * 4);
  for (int y = fy; y < fy + fh; ++y) {
    const unsigned char* row = p.rgba.data() + (static_cast<size_t>(y) * p.width + fx) * 4;
    out.insert(out.end(), row, row + static_cast<size_t>(fw) * 4);
  }
  return out;
}

bool HasVisiblePixels(const std::vector<unsigned char>& frame) {
  for (size_t i = 3; i < frame.size(); i += 4)
    if (frame[i] > 16) return true;
  return false;
}

struct Mp3Info {
  int frames = 0, sample_rate = 0, channels = 0;
  double seconds = 0;
  bool unrecoverable = false;
};

// Decodes a whole MP3 file with libmad, the way the client decodes its sounds.
Mp3Info DecodeMp3(const std::string& path) {
  Mp3Info info;
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  data.insert(data.end(), MAD_BUFFER_GUARD, 0);
  mad_stream stream;
  mad_frame frame;
  mad_synth synth;
  mad_stream_init(&stream);
  mad_frame_init(&frame);
  mad_synth_init(&synth);
  mad_stream_buffer(&stream, data.data(), data.size());
  long samples = 0;
  while (true) {
    if (mad_frame_decode(&frame, &stream) != 0) {
      if (MAD_RECOVERABLE(stream.error)) continue;
      if (stream.error != MAD_ERROR_BUFLEN) info.unrecoverable = true;
      break;
    }
    mad_synth_frame(&synth, &frame);
    if (info.frames++ == 0) {
      info.sample_rate = static_cast<int>(frame.header.samplerate);
      info.channels = MAD_NCHANNELS(&frame.header);
    }
    samples += synth.pcm.length;
  }
  mad_synth_finish(&synth);
  mad_frame_finish(&frame);
  mad_stream_finish(&stream);
  if (info.sample_rate > 0) info.seconds = static_cast<double>(samples) / info.sample_rate;
  return info;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

const std::vector<kit::Entry>& Manifest() {
  static const std::vector<kit::Entry> m = kit::LoadManifest();
  return m;
}

std::string KitPath(const kit::Entry& e) { return kit::BuildDir() + "/" + e.path; }

TEST(KitManifest, RowsAreCompleteAndSheetsDivideIntoWholeFrames) {
  ASSERT_FALSE(Manifest().empty()) << "assets/manifest.tsv not found under TOLVAN_TEST_SOURCE_DIR";
  std::set<std::string> paths;
  const std::set<std::string> kinds = {"image", "sound", "font", "page", "licence"};
  for (const auto& e : Manifest()) {
    EXPECT_EQ(e.columns_found, 9) << e.path;
    EXPECT_TRUE(paths.insert(e.path).second) << "listed twice: " << e.path;
    EXPECT_TRUE(kinds.count(e.kind)) << e.path << " kind " << e.kind;
    EXPECT_FALSE(e.description.empty()) << e.path;
    if (e.kind != "image") continue;
    ASSERT_GT(e.cols, 0) << e.path;
    ASSERT_GT(e.rows, 0) << e.path;
    EXPECT_EQ(e.width % e.cols, 0) << e.path << ": " << e.width << " px in " << e.cols << " columns";
    EXPECT_EQ(e.height % e.rows, 0) << e.path << ": " << e.height << " px in " << e.rows << " rows";
  }
}

TEST(KitManifest, HoldsTheFixedSheetsTheClientCutsByGrid) {
  // A few sheets whose size and grid the client code depends on directly.
  struct Case {
    const char* path;
    int w, h, cols, rows;
  } cases[] = {
      {"raw/card.png", 1485, 516, 15, 4},        {"raw/btn_close_b.png", 297, 70, 3, 1},
      {"raw/splash_01.png", 528, 44, 12, 1},     {"raw/user_frame.png", 798, 115, 7, 1},
      {"raw/ani_winner.png", 972, 672, 4, 8},    {"raw/game_wait_1.png", 1080, 810, 4, 3},
      {"raw/lb_bg_main_center.png", 1280, 1852, 1, 4}, {"raw/shoot/shoot_view_round.png", 595, 122, 5, 2},
      {"raw/btn_login_facebook.png", 864, 105, 3, 1},  {"raw/btn_lob_shop.png", 459, 106, 3, 1},
  };
  for (const auto& c : cases) {
    bool found = false;
    for (const auto& e : Manifest()) {
      if (e.path != c.path) continue;
      found = true;
      EXPECT_EQ(e.width, c.w) << c.path;
      EXPECT_EQ(e.height, c.h) << c.path;
      EXPECT_EQ(e.cols, c.cols) << c.path;
      EXPECT_EQ(e.rows, c.rows) << c.path;
    }
    EXPECT_TRUE(found) << c.path;
  }
  EXPECT_EQ(kit::OfKind(Manifest(), "sound").size(), 46u);
}

TEST(KitPictures, EveryPictureDecodesAtItsSizeWithVisibleDistinctFrames) {
  const auto images = kit::OfKind(Manifest(), "image");
  ASSERT_FALSE(images.empty());
  for (const auto& e : images) {
    SCOPED_TRACE(e.path);
    const std::string path = KitPath(e);
    ASSERT_TRUE(fs::exists(path)) << "not generated: " << path;
    Picture pic;
    if (e.path.size() > 4 && e.path.compare(e.path.size() - 4, 4, ".jpg") == 0) {
      J_COLOR_SPACE space = JCS_UNKNOWN;
      pic = DecodeJpeg(path, &space);
      // The client does not decode JPEGs stored as RGB; ours must be YCbCr (or grey).
      EXPECT_TRUE(space == JCS_YCbCr || space == JCS_GRAYSCALE) << "stored colour space " << space;
    } else {
      pic = DecodePng(path);
    }
    ASSERT_TRUE(pic.error.empty()) << pic.error;
    EXPECT_EQ(pic.width, e.width);
    EXPECT_EQ(pic.height, e.height);
    if (pic.width != e.width || pic.height != e.height) continue;
    const int frames = e.cols * e.rows;
    std::vector<unsigned char> previous;
    for (int i = 0; i < frames; ++i) {
      auto frame = Frame(pic, e, i);
      EXPECT_TRUE(HasVisiblePixels(frame)) << "frame " << i << " is empty";
      if (i > 0) {
        EXPECT_TRUE(frame != previous) << "frames " << i - 1 << " and " << i << " are identical";
      }
      previous = std::move(frame);
    }
  }
}

TEST(KitPictures, CardSheetShowsFacesInRowsAndTheTwoBacksInColumns13And14) {
  const std::string path = kit::BuildDir() + "/raw/card.png";
  Picture pic = DecodePng(path);
  ASSERT_TRUE(pic.error.empty()) << path;
  ASSERT_EQ(pic.width, 1485);
  const kit::Entry sheet = kit::MakeEntry("raw/card.png", "image", 1485, 516, 15, 4);
  auto red_share = [&](int frame) {
    auto px = Frame(pic, sheet, frame);
    int red = 0, black = 0;
    for (size_t i = 0; i < px.size(); i += 4) {
      int r = px[i], g = px[i + 1], b = px[i + 2];
      if (px[i + 3] < 200) continue;  // outside the rounded corners
      if (r + g + b < 150) ++black;
      if (r > 150 && g < 90 && b < 90) ++red;
    }
    return red + black ? static_cast<double>(red) / (red + black) : 0.0;
  };
  // Suits 1 and 2 (diamonds, hearts) are printed red, 0 and 3 (clubs, spades) black.
  for (int suit = 0; suit < 4; ++suit)
    for (int rank : {0, 8, 12}) {
      double share = red_share(suit * 15 + rank);
      if (suit == 1 || suit == 2) {
        EXPECT_GT(share, 0.9) << "suit " << suit << " rank " << rank;
      } else {
        EXPECT_LT(share, 0.1) << "suit " << suit << " rank " << rank;
      }
    }
  // Frame 13 (face-down) and frame 14 (stock) are both backs but differ from each other
  // and from every face.
  auto down = Frame(pic, sheet, 13), stock = Frame(pic, sheet, 14);
  EXPECT_TRUE(down != stock);
  for (int f = 0; f < 13; ++f) EXPECT_TRUE(Frame(pic, sheet, f) != down) << f;
}

TEST(KitSounds, EverySoundDecodesWithLibmadAtAUsableLength) {
  const auto sounds = kit::OfKind(Manifest(), "sound");
  for (const auto& e : sounds) {
    SCOPED_TRACE(e.path);
    ASSERT_TRUE(fs::exists(KitPath(e))) << "not generated";
    Mp3Info info = DecodeMp3(KitPath(e));
    EXPECT_FALSE(info.unrecoverable);
    EXPECT_GT(info.frames, 0);
    EXPECT_EQ(info.sample_rate, 44100);
    if (e.style == "music") {
      EXPECT_GE(info.seconds, 20.0);
      EXPECT_LE(info.seconds, 40.0);
    } else {
      EXPECT_GE(info.seconds, 0.03);
      EXPECT_LE(info.seconds, 5.0);
    }
    // 15 MiB of 16-bit stereo is what the client can hold for one sound.
    EXPECT_LT(info.seconds * 44100 * 4, 15728640.0);
  }
}

TEST(KitPages, LocalPagesExistAndTheLoginPagesCallTheGame) {
  for (const auto& e : kit::OfKind(Manifest(), "page")) {
    SCOPED_TRACE(e.path);
    const std::string text = ReadText(KitPath(e));
    ASSERT_FALSE(text.empty()) << "missing or empty";
    if (e.path.size() > 4 && e.path.compare(e.path.size() - 4, 4, ".htm") == 0) {
      EXPECT_NE(text.find("<title>"), std::string::npos);
      EXPECT_NE(text.find("charset=\"utf-8\""), std::string::npos);
    }
  }
  EXPECT_NE(ReadText(kit::BuildDir() + "/web_content/facebook_login.htm").find("set_uuid("), std::string::npos);
  EXPECT_NE(ReadText(kit::BuildDir() + "/web_content/facebook_login.htm").find("set_close("), std::string::npos);
  EXPECT_NE(ReadText(kit::BuildDir() + "/web_content/facebook_logout.htm").find("set_close("), std::string::npos);
}

}  // namespace
