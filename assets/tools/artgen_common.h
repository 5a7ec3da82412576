// Shared drawing helpers of the picture generator: colours, shapes, text and icons.
#pragma once
#include <cairo.h>
#include <pango/pangocairo.h>

#include <map>
#include <string>
#include <vector>

namespace artgen {

struct RGBA {
  double r = 0, g = 0, b = 0, a = 1;
};

struct Cell {
  double x, y, w, h;
};

using Params = std::map<std::string, std::string>;

// One manifest row of kind "image".
struct ImageSpec {
  std::string path;
  int width = 0, height = 0, cols = 1, rows = 1;
  std::string style;
  Params params;
  std::string description;
};

std::string Param(const Params& p, const std::string& key, const std::string& fallback = "");
double ParamNum(const Params& p, const std::string& key, double fallback);

RGBA NamedColor(const std::string& name);
RGBA Hsv(double hue_deg, double s, double v, double a = 1);
RGBA Lighten(RGBA c, double k);  // k in 0..1 towards white
RGBA Darken(RGBA c, double k);   // k in 0..1 towards black
RGBA Grey(RGBA c);               // desaturated, for disabled states
void SetColor(cairo_t* cr, RGBA c);

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r);
void TopRoundRect(cairo_t* cr, double x, double y, double w, double h, double r);
void Star(cairo_t* cr, double cx, double cy, double r_out, double r_in, int points, double rot);
void VerticalGradientFill(cairo_t* cr, RGBA top, RGBA bottom, double y0, double y1);
void RadialGlow(cairo_t* cr, double cx, double cy, double r, RGBA inner, RGBA outer);

// Text drawn centred on (cx, cy), shrunk to fit max_w; outline when outline.a > 0.
// family "" picks the Thai/Latin UI face.
void Text(cairo_t* cr, const std::string& text, double cx, double cy, double size, RGBA fill,
          RGBA outline = {0, 0, 0, 0}, double max_w = 0, const std::string& family = "",
          bool bold = true, double outline_w = 0);
// Width of text at a size (pixels).
double TextWidth(cairo_t* cr, const std::string& text, double size, const std::string& family = "");

// Vector icons by name, centred on (cx, cy) within a square of side s.
void Icon(cairo_t* cr, const std::string& name, double cx, double cy, double s, RGBA color);
// Suit symbol 0 clubs, 1 diamonds, 2 hearts, 3 spades.
void Suit(cairo_t* cr, int suit, double cx, double cy, double s, RGBA color);
// A small coin / chip / ruby, used by icon sheets and animations.
void Coin(cairo_t* cr, double cx, double cy, double r, double squash = 1.0);
void Chip(cairo_t* cr, double cx, double cy, double r, RGBA color);
void Ruby(cairo_t* cr, double cx, double cy, double r);
void MiniCard(cairo_t* cr, double cx, double cy, double w, double angle_deg, bool face_up, RGBA back);
// Simple round mascot face: kind selects ears, hue the body colour.
void Mascot(cairo_t* cr, double cx, double cy, double r, double hue, int kind, int mood, double arms);

// Table attack item 0..11 at size s; impact 0..1 tilts or lights it for the hit.
void AttackItem(cairo_t* cr, int item, double cx, double cy, double s, double impact);
// Emoticon face of set 1..6, emotion 0..8 and animation step 0..3.
void EmoFace(cairo_t* cr, int set, int emotion, int step, double cx, double cy, double r);
// Draws one frame of a picture in its style; false for an unknown style.
bool DrawStyle(cairo_t* cr, const ImageSpec& image, const Cell& cell, int frame);

}  // namespace artgen
