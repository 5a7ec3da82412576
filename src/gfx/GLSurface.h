#pragma once
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "ui/ZBEntity.h"

class GLFont;

// Something the surface reloads when the game is re-initialised on an existing GL
// context. Every texture registers itself with the surface while it owns a GL texture.
class SurfaceEntity {
 public:
  virtual ~SurfaceEntity() = default;
  virtual int Reload(void* arg) {
    (void)arg;
    return 0;
  }
};

// The drawing surface: the ten font slots, the registry of loaded textures and the
// untextured primitives. Rectangles take logical coordinates; line strips and
// coloured triangles take window pixel coordinates (origin bottom-left). Every
// primitive multiplies its alpha by the window screen's tint alpha, draws with
// source-alpha blending and leaves texturing, blending and smoothing off and the
// current colour at opaque black.
class GLSurface : public ZBObject, public ZBSingleton<GLSurface> {
 public:
  static constexpr int kFontSlots = 10;
  // Slots 0 to 3 hold the fonts made from the packaged face; their sizes follow the
  // window's scale.
  static constexpr int kPackageFontSlots = 4;
  static constexpr int kMaxRoundSegments = 128;
  static constexpr int kMaxCornerPoints = 32;
  static constexpr int kMaxRoundRadius = 140;

  GLSurface();
  ~GLSurface() override;

  // Creates the font of `slot` (0..9); 1 on success.
  int Initialize(int slot, void* from_package);
  // Recreates the package fonts, then reloads every registered entity, first to last.
  void ReloadSurface(void* arg);
  // The window changed size: the package fonts' pixel sizes must be recomputed.
  void MarkFontSizesStale();
  GLFont* Font(int slot) const { return (slot >= 0 && slot < kFontSlots) ? m_fonts[slot] : nullptr; }

  // Registry of loaded textures (not owned). Both return 1 on success.
  int RegisterEntity(SurfaceEntity* entity) { return entity && m_entities.AddTail(entity) ? 1 : 0; }
  int UnregisterEntity(SurfaceEntity* entity) {
    ZBENTITYOBJECT* node = m_entities.FindNode(entity);
    return m_entities.RemoveNode(node);
  }
  ZBEntity& Entities() { return m_entities; }

  // One line strip through `count` points (x, y pairs in window pixels), drawn with the
  // surface line width (1 unless an outline is being drawn).
  int DrawLineStrip(const float* points, int count, float r, float g, float b, float a);
  // Independent triangles: `count` vertices, two floats each, four colour floats each.
  // The colours are used as given.
  int DrawColorTriangles(const float* points, const float* colours, int count);
  // Filled rectangle with an optional outline `border` pixels wide (border > 0).
  int FillRect(int border, int left, int top, int right, int bottom, float fr, float fg, float fb, float fa,
               float br, float bg, float bb, float ba);
  // Gradient rectangle. Mode 1: colour1 at the top, colour2 at the bottom; 2: colour1
  // top and bottom, colour2 across the middle; 3: colour1 left, colour2 right; 4:
  // colour1 left and right, colour2 down the middle. Other modes draw mode 1.
  int FillGradientRect(int mode, int border, int left, int top, int right, int bottom, float r1, float g1,
                       float b1, float a1, float r2, float g2, float b2, float a2, float br, float bg, float bb,
                       float ba);
  // Rounded rectangle: filled when fill alpha > 0, outlined when border alpha > 0 and
  // line_width > 0. The radius is logical (scaled by the vertical factor).
  int DrawRoundRect(int left, int top, int right, int bottom, int radius, int segments, float line_width,
                    float fr, float fg, float fb, float fa, float br, float bg, float bb, float ba);

  GLFont* m_fonts[kFontSlots] = {};
  float m_line_width = 1.0f;
  ZBEntity m_entities;

 private:
  void ReloadFonts(void* arg);
  void ReleaseFonts();
};
