#pragma once
#include <string>

#include "ui/GLScrollBoxItem.h"

class GLTexture;

// A row of a text scroll box: one line of text (held whole, however long), or an
// image placed by flags inside the row. Main thread only.
class GLScrollTextItem : public GLScrollBoxItem {
 public:
  // Image placement flags.
  enum : int {
    kImageCentreX = 1,
    kImageRight = 2,  // right-aligned with the x offset as margin
    kImageCentreY = 4,
    kImageBottom = 8,  // bottom-aligned with the bottom padding
  };

  GLScrollTextItem(int height, const wchar_t* text, size_t length, int font_slot, int font_size, const float colour[4],
                   int flags);
  GLScrollTextItem(int height, GLTexture* image, int x_offset, int top_padding, int bottom_padding, int flags);

  int Draw() override;

  const std::wstring& Text() const { return m_text; }
  GLTexture* Image() const { return m_image; }

  int m_font_slot = 0;
  int m_font_size = 10;
  int m_flags = 0;
  float m_colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  std::wstring m_text;
  GLTexture* m_image = nullptr;
  int m_x_offset = 0;
  int m_top_padding = 0;
  int m_bottom_padding = 0;
};
