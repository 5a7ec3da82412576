#pragma once
#include "ui/GLScrollBox.h"

class GLTexture;

// A scroll box of text lines and images for long texts. Text is wrapped by characters
// to the box's width (or kept on one row with `single`); touches only scroll it.
// Main thread only.
class GLScrollTextBox : public GLScrollBox {
 public:
  static constexpr int kMaxText = 2047;

  // Adds the text as rows of `line_height`; texts over 2047 units, or without a font
  // in `font_slot`, add nothing. Returns the number of rows added.
  virtual int AddTextW(const wchar_t* text, int line_height, int font_slot, int font_size, float r, float g,
                       float b, float a, int single, int flags);
  virtual int AddText(const char* utf8, int line_height, int font_slot, int font_size, float r, float g, float b,
                      float a, int single, int flags);
  // Adds an image row of `height`; 0 for a null image.
  virtual int AddImage(GLTexture* image, int height, int x_offset, int top_padding, int bottom_padding, int flags);

  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
};
