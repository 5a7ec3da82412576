#pragma once
#include "gfx/GLTexture.h"
#include "ui/GLButton.h"

// A button that is itself a texture: it owns a three-frame image (normal, pressed or
// hover, disabled) and can play a press effect, a second texture (not owned) that grows
// from half to full size and fades out over 1.5 s while the button is held.
class GLButtonEx : public GLButton, public GLTexture {
 public:
  // The horizontal position that centres a 288-unit-wide image on the 1280-unit screen.
  static constexpr int kCentredX = 496;

  GLButtonEx() = default;

  int Draw() override;
  // Forgets the effect and deletes the own GL texture.
  void DetachImage() override;
  // Loads the three-frame image and places the button at (496, y). 0 when the image
  // cannot be loaded.
  int LoadImage(int y, const char* name, void* from_package);
  // Any change of the texture's size or scale resizes the three rectangles.
  void OnTransformChanged() override;

  int m_image_x = 0;
  int m_image_y = 0;
  GLTexture* m_effect = nullptr;
  uint32_t m_effect_duration = 1500;
  float m_effect_start_scale = 0.5f;
  float m_effect_end_scale = 1.0f;
  int m_effect_offset_x = 0;
  int m_effect_offset_y = 0;

 protected:
  void OnMoved(int dx, int dy) override {
    m_image_x += dx;
    m_image_y += dy;
  }
};
