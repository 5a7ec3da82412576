#pragma once
#include <cstdint>

#include "ui/CImeBox.h"
#include "ui/ZBEventCtrl.h"

class GLFont;

// A drawn text field that owns its edit buffer. Touching it (press and release inside)
// notifies the receiver (at most once per 500 ms) and takes the keyboard focus; a
// release outside drops the focus. Draws the background per state, the text (or the
// placeholder when empty, or asterisks in password mode), the input method's current
// composition at the caret, and a blinking caret while focused.
class GLInputText : public ZBEventCtrl, public CImeBox {
 public:
  enum State { kNormal = 0, kPressed = 1, kActive = 2, kDisabled = 3 };
  struct Rect {
    int left, top, right, bottom;
  };

  GLInputText();
  ~GLInputText() override = default;

  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  virtual void Setup(int l, int t, int r, int b, int password, int padding, int font_size, int flags);
  virtual void MoveBy(int dx, int dy) { SetRect(m_left + dx, m_top + dy, m_right + dx, m_bottom + dy); }
  // Keeps width and height.
  virtual void MoveTo(int x, int y) { MoveBy(x - m_left, y - m_top); }
  virtual Rect GetRect() const { return {m_left, m_top, m_right, m_bottom}; }
  virtual int Width() const { return m_right - m_left; }
  virtual int Height() const { return m_bottom - m_top; }

  // UTF-8 in and out.
  const char* GetText() override;
  void SetText(const char* utf8) override;
  // Tells the input method where the field is, so its candidate window opens nearby.
  void OnFocusChanged(int focused) override;

  // Ignored for a null text or one of 255 characters or more.
  void SetPlaceholder(const char* utf8, float r, float g, float b, float a);

  int State() const { return m_field_state; }
  void SetState(int s) { m_field_state = s; }

  uint32_t m_last_notify_time = 0;
  uint32_t m_notify_interval = 500;
  char m_placeholder[765] = {};
  float m_placeholder_colour[4];
  int m_password = 0;
  int m_padding = 0;
  int m_font_slot = 0;
  int m_text_flags = 5;
  int m_font_size = 10;
  int m_corner_radius = 0;
  int m_corner_segments = 0;
  float m_fill[4][4];
  float m_border[4][4];
  float m_text_colour[4][4];

 private:
  GLFont* Font() const;
  // The text as drawn (asterisks in password mode, the composition spliced in at the
  // caret) and the byte offset of the caret in it.
  int BuildDisplay(char* out, int size, int* caret) const;
};
