#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/ZBObject.h"
#include "gfx/GLSurface.h"

class GLScreen;

// The one kind of image object: a GL texture made from a PNG or JPEG image, cut into a
// grid of equally sized frames (a sprite sheet) and drawn as one textured quad per call
// at a logical position, with scale, tint, alpha, rotation about a pivot, flips, a
// card-turn distortion and a timed frame animation.
//
// Quad vertices: 0 bottom-left, 1 bottom-right, 2 top-right, 3 top-left (window
// orientation, y up). Image row 0 (the top of the picture) is texture v = 0.
class GLTexture : public ZBObject, public SurfaceEntity {
 public:
  static constexpr unsigned kNoTexture = 99999999u;

  enum ImageFormat { kFormatJpeg = 0, kFormatPng = 1, kFormatNone = 2 };
  enum Pivot { kPivotCentre = 0, kPivotTopLeft = 1, kPivotTopRight = 2, kPivotBottomLeft = 3, kPivotBottomRight = 4 };

  GLTexture();
  ~GLTexture() override;

  // Draws one frame; frame -1 draws the animation's own frame; x = y = -1 keeps the last
  // position. (x, y) is the top-left corner in logical units, or the centre when
  // `centred`.
  virtual void Draw(int frame, float x, float y, int centred);
  virtual void DrawAt(float x, float y) { Draw(0, x, y, 0); }
  // Binds the texture with blending and its colour rules (own tint, the screen's fade),
  // ready for a vertex array draw.
  void ApplyDrawState(const GLScreen* screen) const;
  // Logical size of the whole sheet.
  virtual void SetSize(float width, float height);
  // Scale relative to the display size.
  virtual void SetScale(float fx, float fy);
  // Scale so that one frame is width x height logical units.
  virtual void SetFrameSize(int width, int height);
  virtual void OnTransformChanged() {}

  int Reload(void* arg) override {
    (void)arg;
    return 1;
  }

  // Loads "name" (.png or .jpg/.jpeg, case-insensitive) as a columns x rows sheet.
  // 1 on success, 0 on failure (logged). A decode failure still gives 1 with an empty
  // 0 x 0 image.
  int Create(const char* name, void* from_package, int columns, int rows);
  // Adopts a filled GL texture of width x height pixels. Returns 1.
  int SetTexture(unsigned texture, int width, int height, int columns, int rows);
  void StartAnimation(int interval_ms);
  void SetColor(float r, float g, float b, float alpha) {
    m_color[0] = r;
    m_color[1] = g;
    m_color[2] = b;
    m_color[3] = alpha;
  }
  // Reshapes the quad to look like a card turning about its vertical axis; angle 0 or
  // above 180 restores the flat quad.
  void SetFlipAngle(float angle, float skew);

  bool HasTexture() const { return m_texture_id != kNoTexture; }
  float FrameWidth() const { return m_frame_width; }
  float FrameHeight() const { return m_frame_height; }
  int FrameCount() const { return m_frame_count; }

  // Bytes of a resource package entry: fills *data (malloc'd, freed by the caller) and
  // *size and returns 1, or 0 when the package has no such entry. Installed by the
  // resource package; without it package loads fail as misses.
  using PackageReadFn = int (*)(void* package, const char* name, uint8_t** data, size_t* size);
  static void SetPackageReader(PackageReadFn fn);
  static PackageReadFn PackageReader();

  int m_image_format = kFormatNone;
  char m_name[255] = {};
  int m_has_texture = 0;
  unsigned m_texture_id = kNoTexture;
  int m_column_major = 0;
  int m_flip_x = 0, m_flip_y = 0;
  float m_visible_x = 1.0f, m_visible_y = 1.0f;
  int m_animating = 0;
  int m_spinning = 0;
  uint32_t m_last_tick = 0;
  int m_interval = 0;
  int m_anim_frame = 0;
  float m_spin_angle = 0.0f;
  int m_frame_count = 0;
  int m_current_frame = 0;
  float m_display_width = 0.0f, m_display_height = 0.0f;
  float m_columns = 1.0f, m_rows = 1.0f;
  float m_source_x = 0.0f, m_source_y = 0.0f;
  float m_region_width = 0.0f, m_region_height = 0.0f;
  float m_texture_width = 0.0f, m_texture_height = 0.0f;
  float m_frame_width = 0.0f, m_frame_height = 0.0f;
  float m_x = 0.0f, m_y = 0.0f;
  float m_scale_x = 1.0f, m_scale_y = 1.0f;
  float m_rotation = 0.0f;
  int m_pivot = kPivotCentre;
  float m_saved_scale_x = 1.0f, m_saved_scale_y = 1.0f;
  float m_color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float m_window_quad[12] = {};
  float m_base_quad[12] = {};
  float m_texcoords[8] = {};
  uint8_t m_indices[6] = {0, 1, 2, 0, 2, 3};

 private:
  void ResetBaseQuad();
  void ReleaseTexture();
  bool m_registered = false;
};
