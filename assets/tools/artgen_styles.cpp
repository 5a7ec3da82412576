// Picture styles of the generator: each draws one frame of a sheet into its cell.
#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "artgen_common.h"

namespace artgen {

namespace {
constexpr double kPi = 3.14159265358979323846;
const RGBA kWhite{1, 1, 1, 1};
const RGBA kOutline{0.05, 0.07, 0.15, 0.85};
const RGBA kBrown{0.36, 0.17, 0.0, 1};

// Deterministic pseudo-random numbers so that every build draws the same pictures.
struct Rng {
  unsigned s;
  explicit Rng(unsigned seed) : s(seed * 2654435761u + 12345u) {}
  double Next() {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) / 16777216.0;
  }
};

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::stringstream ss(s);
  std::string item;
  while (std::getline(ss, item, sep)) out.push_back(item);
  return out;
}

bool IsLight(RGBA c) { return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b > 0.68; }

// ---------------------------------------------------------------------------------------
// Backgrounds

void Hills(cairo_t* cr, const Cell& c, double base, double amp, RGBA col, unsigned seed) {
  Rng rng(seed);
  double p1 = rng.Next() * 6, p2 = rng.Next() * 6;
  cairo_move_to(cr, c.x, c.y + c.h);
  for (double x = 0; x <= c.w; x += 8) {
    double y = base + amp * (0.6 * std::sin(x / c.w * 5 + p1) + 0.4 * std::sin(x / c.w * 11 + p2));
    cairo_line_to(cr, c.x + x, c.y + y);
  }
  cairo_line_to(cr, c.x + c.w, c.y + c.h);
  cairo_close_path(cr);
  SetColor(cr, col);
  cairo_fill(cr);
}

void Sparkles(cairo_t* cr, const Cell& c, int n, double ymax, unsigned seed, double alpha) {
  Rng rng(seed);
  for (int i = 0; i < n; ++i) {
    double x = c.x + rng.Next() * c.w, y = c.y + rng.Next() * ymax, r = 0.6 + rng.Next() * 1.6;
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    SetColor(cr, {1, 1, 0.95, alpha * (0.3 + 0.7 * rng.Next())});
    cairo_fill(cr);
  }
}

void Felt(cairo_t* cr, const Cell& c, RGBA felt, int layout) {
  cairo_rectangle(cr, c.x, c.y, c.w, c.h);
  SetColor(cr, Darken(felt, 0.55));
  cairo_fill(cr);
  // Table top: a rounded felt area with a wooden rim.
  double mx = layout == 0 ? 30 : 150, top = layout == 0 ? 120 : 40, bottom = layout == 0 ? 560 : 690;
  RoundRect(cr, c.x + mx - 18, c.y + top - 18, c.w - 2 * mx + 36, bottom - top + 36, 170);
  VerticalGradientFill(cr, {0.52, 0.30, 0.14, 1}, {0.32, 0.17, 0.07, 1}, c.y + top, c.y + bottom);
  cairo_new_path(cr);
  RoundRect(cr, c.x + mx, c.y + top, c.w - 2 * mx, bottom - top, 150);
  cairo_pattern_t* p = cairo_pattern_create_radial(c.x + c.w / 2, c.y + (top + bottom) / 2, 40,
                                                   c.x + c.w / 2, c.y + (top + bottom) / 2, c.w * 0.6);
  RGBA hi = Lighten(felt, 0.15), lo = Darken(felt, 0.35);
  cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
  cairo_pattern_add_color_stop_rgb(p, 1, lo.r, lo.g, lo.b);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColor(cr, {1, 0.9, 0.6, 0.35});
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  // faint felt texture
  Rng rng(7 + layout);
  for (int i = 0; i < 1800; ++i) {
    double x = c.x + mx + rng.Next() * (c.w - 2 * mx), y = c.y + top + rng.Next() * (bottom - top);
    cairo_rectangle(cr, x, y, 1.5, 1.5);
    SetColor(cr, {1, 1, 1, 0.025});
    cairo_fill(cr);
  }
  // centre emblem
  double ex = c.x + c.w / 2, ey = c.y + (top + bottom) / 2 + (layout == 0 ? 20 : 0);
  cairo_arc(cr, ex, ey, 95, 0, 2 * kPi);
  SetColor(cr, {1, 1, 1, 0.05});
  cairo_fill(cr);
  for (int s = 0; s < 4; ++s)
    Suit(cr, s, ex - 66 + s * 44, ey, 30, {1, 1, 1, 0.09});
  Text(cr, "TOLVAN", ex, ey + 55, 26, {1, 1, 1, 0.10});
}

void DrawBg(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  std::string theme = Param(s.params, "theme");
  if (theme == "table") {
    RGBA felt = Param(s.params, "felt") == "blue" ? RGBA{0.10, 0.30, 0.55, 1} : RGBA{0.09, 0.45, 0.25, 1};
    Felt(cr, c, felt, static_cast<int>(ParamNum(s.params, "layout", 0)));
    return;
  }
  RGBA top{0.07, 0.13, 0.30, 1}, bottom{0.20, 0.42, 0.66, 1};
  if (theme == "login") { top = {0.12, 0.35, 0.70, 1}; bottom = {0.55, 0.80, 0.95, 1}; }
  if (theme == "lobby") { top = {0.05, 0.08, 0.22, 1}; bottom = {0.22, 0.25, 0.52, 1}; }
  if (theme == "sub") { top = {0.09, 0.16, 0.33, 1}; bottom = {0.14, 0.27, 0.48, 1}; }
  if (theme == "center") {
    double h = 220 + frame * 40;
    top = Hsv(h, 0.55, 0.30);
    bottom = Hsv(h + 20, 0.45, 0.55);
  }
  cairo_rectangle(cr, c.x, c.y, c.w, c.h);
  VerticalGradientFill(cr, top, bottom, c.y, c.y + c.h);
  cairo_new_path(cr);
  if (theme == "loading" || theme == "lobby") Sparkles(cr, c, 140, c.h * 0.55, 3, 0.8);
  if (theme == "login" || theme == "loading") {
    Hills(cr, c, c.h * 0.74, 30, {0.26, 0.62, 0.40, 1}, 11);
    Hills(cr, c, c.h * 0.84, 22, {0.16, 0.48, 0.30, 1}, 12);
    RadialGlow(cr, c.x + c.w * 0.5, c.y + c.h * 0.95, c.w * 0.35, {1, 0.9, 0.5, 0.35}, {1, 0.9, 0.5, 0});
  }
  if (theme == "lobby") {
    Rng rng(21);
    double x = c.x;
    while (x < c.x + c.w) {
      double bw = 40 + rng.Next() * 70, bh = 80 + rng.Next() * 200;
      cairo_rectangle(cr, x, c.y + c.h * 0.84 - bh, bw, bh + c.h);
      SetColor(cr, {0.04, 0.06, 0.16, 1});
      cairo_fill(cr);
      for (double wy = c.y + c.h * 0.84 - bh + 10; wy < c.y + c.h * 0.84 - 10; wy += 18)
        for (double wx = x + 8; wx < x + bw - 8; wx += 14)
          if (rng.Next() < 0.35) {
            cairo_rectangle(cr, wx, wy, 6, 8);
            SetColor(cr, {1, 0.85, 0.45, 0.55});
            cairo_fill(cr);
          }
      x += bw + 4;
    }
  }
  if (theme == "sub" || theme == "center") {
    // soft diagonal suit pattern
    int i = 0;
    for (double y = c.y + 30; y < c.y + c.h; y += 90)
      for (double x = c.x + ((i++ % 2) ? 60 : 15); x < c.x + c.w; x += 120)
        Suit(cr, (static_cast<int>(x + y) / 30) % 4, x, y, 26, {1, 1, 1, 0.035});
  }
  if (theme == "center") {
    static const char* words[] = {"WELCOME", "PLAY", "WIN", "ENJOY"};
    Text(cr, words[frame % 4], c.x + c.w / 2, c.y + c.h / 2, 120, {1, 1, 1, 0.08});
  }
}

// ---------------------------------------------------------------------------------------
// Plates, panels and buttons

void DrawPlate(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  RGBA col = NamedColor(Param(s.params, "color", "navy"));
  if (frame > 0 && Param(s.params, "alt") == "grey") col = NamedColor("grey");
  if (frame > 0 && Param(s.params, "alt").empty() && s.cols * s.rows > 1) col = Darken(col, 0.25);
  double r = ParamNum(s.params, "radius", 14);
  bool translucent = col.a < 1;
  double pad = translucent ? 0 : 1;
  RoundRect(cr, c.x + pad, c.y + pad, c.w - 2 * pad, c.h - 2 * pad, r);
  if (ParamNum(s.params, "dim", 0) > 0) col.a = 0.55;
  if (translucent || col.a < 1) {
    SetColor(cr, col);
    cairo_fill_preserve(cr);
    SetColor(cr, {1, 1, 1, 0.18});
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
  } else {
    VerticalGradientFill(cr, Lighten(col, 0.2), Darken(col, 0.15), c.y, c.y + c.h);
    SetColor(cr, Darken(col, 0.45));
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    RoundRect(cr, c.x + 3, c.y + 3, c.w - 6, c.h * 0.45, std::max(0.0, r - 2));
    SetColor(cr, {1, 1, 1, 0.15});
    cairo_fill(cr);
  }
  if (ParamNum(s.params, "slot", 0) > 0) {
    RoundRect(cr, c.x + 15, c.y + 10, c.h - 20, c.h - 20, 10);
    SetColor(cr, {0.55, 0.35, 0.05, 0.25});
    cairo_fill(cr);
    RoundRect(cr, c.x + c.w - 250, c.y + 14, 230, c.h - 28, (c.h - 28) / 2);
    SetColor(cr, {0.55, 0.35, 0.05, 0.2});
    cairo_fill(cr);
  }
}

void DrawPanel(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = NamedColor(Param(s.params, "color", "navy"));
  bool side = ParamNum(s.params, "side", 0) > 0;
  double r = ParamNum(s.params, "radius", std::min(28.0, std::min(c.w, c.h) / 6));
  double m = side ? 0 : std::min(6.0, c.w / 20);
  // drop shadow
  if (!side) {
    RoundRect(cr, c.x + m, c.y + m + 3, c.w - 2 * m, c.h - 2 * m, r);
    SetColor(cr, {0, 0, 0, 0.35});
    cairo_fill(cr);
  }
  RoundRect(cr, c.x + m, c.y + m, c.w - 2 * m, c.h - 2 * m - (side ? 0 : 3), side ? 0 : r);
  if (col.a < 1) {
    SetColor(cr, col);
    cairo_fill_preserve(cr);
    SetColor(cr, {1, 1, 1, 0.2});
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    return;
  }
  RGBA edge = IsLight(col) ? RGBA{0.72, 0.52, 0.22, 1} : RGBA{0.85, 0.70, 0.35, 1};
  VerticalGradientFill(cr, Lighten(col, 0.12), Darken(col, 0.12), c.y, c.y + c.h);
  SetColor(cr, edge);
  cairo_set_line_width(cr, std::max(2.0, std::min(c.w, c.h) / 90));
  cairo_stroke(cr);
  double inset = std::max(4.0, std::min(c.w, c.h) / 40);
  RoundRect(cr, c.x + m + inset, c.y + m + inset, c.w - 2 * (m + inset), c.h - 2 * (m + inset) - 3,
            std::max(2.0, r - inset));
  SetColor(cr, {1, 1, 1, IsLight(col) ? 0.5 : 0.08});
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  if (ParamNum(s.params, "header", 0) > 0) {
    double hh = std::min(70.0, c.h * 0.16);
    TopRoundRect(cr, c.x + m + inset + 2, c.y + m + inset + 2, c.w - 2 * (m + inset) - 4, hh,
                 std::max(2.0, r - inset - 2));
    RGBA band = IsLight(col) ? RGBA{0.80, 0.16, 0.12, 1} : Lighten(col, 0.22);
    VerticalGradientFill(cr, Lighten(band, 0.2), band, c.y, c.y + hh);
    cairo_new_path(cr);
    std::string title = Param(s.params, "title");
    if (!title.empty())
      Text(cr, title, c.x + c.w / 2, c.y + m + inset + 2 + hh / 2, hh * 0.55, kWhite, kOutline, c.w * 0.8);
  }
  if (Param(s.params, "deco") == "ticket") {
    Icon(cr, "ticket", c.x + c.w / 2, c.y + c.h * 0.45, std::min(c.w, c.h) * 0.35, {0.98, 0.74, 0.16, 0.9});
  }
}

int ButtonState(const ImageSpec& s, int frame) { return s.cols * s.rows == 3 ? frame : 0; }

void DrawButton(cairo_t* cr, const ImageSpec& s, const Cell& cell, int frame) {
  int state = ButtonState(s, frame);
  std::string shape = Param(s.params, "shape", "pill");
  RGBA base = NamedColor(Param(s.params, "color", "blue"));
  bool tab = shape == "tab";
  if (state == 2 && !tab) base = Grey(base);
  if (state == 1) base = Darken(base, 0.18);
  Cell c = cell;
  double pad = std::max(2.0, std::min(c.w, c.h) * 0.06);
  c.x += pad; c.y += pad; c.w -= 2 * pad; c.h -= 2 * pad + 2;
  double press = state == 1 ? 2 : 0;
  double r = shape == "round" ? std::min(c.w, c.h) / 2 : std::min(c.w, c.h) * 0.32;
  // shadow
  RoundRect(cr, c.x, c.y + 3, c.w, c.h, r);
  SetColor(cr, {0, 0, 0, 0.35});
  cairo_fill(cr);
  c.y += press;
  if (tab)
    TopRoundRect(cr, c.x, c.y, c.w, c.h, r);
  else
    RoundRect(cr, c.x, c.y, c.w, c.h, r);
  RGBA top = Lighten(base, state == 2 && tab ? 0.45 : 0.28), bottom = Darken(base, 0.18);
  VerticalGradientFill(cr, top, bottom, c.y, c.y + c.h);
  SetColor(cr, Darken(base, 0.5));
  cairo_set_line_width(cr, std::max(1.5, std::min(c.w, c.h) * 0.04));
  cairo_stroke(cr);
  if (tab && state == 2) {
    TopRoundRect(cr, c.x + 2, c.y + 2, c.w - 4, c.h - 4, r);
    SetColor(cr, {1, 0.88, 0.35, 1});
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
  }
  // gloss
  if (state != 1) {
    RoundRect(cr, c.x + c.w * 0.04, c.y + c.h * 0.06, c.w * 0.92, c.h * 0.42, r * 0.8);
    SetColor(cr, {1, 1, 1, 0.22});
    cairo_fill(cr);
  }
  std::string label = Param(s.params, "label"), icon = Param(s.params, "icon");
  std::string layout = Param(s.params, "layout");
  bool light = IsLight(base);
  RGBA fg = light ? kBrown : kWhite;
  RGBA ol = light ? RGBA{1, 1, 1, 0.6} : kOutline;
  if (state == 2 && !tab) { fg = {0.92, 0.92, 0.92, 1}; ol = {0.2, 0.2, 0.2, 0.6}; }
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2;
  if (!icon.empty() && label.empty() && layout != "iconleft") {
    double is = std::min(c.w, c.h) * 0.62;
    if (icon == "fb" || icon == "question") Icon(cr, icon, cx + 1, cy + 1, is, ol);
    Icon(cr, icon, cx, cy, is, fg);
    if (ParamNum(s.params, "off", 0) > 0) {
      cairo_move_to(cr, cx - is * 0.5, cy + is * 0.5);
      cairo_line_to(cr, cx + is * 0.5, cy - is * 0.5);
      SetColor(cr, {0.85, 0.15, 0.15, 1});
      cairo_set_line_width(cr, is * 0.12);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      cairo_stroke(cr);
    }
  } else if (layout == "stack" && !icon.empty()) {
    double is = c.h * 0.48;
    Icon(cr, icon, cx, c.y + c.h * 0.36, is, fg);
    if (!label.empty())
      Text(cr, label, cx, c.y + c.h * 0.78, c.h * 0.22, fg, ol, c.w * 0.9);
  } else if (layout == "iconleft") {
    double is = c.h * 0.72;
    Icon(cr, icon, c.x + c.h * 0.6, cy, is, fg);
  } else {
    double size = c.h * 0.46;
    double tx = cx, avail = c.w * 0.86;
    if (!icon.empty()) {
      double is = c.h * 0.6;
      double tw = std::min(TextWidth(cr, label, size), c.w * 0.86 - is - 10);
      double total = is + 10 + tw;
      double x0 = cx - total / 2;
      Icon(cr, icon, x0 + is / 2, cy, is, fg);
      tx = x0 + is + 10 + tw / 2;
      avail = tw;
    }
    Text(cr, label, tx, cy, size, fg, ol, avail);
  }
}

void DrawGameCard(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = NamedColor(Param(s.params, "color", "blue"));
  RoundRect(cr, c.x + 6, c.y + 9, c.w - 12, c.h - 12, 24);
  SetColor(cr, {0, 0, 0, 0.35});
  cairo_fill(cr);
  RoundRect(cr, c.x + 6, c.y + 4, c.w - 12, c.h - 12, 24);
  VerticalGradientFill(cr, Lighten(col, 0.3), Darken(col, 0.25), c.y, c.y + c.h);
  SetColor(cr, {1, 0.85, 0.4, 1});
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  RoundRect(cr, c.x + 14, c.y + 12, c.w - 28, c.h * 0.4, 18);
  SetColor(cr, {1, 1, 1, 0.15});
  cairo_fill(cr);
  Text(cr, Param(s.params, "label"), c.x + c.w / 2, c.y + c.h * 0.58, 40, kWhite, kOutline, c.w * 0.85);
  std::string sub = Param(s.params, "sub");
  RoundRect(cr, c.x + c.w / 2 - 70, c.y + c.h * 0.74, 140, 30, 15);
  SetColor(cr, {0, 0, 0, 0.3});
  cairo_fill(cr);
  Text(cr, sub, c.x + c.w / 2, c.y + c.h * 0.74 + 15, 18, {1, 0.9, 0.5, 1}, {0, 0, 0, 0}, 130,
       "DejaVu Sans");
}

// ---------------------------------------------------------------------------------------
// Cards

const char* kRanks[13] = {"2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K", "A"};

void CardBack(cairo_t* cr, const Cell& c, bool stock) {
  RoundRect(cr, c.x + 1.5, c.y + 1.5, c.w - 3, c.h - 3, 8);
  SetColor(cr, kWhite);
  cairo_fill_preserve(cr);
  SetColor(cr, {0.35, 0.35, 0.4, 1});
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  RGBA back = stock ? RGBA{0.70, 0.12, 0.16, 1} : RGBA{0.14, 0.30, 0.66, 1};
  RoundRect(cr, c.x + 6, c.y + 6, c.w - 12, c.h - 12, 5);
  SetColor(cr, back);
  cairo_fill_preserve(cr);
  cairo_save(cr);
  cairo_clip(cr);
  SetColor(cr, Lighten(back, 0.3));
  cairo_set_line_width(cr, 1.4);
  for (double d = -c.h; d < c.w + c.h; d += 9) {
    cairo_move_to(cr, c.x + d, c.y);
    cairo_line_to(cr, c.x + d + c.h, c.y + c.h);
    if (stock) {
      cairo_move_to(cr, c.x + d + c.h, c.y);
      cairo_line_to(cr, c.x + d, c.y + c.h);
    }
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  RoundRect(cr, c.x + 10, c.y + 10, c.w - 20, c.h - 20, 4);
  SetColor(cr, {1, 1, 1, 0.8});
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2;
  cairo_arc(cr, cx, cy, c.w * 0.22, 0, 2 * kPi);
  SetColor(cr, stock ? RGBA{1, 0.85, 0.3, 1} : kWhite);
  cairo_fill(cr);
  Text(cr, "T", cx, cy, c.w * 0.3, back, {0, 0, 0, 0}, 0, "DejaVu Serif");
}

void CardFace(cairo_t* cr, const Cell& c, int suit, int rank) {
  RoundRect(cr, c.x + 1.5, c.y + 1.5, c.w - 3, c.h - 3, 8);
  cairo_pattern_t* p = cairo_pattern_create_linear(c.x, c.y, c.x, c.y + c.h);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.94, 0.94, 0.92);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColor(cr, {0.35, 0.35, 0.4, 1});
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  bool red = suit == 1 || suit == 2;
  RGBA ink = red ? RGBA{0.82, 0.08, 0.12, 1} : RGBA{0.08, 0.08, 0.12, 1};
  const char* rk = kRanks[rank];
  // Corner index, large rank over a suit, top-left: hands and piles overlap cards from the
  // left, so this corner is the one that stays visible.
  double fs = rank == 8 ? 25 : 30;
  Text(cr, rk, c.x + 17, c.y + 20, fs, ink, {0, 0, 0, 0}, 30, "DejaVu Sans Condensed");
  Suit(cr, suit, c.x + 17, c.y + 44, 17, ink);
  double cx = c.x + c.w / 2 + 6, cy = c.y + c.h / 2;
  if (rank >= 9 && rank <= 11) {
    // Court card: framed portrait panel with the letter and suits.
    RoundRect(cr, c.x + 31, c.y + 14, c.w - 47, c.h - 28, 5);
    RGBA panel = red ? RGBA{1.0, 0.93, 0.90, 1} : RGBA{0.92, 0.94, 1.0, 1};
    SetColor(cr, panel);
    cairo_fill_preserve(cr);
    SetColor(cr, ink);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    Icon(cr, rank == 11 ? "crown" : (rank == 10 ? "star" : "flag"), cx, c.y + 34, 26,
         {0.95, 0.72, 0.15, 1});
    Text(cr, rk, cx, cy + 6, 46, ink, {0, 0, 0, 0}, 0, "DejaVu Serif");
    Suit(cr, suit, cx, c.y + c.h - 30, 22, ink);
  } else if (rank == 12) {
    Suit(cr, suit, cx, cy, 58, ink);
  } else {
    // Number cards: the classic pip layouts (column L/M/R, height 0..1).
    static const char* layouts[9] = {
        "M0 M1", "M0 M.5 M1", "L0 R0 L1 R1", "L0 R0 M.5 L1 R1", "L0 R0 L.5 R.5 L1 R1",
        "L0 R0 M.25 L.5 R.5 L1 R1", "L0 R0 M.25 L.5 R.5 M.75 L1 R1",
        "L0 R0 L.33 R.33 M.5 L.67 R.67 L1 R1", "L0 R0 M.17 L.33 R.33 L.67 R.67 M.83 L1 R1"};
    int n = rank + 2;
    double left = c.x + 46, right = c.x + c.w - 16, top = c.y + 20, bottom = c.y + c.h - 20;
    std::vector<std::pair<double, double>> pts;
    std::stringstream lay(layouts[n - 2]);
    std::string tok;
    while (lay >> tok) {
      double x = tok[0] == 'L' ? left : tok[0] == 'R' ? right : (left + right) / 2;
      double f = std::atof(tok.c_str() + 1);
      pts.push_back({x, top + (bottom - top) * f});
    }
    double ps = n >= 9 ? 17 : 20;
    for (auto& pt : pts) Suit(cr, suit, pt.first, pt.second, ps, ink);
  }
}

void DrawCards(cairo_t* cr, const ImageSpec&, const Cell& c, int frame) {
  int col = frame % 15, row = frame / 15;
  if (col == 13)
    CardBack(cr, c, false);
  else if (col == 14)
    CardBack(cr, c, true);
  else
    CardFace(cr, c, row, col);
}

void DrawCardBackEmpty(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  RoundRect(cr, c.x + 2, c.y + 2, c.w - 4, c.h - 4, 7);
  SetColor(cr, {0, 0, 0, 0.25});
  cairo_fill_preserve(cr);
  double dashes[] = {6, 4};
  cairo_set_dash(cr, dashes, 2, 0);
  SetColor(cr, {1, 1, 1, 0.7});
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  Text(cr, "0", c.x + c.w / 2, c.y + c.h / 2, 22, {1, 1, 1, 0.6});
}

// ---------------------------------------------------------------------------------------
// Small pieces

void DrawText(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = NamedColor(Param(s.params, "color", "white"));
  double size = ParamNum(s.params, "size", c.h * 0.6);
  Text(cr, Param(s.params, "text"), c.x + c.w / 2, c.y + c.h / 2, size, col,
       IsLight(col) ? RGBA{0.25, 0.12, 0.0, 0.9} : RGBA{1, 1, 1, 0.9}, c.w * 0.94, "", true, size / 9);
}

void DrawLogo(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  for (int i = 0; i < 4; ++i)
    MiniCard(cr, c.x + c.w / 2 - 90 + i * 60, c.y + 62, 52, -24 + i * 16, true, {0.2, 0.3, 0.7, 1});
  for (int i = 0; i < 4; ++i)
    Suit(cr, i, c.x + c.w / 2 - 90 + i * 60, c.y + 58, 22,
         (i == 1 || i == 2) ? RGBA{0.85, 0.1, 0.12, 1} : RGBA{0.1, 0.1, 0.12, 1});
  Text(cr, Param(s.params, "text"), c.x + c.w / 2, c.y + 140, 92, {1, 0.82, 0.25, 1}, {0.35, 0.12, 0.0, 1},
       c.w * 0.95, "DejaVu Serif", true, 9);
  Text(cr, Param(s.params, "sub"), c.x + c.w / 2, c.y + 198, 26, kWhite, kOutline, c.w * 0.8);
}

void DrawSolid(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  auto v = Split(Param(s.params, "rgba", "0,0,0,128"), ',');
  cairo_rectangle(cr, c.x, c.y, c.w, c.h);
  SetColor(cr, {std::atof(v[0].c_str()) / 255, std::atof(v[1].c_str()) / 255,
                std::atof(v[2].c_str()) / 255, std::atof(v[3].c_str()) / 255});
  cairo_fill(cr);
}

RGBA ParamRgb(const ImageSpec& s, const char* key, RGBA fallback) {
  std::string v = Param(s.params, key);
  if (v.empty()) return fallback;
  auto p = Split(v, ',');
  return {std::atof(p[0].c_str()) / 255, std::atof(p[1].c_str()) / 255, std::atof(p[2].c_str()) / 255, 1};
}

void DrawGlow(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = ParamRgb(s, "rgb", {1, 1, 0.8, 1});
  if (Param(s.params, "shape") == "rect") {
    for (int i = 0; i < 14; ++i) {
      double k = i / 14.0;
      RoundRect(cr, c.x + c.w * k * 0.45, c.y + c.h * k * 0.45, c.w * (1 - 0.9 * k), c.h * (1 - 0.9 * k),
                std::min(c.w, c.h) * 0.3 * (1 - k * 0.6));
      SetColor(cr, {col.r, col.g, col.b, 0.07 + 0.02 * i});
      cairo_fill(cr);
    }
  } else {
    RGBA in = col, out = col;
    in.a = 1;
    out.a = 0;
    RadialGlow(cr, c.x + c.w / 2, c.y + c.h / 2, std::min(c.w, c.h) / 2, in, out);
  }
}

void DrawRing(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = ParamRgb(s, "rgb", kWhite);
  double r = std::min(c.w, c.h) / 2;
  for (int i = 0; i < 6; ++i) {
    cairo_arc(cr, c.x + c.w / 2, c.y + c.h / 2, r * 0.8, 0, 2 * kPi);
    SetColor(cr, {col.r, col.g, col.b, 0.12 + (i == 5 ? 0.8 : 0)});
    cairo_set_line_width(cr, r * (0.3 - i * 0.05));
    cairo_stroke(cr);
  }
}

void DrawCrown(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  RadialGlow(cr, c.x + c.w / 2, c.y + c.h / 2, c.w / 2, {1, 0.9, 0.4, 0.7}, {1, 0.9, 0.4, 0});
  Icon(cr, "crown", c.x + c.w / 2, c.y + c.h / 2 + 4, c.w * 0.7, {1, 0.78, 0.15, 1});
  for (int i = 0; i < 3; ++i) {
    cairo_arc(cr, c.x + c.w / 2 - c.w * 0.18 + i * c.w * 0.18, c.y + c.h / 2 + c.h * 0.12, c.w * 0.035, 0, 2 * kPi);
    SetColor(cr, i == 1 ? RGBA{0.9, 0.1, 0.2, 1} : RGBA{0.2, 0.5, 1, 1});
    cairo_fill(cr);
  }
}

void DrawBurst(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = ParamRgb(s, "rgb", {1, 0.9, 0.4, 1});
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, r = std::min(c.w, c.h) / 2;
  for (int i = 0; i < 12; ++i) {
    double a = i * kPi / 6;
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + r * std::cos(a - 0.08), cy + r * std::sin(a - 0.08));
    cairo_line_to(cr, cx + r * std::cos(a + 0.08), cy + r * std::sin(a + 0.08));
    cairo_close_path(cr);
  }
  SetColor(cr, {col.r, col.g, col.b, 0.5});
  cairo_fill(cr);
  Star(cr, cx, cy, r * 0.45, r * 0.2, 5, 0);
  SetColor(cr, col);
  cairo_fill(cr);
}

void DrawCoin(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  Coin(cr, c.x + c.w / 2, c.y + c.h / 2, std::min(c.w, c.h) / 2 - 1);
}

void DrawStar(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = ParamRgb(s, "rgb", kWhite);
  RGBA glow = col;
  glow.a = 0.5;
  RGBA clear = col;
  clear.a = 0;
  RadialGlow(cr, c.x + c.w / 2, c.y + c.h / 2, c.w / 2, glow, clear);
  Star(cr, c.x + c.w / 2, c.y + c.h / 2, c.w * 0.42, c.w * 0.16, 4, 0);
  SetColor(cr, col);
  cairo_fill(cr);
}

void DrawRibbon(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = NamedColor(Param(s.params, "color", "red"));
  double h = c.h * 0.5, y = c.y + (c.h - h) / 2;
  // tails
  for (int sd = -1; sd <= 1; sd += 2) {
    double x0 = sd < 0 ? c.x + 4 : c.x + c.w - 4;
    cairo_move_to(cr, x0, y + h * 0.25);
    cairo_line_to(cr, x0 - sd * c.w * 0.14, y + h * 0.25);
    cairo_line_to(cr, x0 - sd * c.w * 0.14, y + h * 1.2);
    cairo_line_to(cr, x0, y + h * 1.2);
    cairo_line_to(cr, x0 - sd * c.w * 0.05, y + h * 0.72);
    cairo_close_path(cr);
    SetColor(cr, Darken(col, 0.3));
    cairo_fill(cr);
  }
  RoundRect(cr, c.x + c.w * 0.1, y, c.w * 0.8, h, h * 0.2);
  VerticalGradientFill(cr, Lighten(col, 0.3), Darken(col, 0.1), y, y + h);
  SetColor(cr, {1, 0.85, 0.4, 1});
  cairo_set_line_width(cr, std::max(2.0, h * 0.05));
  cairo_stroke(cr);
  Star(cr, c.x + c.w / 2, y - h * 0.05, h * 0.3, h * 0.13, 5, 0);
  SetColor(cr, {1, 0.85, 0.3, 1});
  cairo_fill(cr);
  Text(cr, Param(s.params, "text"), c.x + c.w / 2, y + h / 2, h * 0.55, kWhite, kOutline, c.w * 0.72);
}

void DrawAvatar(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  bool empty = Param(s.params, "kind") == "empty";
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, r = std::min(c.w, c.h) / 2 - 2;
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  RGBA bg = empty ? (frame ? RGBA{0.30, 0.38, 0.55, 1} : RGBA{0.25, 0.28, 0.35, 1})
                  : (frame ? RGBA{0.35, 0.62, 0.9, 1} : RGBA{0.55, 0.62, 0.72, 1});
  VerticalGradientFill(cr, Lighten(bg, 0.2), Darken(bg, 0.2), c.y, c.y + c.h);
  cairo_save(cr);
  cairo_clip(cr);
  RGBA fg = empty ? RGBA{0.45, 0.48, 0.55, 1} : RGBA{0.95, 0.96, 1, 1};
  cairo_arc(cr, cx, cy - r * 0.18, r * 0.34, 0, 2 * kPi);
  SetColor(cr, fg);
  cairo_fill(cr);
  cairo_arc(cr, cx, cy + r * 0.95, r * 0.68, kPi, 2 * kPi);
  cairo_fill(cr);
  cairo_restore(cr);
  if (empty) Text(cr, "?", cx, cy - r * 0.18, r * 0.5, {0.25, 0.28, 0.35, 1}, {0, 0, 0, 0}, 0, "DejaVu Sans");
}

void DrawFrames(cairo_t* cr, const ImageSpec&, const Cell& c, int frame) {
  static const RGBA cols[7] = {{0.80, 0.82, 0.86, 1}, {0.98, 0.78, 0.22, 1}, {0.30, 0.80, 0.40, 1},
                               {0.30, 0.55, 0.95, 1}, {1.0, 0.55, 0.15, 1},  {0.62, 0.38, 0.88, 1},
                               {0.7, 0.7, 0.75, 0.4}};
  RGBA col = cols[frame % 7];
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, r = std::min(c.w, c.h) / 2 - 4;
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_arc_negative(cr, cx, cy, r * 0.84, 2 * kPi, 0);
  VerticalGradientFill(cr, Lighten(col, 0.4), Darken(col, 0.25), c.y, c.y + c.h);
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  SetColor(cr, Darken(col, 0.5));
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  if (frame == 4 || frame == 1) {
    Star(cr, cx + r * 0.7, cy - r * 0.7, r * 0.22, r * 0.1, 5, 0);
    SetColor(cr, {1, 0.95, 0.5, 1});
    cairo_fill(cr);
  }
}

void DrawDigits(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  bool gold = Param(s.params, "color") == "gold";
  RGBA fill = gold ? RGBA{1, 0.82, 0.2, 1} : kWhite;
  RGBA ol = gold ? RGBA{0.45, 0.18, 0, 1} : RGBA{0.05, 0.1, 0.25, 0.9};
  Text(cr, std::to_string(frame % 10), c.x + c.w / 2, c.y + c.h / 2, c.h * 0.82, fill, ol, c.w * 0.95,
       "DejaVu Sans", true, c.h * 0.08);
}

void DrawCloud(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  Rng rng(static_cast<unsigned>(ParamNum(s.params, "seed", 1)));
  int n = 7;
  for (int pass = 0; pass < 2; ++pass) {
    Rng r2 = rng;
    for (int i = 0; i < n; ++i) {
      double t = (i + 0.5) / n;
      double x = c.x + c.w * (0.12 + 0.76 * t);
      double rad = c.h * (0.22 + 0.2 * std::sin(t * kPi)) * (0.85 + 0.3 * r2.Next());
      double y = c.y + c.h * 0.62 - rad * 0.45;
      cairo_new_sub_path(cr);
      cairo_arc(cr, x, y + (pass == 0 ? 4 : 0), rad, 0, 2 * kPi);
    }
    cairo_new_sub_path(cr);
    RoundRect(cr, c.x + c.w * 0.08, c.y + c.h * 0.5 + (pass == 0 ? 4 : 0), c.w * 0.84, c.h * 0.3, c.h * 0.15);
    SetColor(cr, pass == 0 ? RGBA{0.55, 0.65, 0.8, 0.5} : RGBA{1, 1, 1, 0.95});
    cairo_fill(cr);
  }
}

void DrawSpinner(cairo_t* cr, const ImageSpec&, const Cell& c, int frame) {
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, r = std::min(c.w, c.h) * 0.36;
  for (int i = 0; i < 12; ++i) {
    int age = (frame - i + 12) % 12;
    double a = i * kPi / 6 - kPi / 2;
    cairo_arc(cr, cx + r * std::cos(a), cy + r * std::sin(a), std::min(c.w, c.h) * 0.075, 0, 2 * kPi);
    SetColor(cr, {1, 1, 1, 1.0 - age * 0.075});
    cairo_fill(cr);
  }
}

void DrawIconsSet(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  std::string set = Param(s.params, "set");
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, sz = std::min(c.w, c.h);
  auto well = [&](RGBA col) {
    RoundRect(cr, c.x + 3, c.y + 3, c.w - 6, c.h - 6, sz * 0.2);
    VerticalGradientFill(cr, Lighten(col, 0.25), Darken(col, 0.2), c.y, c.y + c.h);
    SetColor(cr, Darken(col, 0.45));
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
  };
  if (set == "ui") {
    static const char* names[30] = {"gift", "chip", "heart", "friend", "megaphone", "mail", "star", "clock",
                                    "gift", "ruby", "cup", "gear", "bag", "cart", "lock", "check",
                                    "close", "info", "question", "flag", "bell", "home", "card", "ticket",
                                    "crown", "medal", "fire", "lightning", "music", "speaker"};
    static const RGBA colors[6] = {{1, 0.8, 0.2, 1}, {1, 0.45, 0.45, 1}, {0.5, 0.8, 1, 1},
                                   {0.6, 1, 0.6, 1}, {1, 0.7, 0.4, 1},  {0.85, 0.7, 1, 1}};
    Icon(cr, names[frame % 30], cx, cy, sz * 0.8, colors[frame % 6]);
  } else if (set == "attack") {
    well(Hsv(frame * 30, 0.5, 0.8));
    // reuse the attack item drawing at icon size
    AttackItem(cr, frame, cx, cy, sz * 0.75, 0);
  } else if (set == "chars") {
    well(Hsv(frame * 30, 0.25, 0.95));
    Mascot(cr, cx, cy + sz * 0.08, sz * 0.3, frame * 30, frame, 0, 0.2);
  } else if (set == "chips") {
    well({0.15, 0.4, 0.3, 1});
    int n = 1 + frame * 2;
    for (int i = 0; i < n && i < 11; ++i) {
      int col = i / 4, row = i % 4;
      Chip(cr, cx - sz * 0.22 + col * sz * 0.22, cy + sz * 0.22 - row * sz * 0.1, sz * 0.17,
           Hsv(i * 50, 0.7, 0.85));
    }
  } else if (set == "rubies") {
    well({0.3, 0.1, 0.25, 1});
    int n = frame + 1;
    for (int i = 0; i < n; ++i) {
      double a = i * 2 * kPi / n;
      double rr = n == 1 ? 0 : sz * 0.18;
      Ruby(cr, cx + rr * std::cos(a), cy + rr * std::sin(a), sz * (0.28 - 0.02 * frame));
    }
  } else if (set == "items") {
    static const char* names[6] = {"right", "swap", "right", "kick", "ticket", "right"};
    static const RGBA colors[6] = {{0.2, 0.6, 0.9, 1}, {0.55, 0.3, 0.8, 1}, {0.2, 0.6, 0.9, 1},
                                   {0.85, 0.25, 0.2, 1}, {0.95, 0.55, 0.15, 1}, {0.2, 0.6, 0.9, 1}};
    well(colors[frame % 6]);
    Icon(cr, names[frame % 6], cx, cy, sz * 0.6, kWhite);
  } else if (set == "emopacks") {
    well(Hsv(frame * 60, 0.4, 0.9));
    EmoFace(cr, frame + 1, 0, 0, cx, cy, sz * 0.34);
  } else if (set == "bonus") {
    static const char* names[6] = {"chip", "ruby", "star", "star", "gift", "bag"};
    if (frame == 2 || frame == 3) {
      Star(cr, cx, cy, sz * 0.45, sz * 0.15, frame == 2 ? 4 : 8, frame == 3 ? 0.4 : 0);
      SetColor(cr, {1, 0.9, 0.4, 1});
      cairo_fill(cr);
    } else {
      Icon(cr, names[frame], cx, cy, sz * 0.85, {0.95, 0.4, 0.3, 1});
    }
  } else if (set == "free") {
    well({0.2, 0.65, 0.35, 1});
    Icon(cr, "smile", cx, cy - sz * 0.08, sz * 0.6, kWhite);
    Text(cr, "FREE", cx, cy + sz * 0.32, sz * 0.22, kWhite, kOutline, sz * 0.9);
  } else if (set == "medals" || set == "cups") {
    static const RGBA m[3] = {{1, 0.8, 0.2, 1}, {0.8, 0.82, 0.88, 1}, {0.85, 0.5, 0.25, 1}};
    Icon(cr, set == "medals" ? "medal" : "cup", cx, cy, sz * 0.9, m[frame % 3]);
    Text(cr, std::to_string(frame + 1), cx, set == "medals" ? cy + sz * 0.12 : cy - sz * 0.15, sz * 0.28,
         Darken(m[frame % 3], 0.6));
  } else if (set == "rubychip") {
    if (frame == 0) Ruby(cr, cx, cy, sz * 0.4); else Chip(cr, cx, cy, sz * 0.4, {0.85, 0.2, 0.2, 1});
  } else if (set == "channels") {
    static const char* names[5] = {"truemoney", "dtac happy", "12call", "zest", "molpoint"};
    static const RGBA colors[5] = {{0.95, 0.5, 0.1, 1}, {0.2, 0.55, 0.9, 1}, {0.1, 0.6, 0.3, 1},
                                   {0.8, 0.2, 0.5, 1}, {0.3, 0.3, 0.75, 1}};
    well(colors[frame % 5]);
    Text(cr, names[frame % 5], cx, cy, sz * 0.32, kWhite, kOutline, c.w * 0.85, "DejaVu Sans");
  } else if (set == "tip") {
    RadialGlow(cr, cx, cy - sz * 0.1, sz * 0.45, {1, 1, 0.6, 0.8}, {1, 1, 0.6, 0});
    cairo_arc(cr, cx, cy - sz * 0.1, sz * 0.25, 0, 2 * kPi);
    SetColor(cr, {1, 0.9, 0.3, 1});
    cairo_fill(cr);
    cairo_rectangle(cr, cx - sz * 0.1, cy + sz * 0.12, sz * 0.2, sz * 0.18);
    SetColor(cr, {0.5, 0.5, 0.55, 1});
    cairo_fill(cr);
  } else if (set == "coinonoff") {
    Coin(cr, cx, cy, sz * 0.45);
    if (frame == 0) {
      cairo_arc(cr, cx, cy, sz * 0.46, 0, 2 * kPi);
      SetColor(cr, {0.15, 0.15, 0.2, 0.6});
      cairo_fill(cr);
    }
  } else if (set == "cardoff" || set == "cardon") {
    bool on = set == "cardon";
    double w = c.w * 0.8, h = c.h * 0.86;
    RoundRect(cr, cx - w / 2, cy - h / 2, w, h, w * 0.12);
    SetColor(cr, on ? (frame ? RGBA{0.55, 0.3, 0.85, 1} : RGBA{0.2, 0.5, 0.95, 1}) : RGBA{0.35, 0.37, 0.42, 1});
    cairo_fill_preserve(cr);
    SetColor(cr, on ? kWhite : RGBA{0.6, 0.6, 0.65, 1});
    cairo_set_line_width(cr, std::max(1.0, w * 0.06));
    cairo_stroke(cr);
    Icon(cr, frame ? "swap" : "right", cx, cy, w * 0.7, on ? kWhite : RGBA{0.6, 0.6, 0.65, 1});
  } else if (set == "events") {
    well(Hsv(frame * 20, 0.55, 0.85));
    static const char* labels[18] = {"K", "KD", "KC", "KDC", "M", "S", "S", "+", "+", "+",
                                     "M", "-", "-", "-", "-", "-", "-", "-"};
    Text(cr, labels[frame % 18], cx, cy - sz * 0.1, sz * 0.38, kWhite, kOutline, c.w * 0.85, "DejaVu Sans");
    Text(cr, std::to_string(frame), cx, cy + sz * 0.3, sz * 0.2, {1, 1, 1, 0.8}, {0, 0, 0, 0}, 0,
         "DejaVu Sans");
  } else if (set == "crown") {
    Icon(cr, "crown", cx, cy, sz * 0.9, {1, 0.8, 0.15, 1});
    if (frame == 1) {
      Star(cr, cx + sz * 0.3, cy - sz * 0.3, sz * 0.16, sz * 0.06, 4, 0);
      SetColor(cr, kWhite);
      cairo_fill(cr);
    }
  }
}

void DrawLabels(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  auto texts = Split(Param(s.params, "texts"), ',');
  auto colors = Split(Param(s.params, "colors"), ',');
  std::string t = frame < static_cast<int>(texts.size()) ? texts[frame] : "";
  RGBA col = NamedColor(frame < static_cast<int>(colors.size()) ? colors[frame] : "grey");
  if (Param(s.params, "shape") == "badge") {
    double r = std::min(c.w, c.h) / 2 - 3;
    cairo_arc(cr, c.x + c.w / 2, c.y + c.h / 2, r, 0, 2 * kPi);
    VerticalGradientFill(cr, Lighten(col, 0.35), Darken(col, 0.2), c.y, c.y + c.h);
    SetColor(cr, Darken(col, 0.5));
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
  } else {
    RoundRect(cr, c.x + 3, c.y + 3, c.w - 6, c.h - 6, (c.h - 6) / 2);
    VerticalGradientFill(cr, Lighten(col, 0.3), Darken(col, 0.15), c.y, c.y + c.h);
  }
  Text(cr, t, c.x + c.w / 2, c.y + c.h / 2, std::min(c.h * 0.5, c.w * 0.4), IsLight(col) ? kBrown : kWhite,
       IsLight(col) ? RGBA{1, 1, 1, 0.5} : kOutline, c.w * 0.8, "DejaVu Sans");
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Attack items and emoticon faces are shared with the icon sheets.

void AttackItem(cairo_t* cr, int item, double cx, double cy, double s, double impact) {
  double r = s / 2;
  cairo_save(cr);
  switch (item) {
    case 0:  // hammer
      cairo_translate(cr, cx, cy);
      cairo_rotate(cr, -0.6 + impact * 0.9);
      cairo_rectangle(cr, -r * 0.08, -r * 0.2, r * 0.16, r * 1.0);
      SetColor(cr, {0.6, 0.4, 0.2, 1});
      cairo_fill(cr);
      RoundRect(cr, -r * 0.5, -r * 0.55, r * 1.0, r * 0.4, r * 0.08);
      SetColor(cr, {0.5, 0.52, 0.58, 1});
      cairo_fill(cr);
      break;
    case 1:  // bomb
      cairo_arc(cr, cx, cy + r * 0.1, r * 0.6, 0, 2 * kPi);
      SetColor(cr, {0.12, 0.12, 0.15, 1});
      cairo_fill(cr);
      cairo_move_to(cr, cx + r * 0.3, cy - r * 0.4);
      cairo_curve_to(cr, cx + r * 0.5, cy - r * 0.8, cx + r * 0.7, cy - r * 0.6, cx + r * 0.75, cy - r * 0.85);
      SetColor(cr, {0.7, 0.55, 0.3, 1});
      cairo_set_line_width(cr, r * 0.08);
      cairo_stroke(cr);
      Star(cr, cx + r * 0.78, cy - r * 0.88, r * 0.2, r * 0.08, 6, impact * 2);
      SetColor(cr, {1, 0.7, 0.1, 1});
      cairo_fill(cr);
      break;
    case 2:  // water balloon
      cairo_move_to(cr, cx, cy - r * 0.8);
      cairo_curve_to(cr, cx + r * 0.8, cy - r * 0.2, cx + r * 0.6, cy + r * 0.7, cx, cy + r * 0.7);
      cairo_curve_to(cr, cx - r * 0.6, cy + r * 0.7, cx - r * 0.8, cy - r * 0.2, cx, cy - r * 0.8);
      SetColor(cr, {0.3, 0.6, 1, 0.9});
      cairo_fill(cr);
      break;
    case 3:  // tomato
      cairo_arc(cr, cx, cy + r * 0.1, r * 0.6, 0, 2 * kPi);
      SetColor(cr, {0.9, 0.15, 0.1, 1});
      cairo_fill(cr);
      Star(cr, cx, cy - r * 0.45, r * 0.25, r * 0.1, 5, 0);
      SetColor(cr, {0.2, 0.6, 0.2, 1});
      cairo_fill(cr);
      break;
    case 4:  // kiss
      Suit(cr, 2, cx, cy, s * 0.8, {0.95, 0.25, 0.5, 1});
      Text(cr, "3", cx, cy, s * 0.35, kWhite, {0, 0, 0, 0}, 0, "DejaVu Sans");
      break;
    case 5:  // thunder
      Icon(cr, "lightning", cx, cy, s, {1, 0.9, 0.2, 1});
      break;
    case 6:  // missile
      cairo_translate(cr, cx, cy);
      cairo_rotate(cr, -0.7);
      RoundRect(cr, -r * 0.8, -r * 0.18, r * 1.4, r * 0.36, r * 0.18);
      SetColor(cr, {0.75, 0.78, 0.82, 1});
      cairo_fill(cr);
      cairo_move_to(cr, r * 0.6, -r * 0.18);
      cairo_line_to(cr, r * 0.9, 0);
      cairo_line_to(cr, r * 0.6, r * 0.18);
      SetColor(cr, {0.9, 0.2, 0.15, 1});
      cairo_fill(cr);
      break;
    case 7:  // glass
      cairo_move_to(cr, cx - r * 0.45, cy - r * 0.7);
      cairo_line_to(cr, cx + r * 0.45, cy - r * 0.7);
      cairo_line_to(cr, cx + r * 0.3, cy + r * 0.7);
      cairo_line_to(cr, cx - r * 0.3, cy + r * 0.7);
      cairo_close_path(cr);
      SetColor(cr, {0.75, 0.9, 1, 0.75});
      cairo_fill_preserve(cr);
      SetColor(cr, {0.4, 0.6, 0.8, 1});
      cairo_set_line_width(cr, r * 0.06);
      cairo_stroke(cr);
      break;
    case 8:  // pie
      cairo_arc(cr, cx, cy, r * 0.65, 0, kPi);
      SetColor(cr, {0.8, 0.55, 0.25, 1});
      cairo_fill(cr);
      cairo_save(cr);
      cairo_translate(cr, cx, cy);
      cairo_scale(cr, 1, 0.35);
      cairo_arc(cr, 0, 0, r * 0.7, 0, 2 * kPi);
      cairo_restore(cr);
      SetColor(cr, {1, 0.97, 0.9, 1});
      cairo_fill(cr);
      break;
    case 9:  // snowball
      cairo_arc(cr, cx, cy, r * 0.6, 0, 2 * kPi);
      SetColor(cr, {0.95, 0.97, 1, 1});
      cairo_fill_preserve(cr);
      SetColor(cr, {0.6, 0.7, 0.85, 1});
      cairo_set_line_width(cr, r * 0.05);
      cairo_stroke(cr);
      break;
    case 10:  // flower
      for (int i = 0; i < 6; ++i) {
        double a = i * kPi / 3;
        cairo_arc(cr, cx + r * 0.35 * std::cos(a), cy + r * 0.35 * std::sin(a), r * 0.28, 0, 2 * kPi);
        SetColor(cr, {1, 0.55, 0.75, 1});
        cairo_fill(cr);
      }
      cairo_arc(cr, cx, cy, r * 0.22, 0, 2 * kPi);
      SetColor(cr, {1, 0.85, 0.2, 1});
      cairo_fill(cr);
      break;
    default:  // gift
      Icon(cr, "gift", cx, cy, s, {0.3, 0.6, 0.95, 1});
      break;
  }
  cairo_restore(cr);
}

// Emoticon face for set (1..6), emotion (0..8) and animation step (0..3).
void EmoFace(cairo_t* cr, int set, int emotion, int step, double cx, double cy, double r) {
  static const double hues[7] = {0, 48, 30, 25, 330, 110, 55};
  RGBA face = Hsv(hues[set % 7], set == 1 || set == 6 ? 0.75 : 0.45, 1.0);
  if (set == 3) face = {0.72, 0.5, 0.3, 1};
  double bounce = (step % 2) ? -r * 0.06 : 0;
  cy += bounce;
  // ears / shape per set
  cairo_save(cr);
  SetColor(cr, Darken(face, 0.1));
  if (set == 2) {  // cat ears
    for (int sd = -1; sd <= 1; sd += 2) {
      cairo_move_to(cr, cx + sd * r * 0.3, cy - r * 0.8);
      cairo_line_to(cr, cx + sd * r * 0.8, cy - r * 1.15);
      cairo_line_to(cr, cx + sd * r * 0.9, cy - r * 0.4);
      cairo_close_path(cr);
    }
    cairo_fill(cr);
  } else if (set == 3) {  // bear ears
    cairo_arc(cr, cx - r * 0.7, cy - r * 0.7, r * 0.3, 0, 2 * kPi);
    cairo_arc(cr, cx + r * 0.7, cy - r * 0.7, r * 0.3, 0, 2 * kPi);
    cairo_fill(cr);
  } else if (set == 4) {  // bunny ears
    for (int sd = -1; sd <= 1; sd += 2) {
      cairo_save(cr);
      cairo_translate(cr, cx + sd * r * 0.35, cy - r * 1.05);
      cairo_scale(cr, 0.22, 0.6);
      cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
      cairo_restore(cr);
      cairo_fill(cr);
    }
  } else if (set == 5) {  // frog eyes
    cairo_arc(cr, cx - r * 0.45, cy - r * 0.75, r * 0.3, 0, 2 * kPi);
    cairo_arc(cr, cx + r * 0.45, cy - r * 0.75, r * 0.3, 0, 2 * kPi);
    cairo_fill(cr);
  }
  if (set == 6)
    Star(cr, cx, cy, r * 1.1, r * 0.72, 5, 0);
  else
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.4, r * 0.1, cx, cy, r * 1.1);
  RGBA hi = Lighten(face, 0.5);
  cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
  cairo_pattern_add_color_stop_rgb(p, 1, face.r, face.g, face.b);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColor(cr, Darken(face, 0.45));
  cairo_set_line_width(cr, std::max(1.0, r * 0.06));
  cairo_stroke(cr);
  RGBA ink{0.18, 0.1, 0.06, 1};
  double ey = cy - r * 0.18, ex = r * 0.35, lw = r * 0.09;
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  auto dot_eyes = [&](double sz) {
    SetColor(cr, ink);
    cairo_arc(cr, cx - ex, ey, r * sz, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_arc(cr, cx + ex, ey, r * sz, 0, 2 * kPi);
    cairo_fill(cr);
  };
  auto arc_eyes = [&](bool up) {
    SetColor(cr, ink);
    cairo_set_line_width(cr, lw);
    for (int sd = -1; sd <= 1; sd += 2) {
      cairo_new_sub_path(cr);
      if (up) cairo_arc_negative(cr, cx + sd * ex, ey + r * 0.06, r * 0.14, 0, kPi);
      else cairo_arc(cr, cx + sd * ex, ey - r * 0.06, r * 0.14, 0, kPi);
    }
    cairo_stroke(cr);
  };
  SetColor(cr, ink);
  cairo_set_line_width(cr, lw);
  switch (emotion) {
    case 0:  // happy
      dot_eyes(0.1);
      cairo_arc(cr, cx, cy + r * 0.05, r * 0.45, 0.3, kPi - 0.3);
      SetColor(cr, ink);
      cairo_stroke(cr);
      break;
    case 1:  // laughing
      arc_eyes(true);
      cairo_move_to(cr, cx - r * 0.45, cy + r * 0.15);
      cairo_arc_negative(cr, cx, cy + r * 0.15, r * 0.45, kPi, 0);
      cairo_close_path(cr);
      SetColor(cr, {0.6, 0.1, 0.1, 1});
      cairo_fill(cr);
      Text(cr, "HA", cx + r * 0.9, cy - r * (0.9 + 0.1 * step), r * 0.35, {0.9, 0.2, 0.1, 1});
      break;
    case 2:  // love
      for (int sd = -1; sd <= 1; sd += 2) Suit(cr, 2, cx + sd * ex, ey, r * (0.34 + 0.05 * (step % 2)), {0.95, 0.15, 0.3, 1});
      cairo_arc(cr, cx, cy + r * 0.2, r * 0.25, 0.3, kPi - 0.3);
      SetColor(cr, ink);
      cairo_stroke(cr);
      Suit(cr, 2, cx + r * 0.75, cy - r * (0.6 + 0.12 * step), r * 0.3, {1, 0.3, 0.45, 0.9});
      break;
    case 3:  // angry
      for (int sd = -1; sd <= 1; sd += 2) {
        cairo_move_to(cr, cx + sd * r * 0.55, ey - r * 0.25);
        cairo_line_to(cr, cx + sd * r * 0.15, ey - r * 0.08);
      }
      cairo_stroke(cr);
      dot_eyes(0.09);
      cairo_arc_negative(cr, cx, cy + r * 0.55, r * 0.3, -0.4, -kPi + 0.4);
      cairo_stroke(cr);
      Icon(cr, "fire", cx + r * 0.8, cy - r * (0.8 + 0.08 * (step % 2)), r * 0.5, {1, 0.3, 0.1, 1});
      break;
    case 4:  // crying
      arc_eyes(false);
      cairo_arc_negative(cr, cx, cy + r * 0.55, r * 0.25, -0.4, -kPi + 0.4);
      cairo_stroke(cr);
      for (int sd = -1; sd <= 1; sd += 2) {
        cairo_arc(cr, cx + sd * ex, ey + r * (0.25 + 0.15 * step), r * 0.09, 0, 2 * kPi);
        SetColor(cr, {0.3, 0.6, 1, 0.95});
        cairo_fill(cr);
      }
      break;
    case 5:  // surprised
      dot_eyes(0.14 + 0.02 * (step % 2));
      cairo_arc(cr, cx, cy + r * 0.35, r * (0.14 + 0.04 * (step % 2)), 0, 2 * kPi);
      SetColor(cr, ink);
      cairo_fill(cr);
      Text(cr, "!", cx + r * 0.85, cy - r * 0.85, r * 0.5, {0.95, 0.2, 0.1, 1});
      break;
    case 6:  // cool
      RoundRect(cr, cx - r * 0.7, ey - r * 0.15, r * 0.6, r * 0.3, r * 0.1);
      RoundRect(cr, cx + r * 0.1, ey - r * 0.15, r * 0.6, r * 0.3, r * 0.1);
      SetColor(cr, {0.05, 0.05, 0.08, 1});
      cairo_fill(cr);
      cairo_arc(cr, cx + r * 0.1, cy + r * 0.25, r * 0.25, 0.2, kPi - 0.8);
      SetColor(cr, ink);
      cairo_stroke(cr);
      Star(cr, cx - r * 0.5 + step * r * 0.15, ey - r * 0.05, r * 0.1, r * 0.04, 4, 0);
      SetColor(cr, kWhite);
      cairo_fill(cr);
      break;
    case 7:  // wink
      SetColor(cr, ink);
      cairo_arc(cr, cx - ex, ey, r * 0.1, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_move_to(cr, cx + ex - r * 0.14, ey);
      cairo_line_to(cr, cx + ex + r * 0.14, ey);
      cairo_stroke(cr);
      cairo_arc(cr, cx, cy + r * 0.1, r * 0.35, 0.4, kPi - 0.4);
      cairo_stroke(cr);
      Star(cr, cx + r * 0.85, cy - r * 0.5, r * (0.15 + 0.05 * step), r * 0.06, 4, 0);
      SetColor(cr, {1, 0.85, 0.2, 1});
      cairo_fill(cr);
      break;
    default:  // sleepy
      for (int sd = -1; sd <= 1; sd += 2) {
        cairo_move_to(cr, cx + sd * ex - r * 0.14, ey);
        cairo_line_to(cr, cx + sd * ex + r * 0.14, ey);
      }
      cairo_stroke(cr);
      cairo_arc(cr, cx, cy + r * 0.35, r * 0.1, 0, 2 * kPi);
      SetColor(cr, ink);
      cairo_fill(cr);
      Text(cr, "z", cx + r * (0.7 + 0.1 * step), cy - r * (0.6 + 0.15 * step), r * (0.3 + 0.05 * step),
           {0.3, 0.4, 0.9, 1});
      break;
  }
  cairo_restore(cr);
}

namespace {

void DrawEmoticons(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  int set = static_cast<int>(ParamNum(s.params, "set", 1));
  EmoFace(cr, set, frame / 4, frame % 4, c.x + c.w / 2, c.y + c.h / 2 + 6, std::min(c.w, c.h) * 0.34);
}

void DrawAttack(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  int item = static_cast<int>(ParamNum(s.params, "item", 0));
  int n = s.cols * s.rows;
  double t = n > 1 ? static_cast<double>(frame) / (n - 1) : 0;
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, sz = std::min(c.w, c.h);
  if (frame == n - 1) {
    // The mark the item leaves on the avatar.
    RadialGlow(cr, cx, cy, sz * 0.45, Hsv(item * 30, 0.6, 1, 0.6), Hsv(item * 30, 0.6, 1, 0));
    AttackItem(cr, item, cx, cy, sz * 0.5, 1);
    Star(cr, cx + sz * 0.25, cy - sz * 0.25, sz * 0.12, sz * 0.05, 4, 0);
    SetColor(cr, kWhite);
    cairo_fill(cr);
    return;
  }
  double grow = t < 0.5 ? 0.5 + t : 1.0;
  if (t > 0.5) {
    // impact: expanding burst behind the item
    double k = (t - 0.5) * 2;
    Star(cr, cx, cy, sz * (0.2 + 0.3 * k), sz * (0.1 + 0.12 * k), 10, k);
    SetColor(cr, {1, 0.85 - 0.4 * k, 0.2, 0.9 - 0.5 * k});
    cairo_fill(cr);
  }
  AttackItem(cr, item, cx, cy - (t < 0.5 ? sz * 0.15 * (0.5 - t) : 0), sz * 0.6 * grow, t);
}

void DrawCharacter(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  int idx = static_cast<int>(ParamNum(s.params, "index", 0));
  int row = frame / 4, step = frame % 4;
  double cx = c.x + c.w / 2, cy = c.y + c.h * 0.58, r = std::min(c.w, c.h * 0.8) * 0.32;
  double bob = (step % 2) ? -2 : 0;
  int mood = row == 2 ? 2 : (step == 3 && row == 0 ? 1 : 0);
  double arms = row == 2 ? 0.9 + 0.1 * (step % 2) : (row == 1 ? 0.45 : 0.1 + 0.05 * step);
  if (row == 2) {
    RadialGlow(cr, cx, cy, r * 1.6, {1, 0.9, 0.4, 0.5}, {1, 0.9, 0.4, 0});
  }
  Mascot(cr, cx, cy + bob, r, idx * 30, idx, mood, arms);
  if (row == 1) MiniCard(cr, cx + r * 1.05, cy + r * 0.1 + bob, r * 0.55, 10 + step * 6, true, {0.2, 0.3, 0.7, 1});
  if (row == 2) {
    Star(cr, cx + (step - 1.5) * r * 0.5, c.y + c.h * 0.1, r * 0.22, r * 0.09, 5, step * 0.3);
    SetColor(cr, {1, 0.85, 0.2, 1});
    cairo_fill(cr);
  }
}

void DrawMascotStyle(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  std::string pose = Param(s.params, "pose");
  double hue = ParamNum(s.params, "hue", 30);
  double cx = c.x + c.w / 2, cy = c.y + c.h * 0.58, r = std::min(c.w, c.h) * 0.3;
  if (pose == "group") {
    for (int i = 0; i < 5; ++i)
      Mascot(cr, c.x + c.w * (0.12 + 0.19 * i), c.y + c.h * (i % 2 ? 0.62 : 0.55), c.h * 0.2, i * 70, i, 2, 0.7);
    return;
  }
  int mood = 0;
  double arms = 0.2;
  if (pose == "wave") { arms = 0.3 + 0.5 * std::fabs(std::sin(frame * kPi / 4)); mood = frame == 5 ? 1 : 2; cy += (frame % 2) * -3; }
  if (pose == "guide") { static const double a[4] = {0.2, 0.6, 0.4, 1.0}; arms = a[frame % 4]; mood = frame == 3 ? 2 : 0; }
  if (pose == "sad") { mood = 3; arms = 0.05; cy += frame % 2 ? 2 : 0; }
  if (pose == "pen") { arms = 0.5; }
  Mascot(cr, cx, cy, r, hue, static_cast<int>(hue / 30), mood, arms);
  if (pose == "guide" && frame == 2) Text(cr, "?", cx + r * 1.2, cy - r * 1.2, r * 0.7, {1, 1, 1, 1}, kOutline);
  if (pose == "pen") {
    cairo_move_to(cr, cx + r * 1.2, cy - r * 0.4);
    cairo_line_to(cr, cx + r * 1.5, cy - r * 1.3);
    SetColor(cr, {0.9, 0.6, 0.1, 1});
    cairo_set_line_width(cr, r * 0.14);
    cairo_stroke(cr);
  }
}

// ---------------------------------------------------------------------------------------
// Animations: frame-by-frame motifs, each frame visibly different.

void DrawAnim(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  std::string m = Param(s.params, "motif");
  double hue = ParamNum(s.params, "hue", 45);
  int n = s.cols * s.rows;
  double t = n > 1 ? static_cast<double>(frame) / n : 0;  // 0..1, wraps cleanly for loops
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, sz = std::min(c.w, c.h);
  RGBA main = Hsv(hue, 0.7, 1.0);
  auto glow = [&](double k) {
    RadialGlow(cr, cx, cy, sz * 0.5, Hsv(hue, 0.5, 1, 0.45 * k), Hsv(hue, 0.5, 1, 0));
  };
  if (m == "cardfan") {
    // The fan opens and closes while a lifted card walks across it, so no two frames match.
    double open = n > 1 ? 0.35 + 0.65 * std::sin(t * kPi) : 1;
    int cards = 5, lifted = n > 1 ? frame % cards : -1;
    for (int i = 0; i < cards; ++i) {
      double a = (i - 2) * 18 * open;
      cairo_save(cr);
      cairo_translate(cr, cx, cy + sz * 0.3);
      cairo_rotate(cr, a * kPi / 180);
      MiniCard(cr, 0, -sz * (i == lifted ? 0.36 : 0.28), sz * 0.32, 0, i == lifted || open > 0.6,
               Hsv(hue, 0.6, 0.7));
      cairo_restore(cr);
    }
  } else if (m == "levelup") {
    glow(0.6 + 0.4 * std::sin(t * 2 * kPi));
    for (int i = 0; i < 12; ++i) {
      double a = i * kPi / 6 + t * kPi / 3;
      cairo_move_to(cr, cx, cy);
      cairo_line_to(cr, cx + sz * std::cos(a - 0.06), cy + sz * std::sin(a - 0.06));
      cairo_line_to(cr, cx + sz * std::cos(a + 0.06), cy + sz * std::sin(a + 0.06));
      cairo_close_path(cr);
    }
    SetColor(cr, {1, 0.9, 0.5, 0.25});
    cairo_fill(cr);
    Text(cr, "LEVEL UP", cx, cy, sz * (0.2 + 0.03 * frame), {1, 0.85, 0.2, 1}, {0.45, 0.15, 0, 1}, c.w * 0.9);
  } else if (m == "chips") {
    double h = std::fabs(std::sin(t * kPi)) * sz * 0.25;
    for (int i = 0; i < 5; ++i)
      Chip(cr, cx, cy + sz * 0.3 - i * sz * 0.08 - (i == 4 ? h : 0), sz * 0.22, Hsv(hue + i * 40, 0.7, 0.9));
  } else if (m == "trophy" || m == "medal") {
    glow(0.5 + 0.5 * std::sin(t * 2 * kPi));
    Icon(cr, m == "trophy" ? "trophy" : "medal", cx, cy, sz * 0.75, {1, 0.8, 0.2, 1});
    Star(cr, cx - sz * 0.25 + t * sz * 0.5, cy - sz * 0.25, sz * 0.08, sz * 0.03, 4, 0);
    SetColor(cr, kWhite);
    cairo_fill(cr);
  } else if (m == "points") {
    glow(0.5);
    Text(cr, "+" + std::to_string((frame + 1) * 25), cx, cy - t * sz * 0.1, sz * 0.35, {1, 0.85, 0.25, 1},
         {0.4, 0.15, 0, 1});
    cairo_move_to(cr, cx - sz * 0.35, cy + sz * 0.35);
    cairo_line_to(cr, cx - sz * 0.35 + sz * 0.7 * (frame + 1) / n, cy + sz * 0.35);
    SetColor(cr, main);
    cairo_set_line_width(cr, sz * 0.06);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
  } else if (m == "lamp") {
    double k = 0.6 + 0.4 * std::sin(t * 2 * kPi * 2) * std::sin(t * 2 * kPi * 3 + 1);
    RadialGlow(cr, cx, c.y + c.h * 0.3, c.w * 0.55, {1, 0.85, 0.45, 0.6 * k}, {1, 0.85, 0.45, 0});
    cairo_move_to(cr, cx - c.w * 0.3, c.y + c.h * 0.38);
    cairo_line_to(cr, cx - c.w * 0.15, c.y + c.h * 0.18);
    cairo_line_to(cr, cx + c.w * 0.15, c.y + c.h * 0.18);
    cairo_line_to(cr, cx + c.w * 0.3, c.y + c.h * 0.38);
    cairo_close_path(cr);
    SetColor(cr, {0.75, 0.3, 0.2, 1});
    cairo_fill(cr);
    cairo_rectangle(cr, cx - 3, c.y + c.h * 0.38, 6, c.h * 0.5);
    cairo_rectangle(cr, cx - c.w * 0.2, c.y + c.h * 0.88, c.w * 0.4, 8);
    SetColor(cr, {0.3, 0.22, 0.15, 1});
    cairo_fill(cr);
  } else if (m == "plant") {
    double sway = std::sin(t * 2 * kPi) * 0.12;
    cairo_rectangle(cr, cx - sz * 0.2, c.y + c.h * 0.72, sz * 0.4, c.h * 0.25);
    SetColor(cr, {0.65, 0.35, 0.2, 1});
    cairo_fill(cr);
    for (int i = 0; i < 7; ++i) {
      double a = -kPi / 2 + (i - 3) * 0.35 + sway * (1 + i % 3);
      cairo_save(cr);
      cairo_translate(cr, cx, c.y + c.h * 0.72);
      cairo_rotate(cr, a + kPi / 2);
      cairo_scale(cr, 0.25, 1);
      cairo_arc(cr, 0, -sz * 0.3, sz * 0.3, 0, 2 * kPi);
      cairo_restore(cr);
      SetColor(cr, Hsv(110 + i * 6, 0.6, 0.55 + 0.05 * (i % 3)));
      cairo_fill(cr);
    }
  } else if (m == "pulse") {
    double k = 0.5 + 0.5 * std::cos(t * 2 * kPi);
    cairo_arc(cr, cx, cy, sz * (0.36 + 0.08 * k), 0, 2 * kPi);
    SetColor(cr, {0.9, 0.15, 0.15, 0.35 + 0.45 * k});
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, sz * 0.33, 0, 2 * kPi);
    SetColor(cr, {0.2, 0.05, 0.05, 0.85});
    cairo_fill(cr);
  } else if (m == "turnring") {
    RoundRect(cr, c.x + 10, c.y + 10, c.w - 20, c.h - 20, 40);
    SetColor(cr, {1, 0.85, 0.3, 0.35});
    cairo_set_line_width(cr, 8);
    cairo_stroke(cr);
    double per = 2 * (c.w - 20) + 2 * (c.h - 20);
    for (int k = 0; k < 3; ++k) {
      double d = std::fmod((t + k * 0.04) * per, per);
      double x, y;
      double w = c.w - 20, h = c.h - 20;
      if (d < w) { x = d; y = 0; } else if (d < w + h) { x = w; y = d - w; }
      else if (d < 2 * w + h) { x = w - (d - w - h); y = h; } else { x = 0; y = h - (d - 2 * w - h); }
      RadialGlow(cr, c.x + 10 + x, c.y + 10 + y, 40 - k * 10, {1, 1, 0.7, 1 - k * 0.3}, {1, 0.9, 0.3, 0});
    }
  } else if (m == "hourglass") {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    double rot = frame >= n - 2 ? (frame - (n - 2) + 1) * kPi / 3 : 0;
    cairo_rotate(cr, rot);
    double w = sz * 0.3, h = sz * 0.38;
    cairo_move_to(cr, -w, -h); cairo_line_to(cr, w, -h); cairo_line_to(cr, 0, 0);
    cairo_line_to(cr, w, h); cairo_line_to(cr, -w, h); cairo_line_to(cr, 0, 0); cairo_close_path(cr);
    SetColor(cr, {0.85, 0.92, 1, 0.5});
    cairo_fill_preserve(cr);
    SetColor(cr, {0.4, 0.28, 0.15, 1});
    cairo_set_line_width(cr, 6);
    cairo_stroke(cr);
    double sand = std::min(1.0, t * n / (n - 2.0));
    double top_h = h * (1 - sand) * 0.9, bot_h = h * sand * 0.9;
    cairo_move_to(cr, -w * top_h / h, -top_h); cairo_line_to(cr, w * top_h / h, -top_h); cairo_line_to(cr, 0, 0);
    cairo_close_path(cr);
    cairo_move_to(cr, -w, h); cairo_line_to(cr, w, h); cairo_line_to(cr, w * (1 - bot_h / h), h - bot_h);
    cairo_line_to(cr, -w * (1 - bot_h / h), h - bot_h); cairo_close_path(cr);
    SetColor(cr, main);
    cairo_fill(cr);
    cairo_restore(cr);
  } else if (m == "countdown") {
    int num = 3 - frame / 4;
    double k = (frame % 4) / 4.0;
    cairo_arc(cr, cx, cy, sz * 0.4, -kPi / 2, -kPi / 2 + 2 * kPi * (1 - k));
    SetColor(cr, main);
    cairo_set_line_width(cr, sz * 0.06);
    cairo_stroke(cr);
    Text(cr, std::to_string(std::max(1, num)), cx, cy, sz * (0.5 - 0.1 * k), {1, 1, 1, 1 - 0.4 * k}, kOutline);
  } else if (m == "sweat") {
    double k = 0.5 + 0.5 * std::sin(t * 2 * kPi);
    RoundRect(cr, c.x + 4, c.y + 4, c.w - 8, c.h - 8, 8);
    SetColor(cr, {1, 0.9, 0.3, 0.3 + 0.6 * k});
    cairo_set_line_width(cr, 3 + 4 * k);
    cairo_stroke(cr);
    cairo_arc(cr, c.x + c.w * 0.8, c.y + c.h * (0.15 + 0.5 * t), c.w * 0.08, 0, 2 * kPi);
    SetColor(cr, {0.4, 0.7, 1, 0.9});
    cairo_fill(cr);
  } else if (m == "flame") {
    for (int i = 0; i < 3; ++i) {
      double f = 1 - i * 0.28, wob = std::sin(t * 2 * kPi + i) * 0.08;
      cairo_save(cr);
      cairo_translate(cr, cx, cy + sz * 0.1);
      cairo_scale(cr, f * (1 + wob), f * (1 - wob));
      Icon(cr, "fire", 0, 0, sz * 0.9, i == 0 ? RGBA{0.95, 0.3, 0.1, 1} : (i == 1 ? RGBA{1, 0.6, 0.1, 1} : RGBA{1, 0.9, 0.3, 1}));
      cairo_restore(cr);
    }
  } else if (m == "winner") {
    double in = std::min(1.0, (frame + 1) / 8.0);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 0.4 + 0.6 * in, 0.4 + 0.6 * in);
    RoundRect(cr, -c.w * 0.46, -c.h * 0.38, c.w * 0.92, c.h * 0.76, c.h * 0.2);
    SetColor(cr, {0.75, 0.1, 0.15, in});
    cairo_fill_preserve(cr);
    SetColor(cr, {1, 0.85, 0.3, in});
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    Text(cr, "WINNER", 0, 0, c.h * 0.5, {1, 0.9, 0.3, in}, {0.35, 0.05, 0, in}, c.w * 0.85);
    cairo_restore(cr);
    if (frame >= 7) {
      double sx = c.x + c.w * (0.1 + 0.85 * (frame - 7) / 25.0);
      cairo_save(cr);
      RoundRect(cr, c.x + c.w * 0.04, c.y + c.h * 0.12, c.w * 0.92, c.h * 0.76, c.h * 0.2);
      cairo_clip(cr);
      cairo_move_to(cr, sx - 10, c.y); cairo_line_to(cr, sx + 10, c.y);
      cairo_line_to(cr, sx - 10, c.y + c.h); cairo_line_to(cr, sx - 30, c.y + c.h); cairo_close_path(cr);
      SetColor(cr, {1, 1, 1, 0.55});
      cairo_fill(cr);
      cairo_restore(cr);
    }
  } else if (m == "knock" || m == "knock2" || m == "boom" || m == "warnspecial" || m == "warnmission") {
    double k = std::min(1.0, (frame + 1) / (n * 0.5));
    double spin = t * kPi / 2;
    Star(cr, cx, cy, sz * (0.25 + 0.25 * k), sz * (0.15 + 0.12 * k), m == "boom" ? 14 : 10, spin);
    SetColor(cr, Hsv(hue, 0.8, 1, 0.9));
    cairo_fill(cr);
    if (m == "boom") {
      for (int i = 0; i < 6; ++i) {
        double a = i * kPi / 3 + t;
        cairo_arc(cr, cx + sz * 0.45 * k * std::cos(a), cy + sz * 0.45 * k * std::sin(a), sz * 0.06 * (1.2 - k), 0, 2 * kPi);
        SetColor(cr, {0.3, 0.3, 0.3, 0.8});
        cairo_fill(cr);
      }
      Text(cr, "BOOM", cx, cy, sz * 0.28 * k, kWhite, kOutline);
    } else if (m == "warnspecial" || m == "warnmission") {
      bool blink = frame % 2 == 0;
      MiniCard(cr, cx - sz * 0.25, cy, sz * 0.3, -10, true, {0.2, 0.3, 0.7, 1});
      cairo_move_to(cr, cx + sz * 0.25, cy - sz * 0.3);
      cairo_line_to(cr, cx + sz * 0.55, cy + sz * 0.25);
      cairo_line_to(cr, cx - sz * 0.05, cy + sz * 0.25);
      cairo_close_path(cr);
      SetColor(cr, blink ? RGBA{1, 0.85, 0.1, 1} : RGBA{1, 0.6, 0.1, 1});
      cairo_fill(cr);
      Text(cr, "!", cx + sz * 0.25, cy + sz * 0.05, sz * 0.35, kBrown);
      Text(cr, m == "warnspecial" ? "SPECIAL" : "MISSION", cx, c.y + c.h * 0.88, sz * 0.16, kWhite, kOutline, c.w * 0.9);
    } else {
      Text(cr, m == "knock" ? "น็อค" : "น็อคมืด", cx, cy, sz * 0.3 * (0.6 + 0.4 * k), kWhite, kOutline, c.w * 0.9);
    }
  } else if (m == "feed") {
    MiniCard(cr, cx, c.y + c.h * (0.15 + 0.6 * t), sz * 0.35, t * 300, frame % 2 == 0, {0.2, 0.3, 0.7, 1});
    Text(cr, "-", cx + sz * 0.6, cy, sz * 0.3, {1, 0.3, 0.3, 1}, kOutline);
  } else if (m == "minus") {
    Text(cr, "-" + std::to_string(10 * (1 + frame)), cx, c.y + c.h * (0.3 + 0.45 * t), sz * 0.35,
         {1, 0.35, 0.4, 1 - 0.6 * t}, kOutline);
  } else if (m == "roundend") {
    for (int i = 0; i < 6; ++i) {
      double a = i * kPi / 3;
      double d = sz * 0.38 * (1 - t);
      MiniCard(cr, cx + d * std::cos(a), cy + d * std::sin(a), sz * 0.18, a * 57 + t * 90, true, {0.2, 0.3, 0.7, 1});
    }
    if (t > 0.6) Text(cr, "KNOCK!", cx, cy, sz * 0.2 * (t + 0.2), {1, 0.85, 0.2, 1}, kOutline, c.w * 0.9);
  } else if (m == "goldcard") {
    double sq = std::cos(t * 2 * kPi);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, std::max(0.05, std::fabs(sq)), 1);
    RoundRect(cr, -sz * 0.3, -sz * 0.4, sz * 0.6, sz * 0.8, sz * 0.06);
    SetColor(cr, sq < 0 ? RGBA{1, 0.82, 0.2, 1} : RGBA{1, 1, 1, 1});
    cairo_fill_preserve(cr);
    SetColor(cr, {0.6, 0.4, 0.05, 1});
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    Star(cr, 0, 0, sz * 0.2, sz * 0.08, 5, 0);
    SetColor(cr, {0.95, 0.6, 0.05, 1});
    cairo_fill(cr);
    cairo_restore(cr);
  } else if (m == "coinspin") {
    Coin(cr, cx, cy, sz * 0.4, std::cos(t * 2 * kPi));
  } else if (m == "alarm") {
    double a = (frame % 2 ? 1 : -1) * 0.25;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, a);
    cairo_arc(cr, 0, 0, sz * 0.35, 0, 2 * kPi);
    SetColor(cr, {0.9, 0.2, 0.2, 1});
    cairo_fill(cr);
    cairo_arc(cr, 0, 0, sz * 0.28, 0, 2 * kPi);
    SetColor(cr, kWhite);
    cairo_fill(cr);
    cairo_move_to(cr, 0, -sz * 0.2); cairo_line_to(cr, 0, 0); cairo_line_to(cr, sz * 0.12, sz * 0.08);
    SetColor(cr, {0.1, 0.1, 0.1, 1});
    cairo_set_line_width(cr, sz * 0.04);
    cairo_stroke(cr);
    cairo_restore(cr);
    for (int sd = -1; sd <= 1; sd += 2) {
      cairo_arc(cr, cx + sd * sz * (0.5 + 0.04 * frame), cy, sz * 0.1, -0.8, 0.8);
      SetColor(cr, {1, 0.3, 0.3, 0.8});
      cairo_set_line_width(cr, 3);
      cairo_stroke(cr);
    }
  } else {
    glow(1);
    Text(cr, std::to_string(frame), cx, cy, sz * 0.4, kWhite, kOutline);
  }
}

// ---------------------------------------------------------------------------------------
// Table pieces

void DrawTimer(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  RGBA col = NamedColor(Param(s.params, "color", "green"));
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, r = std::min(c.w, c.h) / 2 - 8;
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  SetColor(cr, Lighten(col, 0.2));
  cairo_set_line_width(cr, 12);
  cairo_stroke(cr);
  cairo_arc(cr, cx, cy, r + 6, 0, 2 * kPi);
  SetColor(cr, {1, 1, 1, 0.7});
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
}

void DrawTurnGlow(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  for (int i = 0; i < 10; ++i) {
    RoundRect(cr, c.x + i * 3, c.y + i * 3, c.w - i * 6, c.h - i * 6, 60 - i * 3);
    SetColor(cr, {1, 0.85, 0.3, 0.035 * (i + 1)});
    cairo_set_line_width(cr, 6);
    cairo_stroke(cr);
  }
}

void DrawDirection(cairo_t* cr, const ImageSpec&, const Cell& c, int frame) {
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, r = std::min(c.w, c.h) * 0.36;
  bool cw = frame == 0;
  for (int i = 0; i < 2; ++i) {
    double a0 = i * kPi + 0.3, a1 = a0 + kPi - 0.6;
    if (cw) cairo_arc(cr, cx, cy, r, a0, a1); else cairo_arc_negative(cr, cx, cy, r, a1, a0);
    SetColor(cr, {1, 0.85, 0.3, 1});
    cairo_set_line_width(cr, r * 0.2);
    cairo_stroke(cr);
    double ae = cw ? a1 : a0, dir = cw ? 1 : -1;
    double ex = cx + r * std::cos(ae), ey = cy + r * std::sin(ae);
    double tx = -std::sin(ae) * dir, ty = std::cos(ae) * dir;
    cairo_move_to(cr, ex + tx * r * 0.35, ey + ty * r * 0.35);
    cairo_line_to(cr, ex + std::cos(ae) * r * 0.25, ey + std::sin(ae) * r * 0.25);
    cairo_line_to(cr, ex - std::cos(ae) * r * 0.25, ey - std::sin(ae) * r * 0.25);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  Text(cr, cw ? "CW" : "CCW", cx, cy, r * 0.4, kWhite, kOutline, 0, "DejaVu Sans");
}

void DrawShadow(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  cairo_save(cr);
  cairo_translate(cr, c.x + c.w / 2, c.y + c.h / 2);
  cairo_scale(cr, c.w / 2, c.h / 2);
  cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0.55);
  cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_restore(cr);
}

void DrawOverlay(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  for (int i = 0; i < 24; ++i) {
    cairo_rectangle(cr, c.x + i * 2, c.y + i * 2, c.w - i * 4, c.h - i * 4);
    SetColor(cr, {0.05, 0.0, 0.15, 0.025});
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
  }
  RoundRect(cr, c.x + 8, c.y + 8, c.w - 16, c.h - 16, 24);
  SetColor(cr, {0.75, 0.45, 1, 0.8});
  cairo_set_line_width(cr, 5);
  cairo_stroke(cr);
  RoundRect(cr, c.x + c.w / 2 - 140, c.y + 14, 280, 50, 25);
  SetColor(cr, {0.3, 0.1, 0.5, 0.85});
  cairo_fill(cr);
  Text(cr, Param(s.params, "text"), c.x + c.w / 2, c.y + 39, 30, kWhite, kOutline, 260);
}

void DrawPointer(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  cairo_move_to(cr, c.x + c.w / 2, c.y + c.h - 2);
  cairo_line_to(cr, c.x + 3, c.y + c.h * 0.4);
  cairo_line_to(cr, c.x + c.w * 0.32, c.y + c.h * 0.4);
  cairo_line_to(cr, c.x + c.w * 0.32, c.y + 2);
  cairo_line_to(cr, c.x + c.w * 0.68, c.y + 2);
  cairo_line_to(cr, c.x + c.w * 0.68, c.y + c.h * 0.4);
  cairo_line_to(cr, c.x + c.w - 3, c.y + c.h * 0.4);
  cairo_close_path(cr);
  VerticalGradientFill(cr, {1, 0.95, 0.4, 1}, {1, 0.6, 0.1, 1}, c.y, c.y + c.h);
  SetColor(cr, {0.5, 0.25, 0, 1});
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
}

void DrawDesk(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  cairo_rectangle(cr, c.x, c.y + 20, c.w, c.h - 20);
  VerticalGradientFill(cr, {0.55, 0.33, 0.16, 1}, {0.28, 0.15, 0.06, 1}, c.y + 20, c.y + c.h);
  cairo_new_path(cr);
  Rng rng(5);
  for (int i = 0; i < 40; ++i) {
    double y = c.y + 24 + rng.Next() * (c.h - 28);
    cairo_move_to(cr, c.x, y);
    cairo_curve_to(cr, c.x + c.w * 0.3, y + rng.Next() * 6 - 3, c.x + c.w * 0.7, y + rng.Next() * 6 - 3, c.x + c.w, y);
    SetColor(cr, {0.2, 0.1, 0.03, 0.15});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
  cairo_rectangle(cr, c.x, c.y + 14, c.w, 8);
  VerticalGradientFill(cr, {0.85, 0.65, 0.35, 1}, {0.5, 0.3, 0.12, 1}, c.y + 14, c.y + 22);
  cairo_new_path(cr);
  cairo_rectangle(cr, c.x, c.y, c.w, 14);
  VerticalGradientFill(cr, {0, 0, 0, 0}, {0, 0, 0, 0.35}, c.y, c.y + 14);
}

void DrawTables(cairo_t* cr, const ImageSpec&, const Cell& c, int frame) {
  int layout = frame % 2, colour = frame / 2;
  RGBA felt = colour ? RGBA{0.10, 0.30, 0.55, 1} : RGBA{0.09, 0.45, 0.25, 1};
  RoundRect(cr, c.x + 4, c.y + 4, c.w - 8, c.h - 8, 12);
  SetColor(cr, Darken(felt, 0.55));
  cairo_fill(cr);
  double mx = layout ? 34 : 14, top = layout ? 14 : 34, bottom = c.h - (layout ? 14 : 30);
  RoundRect(cr, c.x + mx, c.y + top, c.w - 2 * mx, bottom - top, 30);
  SetColor(cr, felt);
  cairo_fill_preserve(cr);
  SetColor(cr, {0.55, 0.32, 0.14, 1});
  cairo_set_line_width(cr, 4);
  cairo_stroke(cr);
  for (int i = 0; i < 4; ++i) {
    double px, py;
    if (layout == 0) { px = c.x + (i == 0 ? 0.2 : 0.18 + 0.3 * i) * c.w; py = c.y + (i == 0 ? c.h - 18 : 20); }
    else { px = c.x + (i < 2 ? 20 : c.w - 20); py = c.y + (i % 3 == 0 ? c.h * 0.7 : c.h * 0.3); }
    cairo_arc(cr, px, py, 10, 0, 2 * kPi);
    SetColor(cr, {1, 1, 1, 0.85});
    cairo_fill(cr);
  }
  Text(cr, std::string("ABCD").substr(frame, 1), c.x + c.w / 2, c.y + c.h / 2, 28, {1, 1, 1, 0.7});
}

void DrawLights(cairo_t* cr, const ImageSpec&, const Cell& c, int frame) {
  cairo_move_to(cr, c.x, c.y + 20);
  cairo_curve_to(cr, c.x + c.w * 0.3, c.y + c.h * 0.7, c.x + c.w * 0.7, c.y + c.h * 0.7, c.x + c.w, c.y + 20);
  SetColor(cr, {0.2, 0.2, 0.2, 1});
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  for (int i = 0; i < 9; ++i) {
    double t = (i + 0.5) / 9;
    double x = c.x + c.w * t;
    double y = c.y + 20 + (c.h * 0.5 - 10) * 4 * t * (1 - t) * 0.9 + 12;
    bool on = (i + frame) % 2 == 0;
    RGBA col = Hsv(i * 40, 0.7, 1);
    if (on) RadialGlow(cr, x, y, 22, {col.r, col.g, col.b, 0.7}, {col.r, col.g, col.b, 0});
    cairo_arc(cr, x, y, 8, 0, 2 * kPi);
    SetColor(cr, on ? col : Darken(col, 0.5));
    cairo_fill(cr);
  }
}

void DrawCheck(cairo_t* cr, const ImageSpec&, const Cell& c, int) {
  Icon(cr, "check", c.x + c.w / 2 + 2, c.y + c.h / 2 + 2, std::min(c.w, c.h) * 0.9, {0, 0, 0, 0.4});
  Icon(cr, "check", c.x + c.w / 2, c.y + c.h / 2, std::min(c.w, c.h) * 0.9, {0.2, 0.8, 0.3, 1});
}

void DrawShoot(cairo_t* cr, const ImageSpec& s, const Cell& c, int frame) {
  std::string part = Param(s.params, "part");
  double cx = c.x + c.w / 2, cy = c.y + c.h / 2, sz = std::min(c.w, c.h);
  int n = s.cols * s.rows;
  double t = n > 1 ? static_cast<double>(frame) / (n - 1) : 0;
  if (part == "ball") {
    Icon(cr, "ball", cx, cy, sz * 1.2, kWhite);
  } else if (part == "count") {
    cairo_arc(cr, cx, cy, sz * 0.46, 0, 2 * kPi);
    VerticalGradientFill(cr, {1, 0.5, 0.4, 1}, {0.8, 0.15, 0.1, 1}, c.y, c.y + c.h);
    SetColor(cr, kWhite);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    Icon(cr, "ticket", cx, cy, sz * 0.55, kWhite);
  } else if (part == "icon") {
    if (frame == 0) Icon(cr, "ticket", cx, cy, sz * 0.8, {1, 0.6, 0.2, 1});
    else Icon(cr, "ball", cx, cy, sz * 0.9, kWhite);
  } else if (part == "goal" || part == "home") {
    double gy = part == "home" ? c.y + c.h * 0.15 : c.y + 10;
    double gh = part == "home" ? c.h * 0.4 : c.h - 20;
    cairo_rectangle(cr, c.x + 10, gy, c.w - 20, gh);
    SetColor(cr, {1, 1, 1, 0.15});
    cairo_fill(cr);
    SetColor(cr, {1, 1, 1, 0.5});
    cairo_set_line_width(cr, 1);
    for (double x = c.x + 10; x < c.x + c.w - 10; x += 14) { cairo_move_to(cr, x, gy); cairo_line_to(cr, x, gy + gh); }
    for (double y = gy; y < gy + gh; y += 14) { cairo_move_to(cr, c.x + 10, y); cairo_line_to(cr, c.x + c.w - 10, y); }
    cairo_stroke(cr);
    cairo_move_to(cr, c.x + 10, gy + gh); cairo_line_to(cr, c.x + 10, gy);
    cairo_line_to(cr, c.x + c.w - 10, gy); cairo_line_to(cr, c.x + c.w - 10, gy + gh);
    SetColor(cr, kWhite);
    cairo_set_line_width(cr, 8);
    cairo_stroke(cr);
    if (part == "home") {
      Icon(cr, "ball", cx, c.y + c.h * 0.75, c.w * 0.5, kWhite);
      Text(cr, "PENALTY", cx, c.y + c.h * 0.95, c.w * 0.16, {1, 0.85, 0.2, 1}, kOutline, c.w * 0.95);
    }
  } else if (part == "field") {
    RoundRect(cr, c.x, c.y, c.w, c.h, 24);
    VerticalGradientFill(cr, {0.35, 0.7, 0.35, 1}, {0.15, 0.45, 0.2, 1}, c.y, c.y + c.h);
    cairo_new_path(cr);
    cairo_save(cr);
    RoundRect(cr, c.x, c.y, c.w, c.h, 24);
    cairo_clip(cr);
    for (int i = 0; i < 8; ++i) {
      cairo_rectangle(cr, c.x, c.y + i * c.h / 8, c.w, c.h / 16);
      SetColor(cr, {1, 1, 1, 0.05});
      cairo_fill(cr);
    }
    cairo_move_to(cr, c.x + c.w * 0.1, c.y + c.h * 0.45);
    cairo_line_to(cr, c.x + c.w * 0.9, c.y + c.h * 0.45);
    cairo_move_to(cr, c.x + c.w * 0.2, c.y + c.h * 0.45);
    cairo_line_to(cr, c.x + c.w * 0.2, c.y + c.h * 0.2);
    cairo_line_to(cr, c.x + c.w * 0.8, c.y + c.h * 0.2);
    cairo_line_to(cr, c.x + c.w * 0.8, c.y + c.h * 0.45);
    SetColor(cr, {1, 1, 1, 0.7});
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_arc(cr, cx, c.y + c.h * 0.75, 6, 0, 2 * kPi);
    SetColor(cr, kWhite);
    cairo_fill(cr);
    cairo_restore(cr);
    RoundRect(cr, c.x + 2, c.y + 2, c.w - 4, c.h - 4, 24);
    SetColor(cr, {0.9, 0.75, 0.3, 1});
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
  } else if (part == "action") {
    // kicker: body leaning into the kick, leg swinging through the frames
    double lean = t * 0.5, leg = -0.9 + 1.8 * t;
    Mascot(cr, cx - sz * 0.05, cy - sz * 0.12, sz * 0.2, 210, 0, t > 0.6 ? 2 : 0, 0.3 + lean * 0.6);
    cairo_move_to(cr, cx - sz * 0.05, cy + sz * 0.05);
    cairo_line_to(cr, cx - sz * 0.05 + sz * 0.3 * std::sin(leg), cy + sz * 0.05 + sz * 0.3 * std::cos(leg));
    SetColor(cr, {0.2, 0.3, 0.6, 1});
    cairo_set_line_width(cr, sz * 0.08);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    double bx = cx + sz * 0.25 + (t > 0.55 ? (t - 0.55) * sz * 0.8 : 0);
    double by = cy + sz * 0.32 - (t > 0.55 ? (t - 0.55) * sz * 0.9 : 0);
    Icon(cr, "ball", bx, by, sz * 0.2, kWhite);
  } else if (part == "cat") {
    // row 0: ready sway; row 1: dive left (cols 0-1) and right (cols 2-3)
    int row = frame / 4, col = frame % 4;
    double dx = 0, rot = 0;
    if (row == 0) dx = (col - 1.5) * sz * 0.04;
    else { double dir = col < 2 ? -1 : 1; double k = (col % 2) ? 1 : 0.5; dx = dir * sz * 0.3 * k; rot = dir * 0.8 * k; }
    cairo_save(cr);
    cairo_translate(cr, cx + dx, cy);
    cairo_rotate(cr, rot);
    Mascot(cr, 0, 0, sz * 0.25, 30, 1, row == 1 ? 3 : 0, row == 1 ? 1.0 : 0.6);
    cairo_restore(cr);
    // gloves
    cairo_arc(cr, cx + dx - sz * 0.3, cy - sz * 0.25 + (row ? sz * 0.1 : 0), sz * 0.07, 0, 2 * kPi);
    cairo_arc(cr, cx + dx + sz * 0.3, cy - sz * 0.25 + (row ? sz * 0.1 : 0), sz * 0.07, 0, 2 * kPi);
    SetColor(cr, {0.2, 0.8, 0.4, 1});
    cairo_fill(cr);
  } else if (part == "cheer") {
    Rng rng(9);
    for (int i = 0; i < 18; ++i) {
      double x = c.x + 20 + rng.Next() * (c.w - 40), y = c.y + c.h * 0.35 + rng.Next() * c.h * 0.55;
      double jump = ((i + frame) % 3 == 0) ? -sz * 0.05 : 0;
      Mascot(cr, x, y + jump, sz * 0.06, rng.Next() * 360, i, 2, ((i + frame) % 2) ? 1.0 : 0.3);
    }
    Text(cr, frame == 0 ? "GO!" : (frame == 1 ? "GOAL!" : "YEAH!"), cx, c.y + c.h * 0.15, sz * 0.12,
         {1, 0.85, 0.2, 1}, kOutline);
  }
}

void DrawPhoto(cairo_t* cr, const ImageSpec& s, const Cell& c, int) {
  int seed = static_cast<int>(ParamNum(s.params, "seed", 1));
  cairo_rectangle(cr, c.x, c.y, c.w, c.h);
  VerticalGradientFill(cr, Hsv(seed * 70, 0.35, 0.95), Hsv(seed * 70 + 30, 0.5, 0.7), c.y, c.y + c.h);
  cairo_new_path(cr);
  Mascot(cr, c.x + c.w / 2, c.y + c.h * 0.6, c.w * 0.28, seed * 90 + 20, seed, 2, 0.3);
}

}  // namespace

using StyleFn = std::function<void(cairo_t*, const ImageSpec&, const Cell&, int)>;

bool DrawStyle(cairo_t* cr, const ImageSpec& s, const Cell& cell, int frame) {
  static const std::map<std::string, StyleFn> styles = {
      {"bg", DrawBg},           {"plate", DrawPlate},       {"panel", DrawPanel},
      {"button", DrawButton},   {"gamecard", DrawGameCard}, {"cards", DrawCards},
      {"cardback", DrawCardBackEmpty}, {"text", DrawText},  {"logo", DrawLogo},
      {"solid", DrawSolid},     {"glow", DrawGlow},         {"ring", DrawRing},
      {"crown", DrawCrown},     {"burst", DrawBurst},       {"coin", DrawCoin},
      {"star", DrawStar},       {"ribbon", DrawRibbon},     {"avatar", DrawAvatar},
      {"frames", DrawFrames},   {"digits", DrawDigits},     {"cloud", DrawCloud},
      {"spinner", DrawSpinner}, {"icons", DrawIconsSet},    {"labels", DrawLabels},
      {"emoticons", DrawEmoticons}, {"attack", DrawAttack}, {"character", DrawCharacter},
      {"mascot", DrawMascotStyle}, {"anim", DrawAnim},      {"timer", DrawTimer},
      {"turnglow", DrawTurnGlow}, {"direction", DrawDirection}, {"shadow", DrawShadow},
      {"overlay", DrawOverlay}, {"pointer", DrawPointer},   {"desk", DrawDesk},
      {"tables", DrawTables},   {"lights", DrawLights},     {"check", DrawCheck},
      {"shoot", DrawShoot},     {"photo", DrawPhoto},
  };
  auto it = styles.find(s.style);
  if (it == styles.end()) return false;
  cairo_save(cr);
  cairo_rectangle(cr, cell.x, cell.y, cell.w, cell.h);
  cairo_clip(cr);
  cairo_new_path(cr);
  it->second(cr, s, cell, frame);
  cairo_restore(cr);
  return true;
}

}  // namespace artgen
