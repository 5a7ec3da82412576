// Picture generator of the Tolvan asset kit.
//
//   tolvan_artgen pictures <manifest.tsv> <output dir> [threads]
//       draws every "image" row of the manifest into <output dir>/<path>
//   tolvan_artgen contact <manifest.tsv> <kit dir> <out.png>
//       a review sheet with every picture of the kit and its name
//   tolvan_artgen cardsheet <kit dir> <out.png>
//       the card sheet on a table cloth with its rank and suit headings
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

// jpeglib needs FILE and size_t declared first.
#include <jpeglib.h>

#include "artgen_common.h"

namespace fs = std::filesystem;
using namespace artgen;

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return out;
}

Params ParseParams(const std::string& s) {
  Params p;
  if (s == "-" || s.empty()) return p;
  std::stringstream ss(s);
  std::string item;
  while (std::getline(ss, item, ';')) {
    size_t eq = item.find('=');
    if (eq != std::string::npos) p[item.substr(0, eq)] = item.substr(eq + 1);
  }
  return p;
}

bool LoadManifest(const std::string& path, std::vector<ImageSpec>& out) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << "artgen: cannot read " << path << "\n";
    return false;
  }
  std::string line;
  int lineno = 0;
  while (std::getline(in, line)) {
    ++lineno;
    if (line.empty() || line[0] == '#') continue;
    auto f = SplitTabs(line);
    if (f.size() != 9) {
      std::cerr << path << ":" << lineno << ": expected 9 columns, found " << f.size() << "\n";
      return false;
    }
    if (f[1] != "image") continue;
    ImageSpec s;
    s.path = f[0];
    s.width = std::stoi(f[2]);
    s.height = std::stoi(f[3]);
    s.cols = std::stoi(f[4]);
    s.rows = std::stoi(f[5]);
    s.style = f[6];
    s.params = ParseParams(f[7]);
    s.description = f[8];
    out.push_back(s);
  }
  return true;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// JPEG in the usual YCbCr colour space, alpha composed over white.
bool WriteJpeg(cairo_surface_t* surf, const std::string& path) {
  cairo_surface_flush(surf);
  int w = cairo_image_surface_get_width(surf), h = cairo_image_surface_get_height(surf);
  int stride = cairo_image_surface_get_stride(surf);
  const unsigned char* data = cairo_image_surface_get_data(surf);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 88, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(w * 3);
  for (int y = 0; y < h; ++y) {
    const uint32_t* px = reinterpret_cast<const uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x) {
      uint32_t v = px[x];
      unsigned a = v >> 24, r = (v >> 16) & 255, g = (v >> 8) & 255, b = v & 255;  // premultiplied
      row[x * 3 + 0] = static_cast<unsigned char>(r + (255 - a));
      row[x * 3 + 1] = static_cast<unsigned char>(g + (255 - a));
      row[x * 3 + 2] = static_cast<unsigned char>(b + (255 - a));
    }
    JSAMPROW rp = row.data();
    jpeg_write_scanlines(&cinfo, &rp, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
  return true;
}

bool Render(const ImageSpec& s, const fs::path& outdir) {
  cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, s.width, s.height);
  cairo_t* cr = cairo_create(surf);
  double fw = static_cast<double>(s.width) / s.cols, fh = static_cast<double>(s.height) / s.rows;
  bool ok = true;
  for (int r = 0; r < s.rows && ok; ++r)
    for (int c = 0; c < s.cols && ok; ++c)
      ok = DrawStyle(cr, s, Cell{c * fw, r * fh, fw, fh}, r * s.cols + c);
  if (!ok) std::cerr << "artgen: unknown style '" << s.style << "' for " << s.path << "\n";
  cairo_destroy(cr);
  fs::path out = outdir / s.path;
  fs::create_directories(out.parent_path());
  fs::path tmp = out;
  tmp += ".tmp";
  if (ok) {
    if (EndsWith(s.path, ".jpg"))
      ok = WriteJpeg(surf, tmp.string());
    else
      ok = cairo_surface_write_to_png(surf, tmp.c_str()) == CAIRO_STATUS_SUCCESS;
    if (ok) fs::rename(tmp, out);
    else std::cerr << "artgen: cannot write " << out << "\n";
  }
  cairo_surface_destroy(surf);
  return ok;
}

int Pictures(const std::string& manifest, const std::string& outdir, int threads) {
  std::vector<ImageSpec> specs;
  if (!LoadManifest(manifest, specs)) return 1;
  // Largest first, so the two workers finish at about the same time.
  std::sort(specs.begin(), specs.end(), [](const ImageSpec& a, const ImageSpec& b) {
    return static_cast<long>(a.width) * a.height > static_cast<long>(b.width) * b.height;
  });
  std::atomic<size_t> next{0};
  std::atomic<int> failures{0};
  auto worker = [&]() {
    for (size_t i = next++; i < specs.size(); i = next++)
      if (!Render(specs[i], outdir)) ++failures;
  };
  std::vector<std::thread> pool;
  for (int i = 1; i < threads; ++i) pool.emplace_back(worker);
  worker();
  for (auto& t : pool) t.join();
  std::cout << "artgen: " << specs.size() - failures << " pictures written to " << outdir << "\n";
  return failures ? 1 : 0;
}

// Review sheets ---------------------------------------------------------------------------

void Checker(cairo_t* cr, double x, double y, double w, double h) {
  for (double yy = y; yy < y + h; yy += 8)
    for (double xx = x; xx < x + w; xx += 8) {
      bool dark = (static_cast<int>((xx - x) / 8) + static_cast<int>((yy - y) / 8)) % 2;
      cairo_rectangle(cr, xx, yy, std::min(8.0, x + w - xx), std::min(8.0, y + h - yy));
      cairo_set_source_rgb(cr, dark ? 0.55 : 0.65, dark ? 0.57 : 0.67, dark ? 0.6 : 0.7);
      cairo_fill(cr);
    }
}

cairo_surface_t* LoadPicture(const fs::path& p) {
  if (p.extension() == ".png") {
    cairo_surface_t* s = cairo_image_surface_create_from_png(p.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) return s;
    cairo_surface_destroy(s);
    return nullptr;
  }
  // JPEG: decode with libjpeg into an RGB24 surface.
  FILE* f = std::fopen(p.c_str(), "rb");
  if (!f) return nullptr;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cinfo.output_width, cinfo.output_height);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  std::vector<unsigned char> row(cinfo.output_width * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    int y = cinfo.output_scanline;
    JSAMPROW rp = row.data();
    jpeg_read_scanlines(&cinfo, &rp, 1);
    uint32_t* px = reinterpret_cast<uint32_t*>(data + y * stride);
    for (unsigned x = 0; x < cinfo.output_width; ++x)
      px[x] = 0xff000000u | (row[x * 3] << 16) | (row[x * 3 + 1] << 8) | row[x * 3 + 2];
  }
  cairo_surface_mark_dirty(s);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return s;
}

int Contact(const std::string& manifest, const std::string& kit, const std::string& out) {
  std::vector<ImageSpec> specs;
  if (!LoadManifest(manifest, specs)) return 1;
  const int cols = 9, cw = 150, ch = 128, thumb_w = 142, thumb_h = 96, header = 40;
  int rows = (static_cast<int>(specs.size()) + cols - 1) / cols;
  int W = cols * cw, H = header + rows * ch;
  cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, H);
  cairo_t* cr = cairo_create(surf);
  cairo_set_source_rgb(cr, 0.16, 0.18, 0.22);
  cairo_paint(cr);
  Text(cr, "Tolvan asset kit: " + std::to_string(specs.size()) + " pictures (name, sheet size, grid)", W / 2.0,
       20, 20, {1, 1, 1, 1}, {0, 0, 0, 0}, W - 20, "DejaVu Sans");
  for (size_t i = 0; i < specs.size(); ++i) {
    const ImageSpec& s = specs[i];
    double x = (i % cols) * cw + (cw - thumb_w) / 2.0, y = header + (i / cols) * ch + 4;
    Checker(cr, x, y, thumb_w, thumb_h);
    cairo_surface_t* pic = LoadPicture(fs::path(kit) / s.path);
    if (pic) {
      double iw = cairo_image_surface_get_width(pic), ih = cairo_image_surface_get_height(pic);
      double k = std::min(thumb_w / iw, thumb_h / ih);
      cairo_save(cr);
      cairo_translate(cr, x + (thumb_w - iw * k) / 2, y + (thumb_h - ih * k) / 2);
      cairo_scale(cr, k, k);
      cairo_set_source_surface(cr, pic, 0, 0);
      cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
      cairo_paint(cr);
      cairo_restore(cr);
      cairo_surface_destroy(pic);
    } else {
      Text(cr, "MISSING", x + thumb_w / 2, y + thumb_h / 2, 18, {1, 0.3, 0.3, 1}, {0, 0, 0, 0}, 0, "DejaVu Sans");
    }
    std::string name = fs::path(s.path).filename().string();
    std::string parent = fs::path(s.path).parent_path().filename().string();
    if (parent != "raw") name = parent + "/" + name;
    Text(cr, name, x + thumb_w / 2, y + thumb_h + 9, 10, {1, 1, 1, 1}, {0, 0, 0, 0}, cw - 4, "DejaVu Sans Condensed",
         false);
    char dims[64];
    std::snprintf(dims, sizeof dims, "%dx%d  %dx%d", s.width, s.height, s.cols, s.rows);
    Text(cr, dims, x + thumb_w / 2, y + thumb_h + 21, 9, {0.7, 0.8, 1, 1}, {0, 0, 0, 0}, cw - 4,
         "DejaVu Sans Condensed", false);
  }
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(surf, out.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surf);
  return ok ? 0 : 1;
}

int CardSheet(const std::string& kit, const std::string& out) {
  cairo_surface_t* cards = LoadPicture(fs::path(kit) / "raw/card.png");
  if (!cards) return 1;
  const int left = 90, top = 50, W = 1485 + left + 20, H = 516 + top + 20;
  cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, H);
  cairo_t* cr = cairo_create(surf);
  cairo_set_source_rgb(cr, 0.09, 0.40, 0.23);
  cairo_paint(cr);
  const char* heads[15] = {"0:2", "1:3", "2:4", "3:5", "4:6", "5:7", "6:8", "7:9", "8:10", "9:J", "10:Q", "11:K",
                           "12:A", "13 down", "14 stock"};
  for (int c = 0; c < 15; ++c)
    Text(cr, heads[c], left + c * 99 + 49.5, top / 2.0, 15, {1, 1, 1, 1}, {0, 0, 0, 0}, 96, "DejaVu Sans");
  const char* suits[4] = {"0 clubs", "1 diam.", "2 hearts", "3 spades"};
  for (int r = 0; r < 4; ++r)
    Text(cr, suits[r], left / 2.0, top + r * 129 + 64.5, 15, {1, 1, 1, 1}, {0, 0, 0, 0}, left - 6, "DejaVu Sans");
  cairo_set_source_surface(cr, cards, left, top);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(cards);
  bool ok = cairo_surface_write_to_png(surf, out.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surf);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "pictures" && argc >= 4)
    return Pictures(argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 2);
  if (mode == "contact" && argc == 5) return Contact(argv[2], argv[3], argv[4]);
  if (mode == "cardsheet" && argc == 4) return CardSheet(argv[2], argv[3]);
  std::cerr << "usage: tolvan_artgen pictures <manifest> <outdir> [threads]\n"
               "       tolvan_artgen contact <manifest> <kitdir> <out.png>\n"
               "       tolvan_artgen cardsheet <kitdir> <out.png>\n";
  return 2;
}
