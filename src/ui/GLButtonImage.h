#pragma once
#include "ui/GLButton.h"

class GLTexture;

// A button drawn from a shared sprite sheet (not owned), one frame per state:
// three frames -> normal 0, pressed and hover 1, disabled 2; two frames -> pressed and
// hover 1, otherwise 0; other counts -> frame (state mod count).
class GLButtonImage : public GLButton {
 public:
  GLButtonImage() = default;

  int Draw() override;
  void DetachImage() override { m_image = nullptr; }
  // Hides the rectangle background, keeps the texture and sizes all rectangles to one
  // scaled frame at (x, y). 0 for a null texture.
  int SetImage(GLTexture* texture, int x, int y);
  GLTexture* Image() const { return m_image; }

  // The frame shown for `state` by a sheet of `frames` frames.
  static int FrameForState(int frames, int state);

  int m_image_x = 0;
  int m_image_y = 0;
  GLTexture* m_image = nullptr;

 protected:
  void OnMoved(int dx, int dy) override {
    m_image_x += dx;
    m_image_y += dy;
  }
};
