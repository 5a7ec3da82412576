#pragma once
#include <cstdint>

#include "ui/ZBEventCtrl.h"

class GLFont;

// A clickable rectangle drawn with the surface primitives (solid, rounded or gradient
// background per state) with an optional one- or two-line label. A click (press and
// release inside) is reported to the receiver at most once per click interval (500 ms).
//
// States: 0 normal, 1 pressed, 2 hover, 3 disabled. 0 -(down inside)-> 1 -(up inside,
// click)-> 0; 0 -(move inside)-> 2 -(move outside)-> 0; 2 -(down)-> 1; 1 -(move
// outside)-> 0. State 3 is set and cleared only by the owner and blocks all input.
class GLButton : public ZBEventCtrl {
 public:
  enum State { kNormal = 0, kPressed = 1, kHover = 2, kDisabled = 3 };
  static constexpr int kMaxLabel = 255;
  static constexpr int kMaxBreaks = 10;

  struct Rect {
    int left, top, right, bottom;
  };

  GLButton();
  ~GLButton() override = default;

  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;

  // All three rectangles := (l, t, r, b). A non-null label replaces the old one when
  // it has at most 254 characters (with the font size and flags); a longer one leaves
  // the button without label.
  virtual void SetupW(int l, int t, int r, int b, const wchar_t* label, int font_size, int flags);
  // The same with a UTF-8 label; a null label keeps the old one.
  virtual void Setup(int l, int t, int r, int b, const char* label, int font_size, int flags);
  virtual void DetachImage() {}
  virtual void DrawLabel();
  virtual void MoveBy(int dx, int dy);
  // The frame rectangle's top-left goes to (x, y); the others follow.
  virtual void MoveTo(int x, int y);
  virtual void SetRects(int l, int t, int r, int b);
  virtual Rect GetLabelRect() const { return m_label_rect; }
  virtual void SetLabelRect(int l, int t, int r, int b) { m_label_rect = {l, t, r, b}; }
  virtual Rect GetFrameRect() const { return m_frame_rect; }
  virtual Rect GetHitRect() const { return {m_left, m_top, m_right, m_bottom}; }
  virtual int Width() const { return m_frame_rect.right - m_frame_rect.left; }
  virtual int Height() const { return m_frame_rect.bottom - m_frame_rect.top; }

  // Changes the label alone.
  void SetLabel(const char* label, int font_size, int flags);
  const wchar_t* Label() const { return m_label; }
  int BreakCount() const { return m_break_count; }
  int BreakAt(int i) const { return m_breaks[i]; }
  int State() const { return m_state; }
  void SetState(int state) {
    m_state = state;
    m_state_times[state & 3] = NowMs();
  }

  // Played whenever a button reports a click; installed by the program (the sound
  // layer sits above the widgets). Null: silent.
  using ClickSoundFn = void (*)();
  static void SetClickSoundHook(ClickSoundFn fn);

  uint32_t m_last_click_time = 0;
  uint32_t m_click_interval = 500;
  uint32_t m_state_times[4] = {};
  int m_state = kNormal;
  wchar_t m_label[kMaxLabel] = {};
  int m_breaks[kMaxBreaks] = {};
  int m_break_count = 0;
  Rect m_frame_rect = {};
  Rect m_label_rect = {};
  int m_font_slot = 0;
  int m_label_flags = 5;
  int m_font_size = 10;
  float m_fill[4][4];
  float m_border[4][4];
  float m_label_colour[4][4];
  float m_gradient_a[4][4] = {};
  float m_gradient_b[4][4] = {};
  int m_background_mode = 0;
  float m_line_width = 1.0f;
  int m_corner_radius = 0;
  int m_corner_segments = 0;
  int m_click_guard = 0;

 protected:
  static uint32_t NowMs();
  // Moves the subclasses' image position along with the rectangles.
  virtual void OnMoved(int dx, int dy) { (void)dx, (void)dy; }
  void ComputeBreaks();
  GLFont* LabelFont() const;
};
