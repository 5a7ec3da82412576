// Shared drawing helpers of the picture generator.
#include "artgen_common.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace artgen {

namespace {
constexpr double kPi = 3.14159265358979323846;
const char* kUiFamily = "Waree, Loma, NanumGothic, DejaVu Sans";
}  // namespace

std::string Param(const Params& p, const std::string& key, const std::string& fallback) {
  auto it = p.find(key);
  return it == p.end() ? fallback : it->second;
}

double ParamNum(const Params& p, const std::string& key, double fallback) {
  auto it = p.find(key);
  return it == p.end() ? fallback : std::atof(it->second.c_str());
}

RGBA NamedColor(const std::string& n) {
  static const std::map<std::string, RGBA> table = {
      {"blue", {0.16, 0.45, 0.85, 1}},   {"yellow", {0.98, 0.74, 0.16, 1}},
      {"green", {0.20, 0.66, 0.30, 1}},  {"red", {0.85, 0.22, 0.20, 1}},
      {"purple", {0.52, 0.32, 0.78, 1}}, {"orange", {0.95, 0.52, 0.14, 1}},
      {"teal", {0.08, 0.60, 0.62, 1}},   {"pink", {0.92, 0.38, 0.60, 1}},
      {"grey", {0.52, 0.55, 0.60, 1}},   {"navy", {0.12, 0.19, 0.36, 1}},
      {"cream", {0.98, 0.93, 0.80, 1}},  {"fb", {0.23, 0.35, 0.62, 1}},
      {"gold", {0.96, 0.76, 0.20, 1}},   {"white", {1, 1, 1, 1}},
      {"inner", {0.09, 0.15, 0.28, 0.88}}, {"band", {0.06, 0.10, 0.20, 0.55}},
      {"bottom", {0.07, 0.12, 0.24, 0.95}}, {"glass", {0.55, 0.75, 1.0, 0.22}},
      {"felt", {0.04, 0.22, 0.12, 0.55}}, {"shadow", {0, 0, 0, 0.55}},
      {"brown", {0.41, 0.19, 0.0, 1}},   {"black", {0.08, 0.08, 0.10, 1}},
  };
  auto it = table.find(n);
  return it == table.end() ? RGBA{0.16, 0.45, 0.85, 1} : it->second;
}

RGBA Hsv(double h, double s, double v, double a) {
  h = std::fmod(std::fmod(h, 360.0) + 360.0, 360.0) / 60.0;
  int i = static_cast<int>(h);
  double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0: return {v, t, p, a};
    case 1: return {q, v, p, a};
    case 2: return {p, v, t, a};
    case 3: return {p, q, v, a};
    case 4: return {t, p, v, a};
    default: return {v, p, q, a};
  }
}

RGBA Lighten(RGBA c, double k) { return {c.r + (1 - c.r) * k, c.g + (1 - c.g) * k, c.b + (1 - c.b) * k, c.a}; }
RGBA Darken(RGBA c, double k) { return {c.r * (1 - k), c.g * (1 - k), c.b * (1 - k), c.a}; }
RGBA Grey(RGBA c) {
  double l = 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
  l = 0.35 + l * 0.4;
  return {l, l, l, c.a};
}
void SetColor(cairo_t* cr, RGBA c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::max(0.0, std::min(r, std::min(w, h) / 2));
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 1.5 * kPi);
  cairo_close_path(cr);
}

void TopRoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::max(0.0, std::min(r, std::min(w, h) / 2));
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_line_to(cr, x + w, y + h);
  cairo_line_to(cr, x, y + h);
  cairo_arc(cr, x + r, y + r, r, kPi, 1.5 * kPi);
  cairo_close_path(cr);
}

void Star(cairo_t* cr, double cx, double cy, double ro, double ri, int n, double rot) {
  cairo_new_sub_path(cr);
  for (int i = 0; i < 2 * n; ++i) {
    double a = rot - kPi / 2 + i * kPi / n;
    double r = (i % 2) ? ri : ro;
    if (i == 0)
      cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    else
      cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_close_path(cr);
}

void VerticalGradientFill(cairo_t* cr, RGBA top, RGBA bottom, double y0, double y1) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
}

void RadialGlow(cairo_t* cr, double cx, double cy, double r, RGBA in, RGBA out) {
  cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
  cairo_pattern_add_color_stop_rgba(p, 0, in.r, in.g, in.b, in.a);
  cairo_pattern_add_color_stop_rgba(p, 1, out.r, out.g, out.b, out.a);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

static PangoLayout* MakeLayout(cairo_t* cr, const std::string& text, double size,
                               const std::string& family, bool bold) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* fd =
      pango_font_description_from_string(family.empty() ? kUiFamily : family.c_str());
  pango_font_description_set_weight(fd, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_absolute_size(fd, size * PANGO_SCALE);
  pango_layout_set_font_description(layout, fd);
  pango_font_description_free(fd);
  pango_layout_set_text(layout, text.c_str(), -1);
  return layout;
}

double TextWidth(cairo_t* cr, const std::string& text, double size, const std::string& family) {
  PangoLayout* l = MakeLayout(cr, text, size, family, true);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(l, &ink, &logical);
  g_object_unref(l);
  return logical.width;
}

void Text(cairo_t* cr, const std::string& text, double cx, double cy, double size, RGBA fill,
          RGBA outline, double max_w, const std::string& family, bool bold, double outline_w) {
  if (text.empty() || size < 1) return;
  PangoLayout* l = MakeLayout(cr, text, size, family, bold);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(l, &ink, &logical);
  // Shrink until the text fits the width it was given.
  while (max_w > 0 && logical.width > max_w && size > 6) {
    g_object_unref(l);
    size *= 0.92;
    l = MakeLayout(cr, text, size, family, bold);
    pango_layout_get_pixel_extents(l, &ink, &logical);
  }
  // Centre horizontally on the advance box and vertically on the ink, which keeps Thai
  // marks above and below the line from pushing the text off centre.
  double x = cx - logical.x - logical.width / 2.0;
  double y = cy - ink.y - ink.height / 2.0;
  cairo_save(cr);
  cairo_move_to(cr, x, y);
  if (outline.a > 0) {
    pango_cairo_layout_path(cr, l);
    SetColor(cr, outline);
    cairo_set_line_width(cr, outline_w > 0 ? outline_w : std::max(1.5, size / 8));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_move_to(cr, x, y);
  }
  SetColor(cr, fill);
  pango_cairo_show_layout(cr, l);
  cairo_restore(cr);
  g_object_unref(l);
}

void Suit(cairo_t* cr, int suit, double cx, double cy, double s, RGBA c) {
  cairo_save(cr);
  SetColor(cr, c);
  double r = s / 2;
  switch (suit) {
    case 0:  // clubs: three balls and a stem
      cairo_arc(cr, cx, cy - r * 0.42, r * 0.34, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_arc(cr, cx - r * 0.42, cy + r * 0.12, r * 0.34, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_arc(cr, cx + r * 0.42, cy + r * 0.12, r * 0.34, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_move_to(cr, cx - r * 0.1, cy);
      cairo_line_to(cr, cx + r * 0.1, cy);
      cairo_line_to(cr, cx + r * 0.32, cy + r * 0.92);
      cairo_line_to(cr, cx - r * 0.32, cy + r * 0.92);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    case 1:  // diamonds
      cairo_move_to(cr, cx, cy - r);
      cairo_curve_to(cr, cx + r * 0.3, cy - r * 0.45, cx + r * 0.55, cy - r * 0.2, cx + r * 0.72, cy);
      cairo_curve_to(cr, cx + r * 0.55, cy + r * 0.2, cx + r * 0.3, cy + r * 0.45, cx, cy + r);
      cairo_curve_to(cr, cx - r * 0.3, cy + r * 0.45, cx - r * 0.55, cy + r * 0.2, cx - r * 0.72, cy);
      cairo_curve_to(cr, cx - r * 0.55, cy - r * 0.2, cx - r * 0.3, cy - r * 0.45, cx, cy - r);
      cairo_fill(cr);
      break;
    case 2:  // hearts
      cairo_move_to(cr, cx, cy + r * 0.9);
      cairo_curve_to(cr, cx - r * 0.2, cy + r * 0.6, cx - r * 1.0, cy + r * 0.15, cx - r * 0.95, cy - r * 0.35);
      cairo_curve_to(cr, cx - r * 0.9, cy - r * 0.95, cx - r * 0.15, cy - r * 0.95, cx, cy - r * 0.45);
      cairo_curve_to(cr, cx + r * 0.15, cy - r * 0.95, cx + r * 0.9, cy - r * 0.95, cx + r * 0.95, cy - r * 0.35);
      cairo_curve_to(cr, cx + r * 1.0, cy + r * 0.15, cx + r * 0.2, cy + r * 0.6, cx, cy + r * 0.9);
      cairo_fill(cr);
      break;
    default:  // spades: inverted heart and a stem
      cairo_move_to(cr, cx, cy - r * 0.95);
      cairo_curve_to(cr, cx + r * 0.25, cy - r * 0.6, cx + r * 1.0, cy - r * 0.2, cx + r * 0.92, cy + r * 0.28);
      cairo_curve_to(cr, cx + r * 0.85, cy + r * 0.75, cx + r * 0.25, cy + r * 0.75, cx + r * 0.06, cy + r * 0.42);
      cairo_line_to(cr, cx + r * 0.3, cy + r * 0.95);
      cairo_line_to(cr, cx - r * 0.3, cy + r * 0.95);
      cairo_line_to(cr, cx - r * 0.06, cy + r * 0.42);
      cairo_curve_to(cr, cx - r * 0.25, cy + r * 0.75, cx - r * 0.85, cy + r * 0.75, cx - r * 0.92, cy + r * 0.28);
      cairo_curve_to(cr, cx - r * 1.0, cy - r * 0.2, cx - r * 0.25, cy - r * 0.6, cx, cy - r * 0.95);
      cairo_fill(cr);
      break;
  }
  cairo_restore(cr);
}

void Coin(cairo_t* cr, double cx, double cy, double r, double squash) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, std::max(0.06, std::fabs(squash)), 1);
  cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
  SetColor(cr, {0.62, 0.42, 0.05, 1});
  cairo_fill(cr);
  cairo_arc(cr, 0, 0, r * 0.9, 0, 2 * kPi);
  cairo_pattern_t* p = cairo_pattern_create_linear(-r, -r, r, r);
  cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.93, 0.55);
  cairo_pattern_add_color_stop_rgb(p, 0.5, 0.98, 0.78, 0.18);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.80, 0.55, 0.08);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_arc(cr, 0, 0, r * 0.65, 0, 2 * kPi);
  SetColor(cr, {0.75, 0.52, 0.06, 0.9});
  cairo_set_line_width(cr, r * 0.08);
  cairo_stroke(cr);
  Star(cr, 0, 0, r * 0.42, r * 0.18, 5, 0);
  SetColor(cr, {1, 0.95, 0.7, 0.95});
  cairo_fill(cr);
  cairo_restore(cr);
}

void Chip(cairo_t* cr, double cx, double cy, double r, RGBA c) {
  cairo_save(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  SetColor(cr, Darken(c, 0.3));
  cairo_fill(cr);
  cairo_arc(cr, cx, cy, r * 0.92, 0, 2 * kPi);
  SetColor(cr, c);
  cairo_fill(cr);
  // edge stripes
  SetColor(cr, {1, 1, 1, 0.9});
  for (int i = 0; i < 6; ++i) {
    double a = i * kPi / 3;
    cairo_arc(cr, cx, cy, r * 0.8, a - 0.18, a + 0.18);
    cairo_arc_negative(cr, cx, cy, r * 0.6, a + 0.18, a - 0.18);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  cairo_arc(cr, cx, cy, r * 0.45, 0, 2 * kPi);
  SetColor(cr, Lighten(c, 0.35));
  cairo_fill(cr);
  cairo_restore(cr);
}

void Ruby(cairo_t* cr, double cx, double cy, double r) {
  cairo_save(cr);
  cairo_move_to(cr, cx - r, cy - r * 0.3);
  cairo_line_to(cr, cx - r * 0.55, cy - r * 0.8);
  cairo_line_to(cr, cx + r * 0.55, cy - r * 0.8);
  cairo_line_to(cr, cx + r, cy - r * 0.3);
  cairo_line_to(cr, cx, cy + r * 0.95);
  cairo_close_path(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(cx - r, cy - r, cx + r, cy + r);
  cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.45, 0.55);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.62, 0.02, 0.18);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColor(cr, {0.45, 0.0, 0.1, 1});
  cairo_set_line_width(cr, std::max(1.0, r * 0.08));
  cairo_stroke(cr);
  // facets
  cairo_move_to(cr, cx - r, cy - r * 0.3);
  cairo_line_to(cr, cx + r, cy - r * 0.3);
  cairo_move_to(cr, cx - r * 0.3, cy - r * 0.3);
  cairo_line_to(cr, cx, cy + r * 0.95);
  cairo_line_to(cr, cx + r * 0.3, cy - r * 0.3);
  SetColor(cr, {1, 0.8, 0.85, 0.6});
  cairo_set_line_width(cr, std::max(0.8, r * 0.05));
  cairo_stroke(cr);
  cairo_restore(cr);
}

void MiniCard(cairo_t* cr, double cx, double cy, double w, double angle, bool face_up, RGBA back) {
  double h = w * 1.3;
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angle * kPi / 180);
  RoundRect(cr, -w / 2, -h / 2, w, h, w * 0.1);
  SetColor(cr, face_up ? RGBA{1, 1, 1, 1} : back);
  cairo_fill_preserve(cr);
  SetColor(cr, {0.2, 0.2, 0.25, 0.8});
  cairo_set_line_width(cr, std::max(1.0, w * 0.03));
  cairo_stroke(cr);
  if (face_up) {
    Suit(cr, 2, 0, 0, w * 0.45, {0.85, 0.1, 0.12, 1});
  } else {
    RoundRect(cr, -w * 0.36, -h * 0.38, w * 0.72, h * 0.76, w * 0.06);
    SetColor(cr, {1, 1, 1, 0.5});
    cairo_set_line_width(cr, std::max(1.0, w * 0.03));
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

void Mascot(cairo_t* cr, double cx, double cy, double r, double hue, int kind, int mood, double arms) {
  RGBA body = Hsv(hue, 0.45, 0.95);
  RGBA dark = Darken(body, 0.45);
  cairo_save(cr);
  cairo_set_line_width(cr, std::max(1.0, r * 0.06));
  // ears by kind
  auto ear = [&](double sx) {
    switch (kind % 6) {
      case 0:  // round ears
        cairo_arc(cr, cx + sx * r * 0.65, cy - r * 0.75, r * 0.32, 0, 2 * kPi);
        break;
      case 1:  // pointed ears
        cairo_move_to(cr, cx + sx * r * 0.25, cy - r * 0.85);
        cairo_line_to(cr, cx + sx * r * 0.75, cy - r * 1.35);
        cairo_line_to(cr, cx + sx * r * 0.85, cy - r * 0.45);
        cairo_close_path(cr);
        break;
      case 2:  // long ears
        cairo_save(cr);
        cairo_translate(cr, cx + sx * r * 0.35, cy - r * 1.15);
        cairo_scale(cr, 0.28, 0.7);
        cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
        cairo_restore(cr);
        break;
      case 3:  // horns
        cairo_move_to(cr, cx + sx * r * 0.35, cy - r * 0.8);
        cairo_curve_to(cr, cx + sx * r * 0.6, cy - r * 1.3, cx + sx * r * 1.0, cy - r * 1.2, cx + sx * r * 1.05, cy - r * 1.0);
        cairo_line_to(cr, cx + sx * r * 0.6, cy - r * 0.65);
        cairo_close_path(cr);
        break;
      case 4:  // floppy ears
        cairo_save(cr);
        cairo_translate(cr, cx + sx * r * 0.95, cy - r * 0.2);
        cairo_rotate(cr, sx * 0.4);
        cairo_scale(cr, 0.3, 0.6);
        cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
        cairo_restore(cr);
        break;
      default:  // crest
        if (sx > 0) {
          Star(cr, cx, cy - r * 1.0, r * 0.35, r * 0.15, 3, 0);
        }
        break;
    }
    SetColor(cr, kind % 6 == 3 ? RGBA{0.95, 0.9, 0.75, 1} : body);
    cairo_fill_preserve(cr);
    SetColor(cr, dark);
    cairo_stroke(cr);
  };
  ear(-1);
  ear(1);
  // arms (raised by arms 0..1)
  for (int s = -1; s <= 1; s += 2) {
    double ax = cx + s * r * 0.85, ay = cy + r * 0.25;
    double hx = cx + s * r * (1.15 + 0.1 * arms), hy = cy + r * (0.55 - 1.4 * arms);
    cairo_move_to(cr, ax, ay);
    cairo_line_to(cr, hx, hy);
    SetColor(cr, dark);
    cairo_set_line_width(cr, r * 0.26);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_move_to(cr, ax, ay);
    cairo_line_to(cr, hx, hy);
    SetColor(cr, body);
    cairo_set_line_width(cr, r * 0.16);
    cairo_stroke(cr);
  }
  cairo_set_line_width(cr, std::max(1.0, r * 0.06));
  // body
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.4, r * 0.1, cx, cy, r * 1.1);
  RGBA hi = Lighten(body, 0.45);
  cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
  cairo_pattern_add_color_stop_rgb(p, 1, body.r, body.g, body.b);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColor(cr, dark);
  cairo_stroke(cr);
  // belly
  cairo_save(cr);
  cairo_translate(cr, cx, cy + r * 0.35);
  cairo_scale(cr, 0.6, 0.45);
  cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
  cairo_restore(cr);
  SetColor(cr, {1, 1, 1, 0.55});
  cairo_fill(cr);
  // eyes by mood: 0 open, 1 blink, 2 happy arcs, 3 sad
  SetColor(cr, {0.1, 0.08, 0.1, 1});
  for (int s = -1; s <= 1; s += 2) {
    double ex = cx + s * r * 0.35, ey = cy - r * 0.2;
    if (mood == 1) {
      cairo_move_to(cr, ex - r * 0.13, ey);
      cairo_line_to(cr, ex + r * 0.13, ey);
      cairo_set_line_width(cr, r * 0.07);
      cairo_stroke(cr);
    } else if (mood == 2) {
      cairo_arc_negative(cr, ex, ey + r * 0.05, r * 0.13, 0, kPi);
      cairo_set_line_width(cr, r * 0.07);
      cairo_stroke(cr);
    } else {
      cairo_arc(cr, ex, ey, r * 0.12, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_arc(cr, ex + r * 0.04, ey - r * 0.04, r * 0.04, 0, 2 * kPi);
      SetColor(cr, {1, 1, 1, 1});
      cairo_fill(cr);
      SetColor(cr, {0.1, 0.08, 0.1, 1});
      if (mood == 3) {
        cairo_arc(cr, ex + s * r * 0.05, ey + r * 0.3, r * 0.06, 0, 2 * kPi);
        SetColor(cr, {0.3, 0.6, 1.0, 0.9});
        cairo_fill(cr);
        SetColor(cr, {0.1, 0.08, 0.1, 1});
      }
    }
  }
  // cheeks
  for (int s = -1; s <= 1; s += 2) {
    cairo_arc(cr, cx + s * r * 0.58, cy + r * 0.08, r * 0.12, 0, 2 * kPi);
    SetColor(cr, {1, 0.45, 0.5, 0.5});
    cairo_fill(cr);
  }
  // mouth
  SetColor(cr, {0.3, 0.08, 0.08, 1});
  cairo_set_line_width(cr, r * 0.06);
  if (mood == 3)
    cairo_arc_negative(cr, cx, cy + r * 0.3, r * 0.16, -0.2, -kPi + 0.2);
  else
    cairo_arc(cr, cx, cy + r * 0.02, r * 0.2, 0.3, kPi - 0.3);
  cairo_stroke(cr);
  cairo_restore(cr);
}

// --- icons -------------------------------------------------------------------------------

static void Stroke(cairo_t* cr, RGBA c, double w) {
  SetColor(cr, c);
  cairo_set_line_width(cr, w);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

void Icon(cairo_t* cr, const std::string& n, double cx, double cy, double s, RGBA c) {
  double r = s / 2, lw = std::max(1.5, s * 0.12);
  cairo_save(cr);
  if (n == "plus") {
    cairo_move_to(cr, cx - r * 0.6, cy); cairo_line_to(cr, cx + r * 0.6, cy);
    cairo_move_to(cr, cx, cy - r * 0.6); cairo_line_to(cr, cx, cy + r * 0.6);
    Stroke(cr, c, lw * 1.3);
  } else if (n == "close") {
    cairo_move_to(cr, cx - r * 0.5, cy - r * 0.5); cairo_line_to(cr, cx + r * 0.5, cy + r * 0.5);
    cairo_move_to(cr, cx + r * 0.5, cy - r * 0.5); cairo_line_to(cr, cx - r * 0.5, cy + r * 0.5);
    Stroke(cr, c, lw * 1.3);
  } else if (n == "check") {
    cairo_move_to(cr, cx - r * 0.6, cy); cairo_line_to(cr, cx - r * 0.15, cy + r * 0.5);
    cairo_line_to(cr, cx + r * 0.65, cy - r * 0.5);
    Stroke(cr, c, lw * 1.3);
  } else if (n == "question" || n == "info") {
    Text(cr, n == "info" ? "i" : "?", cx, cy, s * 0.95, c, {0, 0, 0, 0}, 0, "DejaVu Sans");
  } else if (n == "left" || n == "right" || n == "back") {
    double d = (n == "right") ? 1 : -1;
    cairo_move_to(cr, cx - d * r * 0.35, cy - r * 0.6);
    cairo_line_to(cr, cx + d * r * 0.35, cy);
    cairo_line_to(cr, cx - d * r * 0.35, cy + r * 0.6);
    Stroke(cr, c, lw * 1.3);
    if (n == "back") {
      cairo_move_to(cr, cx + d * r * 0.35, cy); cairo_line_to(cr, cx + r * 0.7, cy);
      Stroke(cr, c, lw);
    }
  } else if (n == "play") {
    cairo_move_to(cr, cx - r * 0.4, cy - r * 0.6); cairo_line_to(cr, cx + r * 0.6, cy);
    cairo_line_to(cr, cx - r * 0.4, cy + r * 0.6); cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "camera") {
    RoundRect(cr, cx - r * 0.75, cy - r * 0.4, r * 1.5, r * 1.05, r * 0.15);
    cairo_rectangle(cr, cx - r * 0.25, cy - r * 0.6, r * 0.5, r * 0.25);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx, cy + r * 0.12, r * 0.3, 0, 2 * kPi);
    SetColor(cr, Darken(c, 0.6)); cairo_fill(cr);
  } else if (n == "fb") {
    Text(cr, "f", cx, cy, s * 1.0, c, {0, 0, 0, 0}, 0, "DejaVu Sans");
  } else if (n == "menu") {
    for (int i = -1; i <= 1; ++i) {
      cairo_move_to(cr, cx - r * 0.6, cy + i * r * 0.45); cairo_line_to(cr, cx + r * 0.6, cy + i * r * 0.45);
    }
    Stroke(cr, c, lw);
  } else if (n == "cart") {
    cairo_move_to(cr, cx - r * 0.85, cy - r * 0.6); cairo_line_to(cr, cx - r * 0.55, cy - r * 0.6);
    cairo_line_to(cr, cx - r * 0.3, cy + r * 0.3); cairo_line_to(cr, cx + r * 0.6, cy + r * 0.3);
    cairo_line_to(cr, cx + r * 0.8, cy - r * 0.35); cairo_line_to(cr, cx - r * 0.45, cy - r * 0.35);
    Stroke(cr, c, lw * 0.8);
    cairo_arc(cr, cx - r * 0.2, cy + r * 0.6, r * 0.14, 0, 2 * kPi);
    cairo_arc(cr, cx + r * 0.5, cy + r * 0.6, r * 0.14, 0, 2 * kPi);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "kick") {
    cairo_move_to(cr, cx - r * 0.3, cy - r * 0.8); cairo_line_to(cr, cx + r * 0.1, cy - r * 0.8);
    cairo_line_to(cr, cx + r * 0.1, cy + r * 0.1); cairo_line_to(cr, cx + r * 0.8, cy + r * 0.25);
    cairo_line_to(cr, cx + r * 0.8, cy + r * 0.65); cairo_line_to(cr, cx - r * 0.3, cy + r * 0.65);
    cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "heart") {
    Suit(cr, 2, cx, cy, s * 0.9, c);
  } else if (n == "flag") {
    cairo_move_to(cr, cx - r * 0.5, cy + r * 0.8); cairo_line_to(cr, cx - r * 0.5, cy - r * 0.8);
    Stroke(cr, c, lw * 0.8);
    cairo_move_to(cr, cx - r * 0.5, cy - r * 0.8); cairo_line_to(cr, cx + r * 0.7, cy - r * 0.45);
    cairo_line_to(cr, cx - r * 0.5, cy - r * 0.1); cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "trophy" || n == "cup") {
    cairo_move_to(cr, cx - r * 0.55, cy - r * 0.75); cairo_line_to(cr, cx + r * 0.55, cy - r * 0.75);
    cairo_curve_to(cr, cx + r * 0.55, cy + r * 0.1, cx + r * 0.2, cy + r * 0.25, cx + r * 0.1, cy + r * 0.3);
    cairo_line_to(cr, cx + r * 0.1, cy + r * 0.55); cairo_line_to(cr, cx + r * 0.4, cy + r * 0.6);
    cairo_line_to(cr, cx + r * 0.4, cy + r * 0.8); cairo_line_to(cr, cx - r * 0.4, cy + r * 0.8);
    cairo_line_to(cr, cx - r * 0.4, cy + r * 0.6); cairo_line_to(cr, cx - r * 0.1, cy + r * 0.55);
    cairo_line_to(cr, cx - r * 0.1, cy + r * 0.3);
    cairo_curve_to(cr, cx - r * 0.2, cy + r * 0.25, cx - r * 0.55, cy + r * 0.1, cx - r * 0.55, cy - r * 0.75);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx - r * 0.6, cy - r * 0.35, r * 0.25, kPi * 0.5, kPi * 1.5);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, cx + r * 0.6, cy - r * 0.35, r * 0.25, kPi * 0.5, -kPi * 0.5);
    Stroke(cr, c, lw * 0.6);
  } else if (n == "bag") {
    RoundRect(cr, cx - r * 0.6, cy - r * 0.3, r * 1.2, r * 1.05, r * 0.2);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx, cy - r * 0.3, r * 0.32, kPi, 2 * kPi);
    Stroke(cr, c, lw * 0.7);
  } else if (n == "gear") {
    Star(cr, cx, cy, r * 0.85, r * 0.6, 8, 0.2);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx, cy, r * 0.28, 0, 2 * kPi);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR); cairo_fill(cr);
  } else if (n == "siren") {
    cairo_move_to(cr, cx - r * 0.5, cy + r * 0.5);
    cairo_curve_to(cr, cx - r * 0.5, cy - r * 0.75, cx + r * 0.5, cy - r * 0.75, cx + r * 0.5, cy + r * 0.5);
    cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
    cairo_rectangle(cr, cx - r * 0.7, cy + r * 0.5, r * 1.4, r * 0.25);
    cairo_fill(cr);
    for (int i = -1; i <= 1; ++i) {
      cairo_move_to(cr, cx + i * r * 0.75, cy - r * 0.55 - (i == 0 ? r * 0.2 : 0));
      cairo_line_to(cr, cx + i * r * 0.95, cy - r * 0.8 - (i == 0 ? r * 0.15 : 0));
    }
    Stroke(cr, c, lw * 0.6);
  } else if (n == "music") {
    cairo_arc(cr, cx - r * 0.35, cy + r * 0.45, r * 0.22, 0, 2 * kPi);
    cairo_arc(cr, cx + r * 0.45, cy + r * 0.3, r * 0.22, 0, 2 * kPi);
    SetColor(cr, c); cairo_fill(cr);
    cairo_move_to(cr, cx - r * 0.15, cy + r * 0.45); cairo_line_to(cr, cx - r * 0.15, cy - r * 0.6);
    cairo_line_to(cr, cx + r * 0.65, cy - r * 0.75); cairo_line_to(cr, cx + r * 0.65, cy + r * 0.3);
    Stroke(cr, c, lw * 0.7);
  } else if (n == "speaker") {
    cairo_move_to(cr, cx - r * 0.7, cy - r * 0.25); cairo_line_to(cr, cx - r * 0.35, cy - r * 0.25);
    cairo_line_to(cr, cx + r * 0.1, cy - r * 0.65); cairo_line_to(cr, cx + r * 0.1, cy + r * 0.65);
    cairo_line_to(cr, cx - r * 0.35, cy + r * 0.25); cairo_line_to(cr, cx - r * 0.7, cy + r * 0.25);
    cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx + r * 0.15, cy, r * 0.4, -0.8, 0.8);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx + r * 0.15, cy, r * 0.7, -0.8, 0.8);
    Stroke(cr, c, lw * 0.6);
  } else if (n == "vibrate") {
    RoundRect(cr, cx - r * 0.3, cy - r * 0.65, r * 0.6, r * 1.3, r * 0.12);
    SetColor(cr, c); cairo_fill(cr);
    for (int s2 = -1; s2 <= 1; s2 += 2) {
      cairo_move_to(cr, cx + s2 * r * 0.5, cy - r * 0.4);
      cairo_line_to(cr, cx + s2 * r * 0.65, cy - r * 0.2);
      cairo_line_to(cr, cx + s2 * r * 0.5, cy);
      cairo_line_to(cr, cx + s2 * r * 0.65, cy + r * 0.2);
      cairo_line_to(cr, cx + s2 * r * 0.5, cy + r * 0.4);
    }
    Stroke(cr, c, lw * 0.5);
  } else if (n == "toggle") {
    RoundRect(cr, cx - r * 0.8, cy - r * 0.35, r * 1.6, r * 0.7, r * 0.35);
    Stroke(cr, c, lw * 0.5);
    cairo_arc(cr, cx + r * 0.45, cy, r * 0.28, 0, 2 * kPi);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "smile") {
    cairo_arc(cr, cx, cy, r * 0.8, 0, 2 * kPi);
    SetColor(cr, {1, 0.85, 0.25, 1}); cairo_fill_preserve(cr);
    Stroke(cr, Darken({1, 0.85, 0.25, 1}, 0.5), lw * 0.4);
    SetColor(cr, {0.2, 0.12, 0.05, 1});
    cairo_arc(cr, cx - r * 0.28, cy - r * 0.2, r * 0.1, 0, 2 * kPi); cairo_fill(cr);
    cairo_arc(cr, cx + r * 0.28, cy - r * 0.2, r * 0.1, 0, 2 * kPi); cairo_fill(cr);
    cairo_arc(cr, cx, cy + r * 0.05, r * 0.42, 0.35, kPi - 0.35);
    Stroke(cr, {0.2, 0.12, 0.05, 1}, lw * 0.45);
  } else if (n == "sort") {
    for (int i = 0; i < 3; ++i) {
      RoundRect(cr, cx - r * 0.75 + i * r * 0.5, cy - r * 0.3 - i * r * 0.2, r * 0.45, r * 0.9, r * 0.08);
      SetColor(cr, {1, 1, 1, 1}); cairo_fill_preserve(cr);
      Stroke(cr, {0.2, 0.2, 0.25, 1}, lw * 0.3);
    }
    cairo_move_to(cr, cx - r * 0.8, cy + r * 0.8); cairo_line_to(cr, cx + r * 0.8, cy + r * 0.8);
    Stroke(cr, c, lw * 0.5);
  } else if (n == "swap") {
    MiniCard(cr, cx - r * 0.25, cy, r * 0.75, -12, false, {0.2, 0.35, 0.75, 1});
    MiniCard(cr, cx + r * 0.25, cy, r * 0.75, 12, true, {0.2, 0.35, 0.75, 1});
  } else if (n == "ticket") {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, -0.3);
    RoundRect(cr, -r * 0.85, -r * 0.45, r * 1.7, r * 0.9, r * 0.12);
    SetColor(cr, c); cairo_fill(cr);
    cairo_move_to(cr, r * 0.3, -r * 0.4); cairo_line_to(cr, r * 0.3, r * 0.4);
    double dashes[] = {r * 0.1, r * 0.08};
    cairo_set_dash(cr, dashes, 2, 0);
    Stroke(cr, Darken(c, 0.5), lw * 0.35);
    cairo_restore(cr);
  } else if (n == "chip") {
    Chip(cr, cx, cy, r * 0.8, {0.85, 0.2, 0.2, 1});
  } else if (n == "coin") {
    Coin(cr, cx, cy, r * 0.8);
  } else if (n == "ruby") {
    Ruby(cr, cx, cy, r * 0.8);
  } else if (n == "friend") {
    cairo_arc(cr, cx - r * 0.3, cy - r * 0.3, r * 0.28, 0, 2 * kPi);
    cairo_arc(cr, cx + r * 0.35, cy - r * 0.2, r * 0.25, 0, 2 * kPi);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx - r * 0.3, cy + r * 0.6, r * 0.5, kPi, 2 * kPi);
    cairo_fill(cr);
    cairo_arc(cr, cx + r * 0.35, cy + r * 0.6, r * 0.42, kPi, 2 * kPi);
    cairo_fill(cr);
  } else if (n == "mail") {
    RoundRect(cr, cx - r * 0.8, cy - r * 0.5, r * 1.6, r * 1.0, r * 0.1);
    SetColor(cr, c); cairo_fill(cr);
    cairo_move_to(cr, cx - r * 0.75, cy - r * 0.45); cairo_line_to(cr, cx, cy + r * 0.1);
    cairo_line_to(cr, cx + r * 0.75, cy - r * 0.45);
    Stroke(cr, Darken(c, 0.5), lw * 0.4);
  } else if (n == "ball") {
    cairo_arc(cr, cx, cy, r * 0.8, 0, 2 * kPi);
    SetColor(cr, {1, 1, 1, 1}); cairo_fill_preserve(cr);
    Stroke(cr, {0.1, 0.1, 0.1, 1}, lw * 0.35);
    cairo_save(cr);
    cairo_arc(cr, cx, cy, r * 0.8, 0, 2 * kPi);
    cairo_clip(cr);
    SetColor(cr, {0.1, 0.1, 0.1, 1});
    for (int i = 0; i < 5; ++i) {
      double a = i * 2 * kPi / 5 - kPi / 2;
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx + r * 0.8 * std::cos(a), cy + r * 0.8 * std::sin(a), r * 0.22, 0, 2 * kPi);
    }
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r * 0.26, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_restore(cr);
  } else if (n == "star") {
    Star(cr, cx, cy, r * 0.85, r * 0.38, 5, 0);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "clock") {
    cairo_arc(cr, cx, cy, r * 0.75, 0, 2 * kPi);
    Stroke(cr, c, lw * 0.6);
    cairo_move_to(cr, cx, cy - r * 0.5); cairo_line_to(cr, cx, cy); cairo_line_to(cr, cx + r * 0.35, cy + r * 0.2);
    Stroke(cr, c, lw * 0.5);
  } else if (n == "crown") {
    cairo_move_to(cr, cx - r * 0.8, cy + r * 0.5); cairo_line_to(cr, cx - r * 0.8, cy - r * 0.4);
    cairo_line_to(cr, cx - r * 0.4, cy); cairo_line_to(cr, cx, cy - r * 0.65);
    cairo_line_to(cr, cx + r * 0.4, cy); cairo_line_to(cr, cx + r * 0.8, cy - r * 0.4);
    cairo_line_to(cr, cx + r * 0.8, cy + r * 0.5); cairo_close_path(cr);
    SetColor(cr, c); cairo_fill_preserve(cr);
    Stroke(cr, Darken(c, 0.45), lw * 0.3);
  } else if (n == "lock") {
    RoundRect(cr, cx - r * 0.55, cy - r * 0.1, r * 1.1, r * 0.85, r * 0.12);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx, cy - r * 0.1, r * 0.35, kPi, 2 * kPi);
    Stroke(cr, c, lw * 0.6);
  } else if (n == "bell") {
    cairo_move_to(cr, cx - r * 0.65, cy + r * 0.45);
    cairo_curve_to(cr, cx - r * 0.5, cy + r * 0.2, cx - r * 0.6, cy - r * 0.7, cx, cy - r * 0.7);
    cairo_curve_to(cr, cx + r * 0.6, cy - r * 0.7, cx + r * 0.5, cy + r * 0.2, cx + r * 0.65, cy + r * 0.45);
    cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
    cairo_arc(cr, cx, cy + r * 0.6, r * 0.15, 0, 2 * kPi); cairo_fill(cr);
  } else if (n == "home") {
    cairo_move_to(cr, cx - r * 0.8, cy); cairo_line_to(cr, cx, cy - r * 0.75); cairo_line_to(cr, cx + r * 0.8, cy);
    cairo_line_to(cr, cx + r * 0.55, cy); cairo_line_to(cr, cx + r * 0.55, cy + r * 0.7);
    cairo_line_to(cr, cx - r * 0.55, cy + r * 0.7); cairo_line_to(cr, cx - r * 0.55, cy); cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "card") {
    MiniCard(cr, cx, cy, r * 1.0, -8, true, {0.2, 0.3, 0.7, 1});
  } else if (n == "medal") {
    cairo_move_to(cr, cx - r * 0.45, cy - r * 0.85); cairo_line_to(cr, cx, cy - r * 0.1); cairo_line_to(cr, cx + r * 0.45, cy - r * 0.85);
    Stroke(cr, {0.2, 0.45, 0.9, 1}, lw * 0.8);
    cairo_arc(cr, cx, cy + r * 0.25, r * 0.5, 0, 2 * kPi);
    SetColor(cr, c); cairo_fill(cr);
    Star(cr, cx, cy + r * 0.25, r * 0.3, r * 0.13, 5, 0);
    SetColor(cr, Lighten(c, 0.6)); cairo_fill(cr);
  } else if (n == "fire") {
    cairo_move_to(cr, cx, cy - r * 0.85);
    cairo_curve_to(cr, cx + r * 0.9, cy - r * 0.1, cx + r * 0.7, cy + r * 0.8, cx, cy + r * 0.8);
    cairo_curve_to(cr, cx - r * 0.7, cy + r * 0.8, cx - r * 0.8, cy, cx - r * 0.3, cy - r * 0.3);
    cairo_curve_to(cr, cx - r * 0.2, cy, cx, cy - r * 0.2, cx, cy - r * 0.85);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "lightning") {
    cairo_move_to(cr, cx + r * 0.2, cy - r * 0.85); cairo_line_to(cr, cx - r * 0.45, cy + r * 0.1);
    cairo_line_to(cr, cx, cy + r * 0.1); cairo_line_to(cr, cx - r * 0.2, cy + r * 0.85);
    cairo_line_to(cr, cx + r * 0.45, cy - r * 0.15); cairo_line_to(cr, cx, cy - r * 0.15); cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
  } else if (n == "megaphone") {
    cairo_move_to(cr, cx - r * 0.6, cy - r * 0.2); cairo_line_to(cr, cx + r * 0.6, cy - r * 0.7);
    cairo_line_to(cr, cx + r * 0.6, cy + r * 0.7); cairo_line_to(cr, cx - r * 0.6, cy + r * 0.2); cairo_close_path(cr);
    SetColor(cr, c); cairo_fill(cr);
    cairo_rectangle(cr, cx - r * 0.5, cy + r * 0.15, r * 0.25, r * 0.5); cairo_fill(cr);
  } else if (n == "gift") {
    cairo_rectangle(cr, cx - r * 0.7, cy - r * 0.2, r * 1.4, r * 0.95);
    SetColor(cr, c); cairo_fill(cr);
    cairo_rectangle(cr, cx - r * 0.8, cy - r * 0.45, r * 1.6, r * 0.3); cairo_fill(cr);
    cairo_rectangle(cr, cx - r * 0.12, cy - r * 0.45, r * 0.24, r * 1.2);
    SetColor(cr, {1, 0.85, 0.2, 1}); cairo_fill(cr);
    cairo_arc(cr, cx - r * 0.25, cy - r * 0.6, r * 0.2, 0, 2 * kPi);
    cairo_arc(cr, cx + r * 0.25, cy - r * 0.6, r * 0.2, 0, 2 * kPi);
    Stroke(cr, {1, 0.85, 0.2, 1}, lw * 0.5);
  } else {
    Text(cr, n.substr(0, 2), cx, cy, s * 0.6, c);
  }
  cairo_restore(cr);
}

}  // namespace artgen
