#pragma once
#include <cstddef>

class GLFont;

// The message of a notice box: UTF-8 text broken into lines by characters to fit a
// rectangle (explicit line breaks kept), laid out once when the text is set and drawn
// every frame without further work. The block of lines is centred vertically in the
// rectangle when the flags ask for it (font alignment flags), and every line is aligned
// horizontally with the same flags. Lines that do not fit the rectangle's height are
// not drawn. Main thread only.
class NotifyTextBlock {
 public:
  static constexpr int kMaxLines = 24;
  static constexpr int kMaxLineChars = 254;

  // Sets the area, the look and the text, and lays the lines out with `font` (or with a
  // fixed per-character width when there is no font, as in tests without GL).
  void Set(GLFont* font, int left, int top, int right, int bottom, const char* utf8, int font_size,
           const float colour[4], int flags, int line_height);
  void Clear();
  void Draw(GLFont* font) const;

  int LineCount() const { return m_line_count; }
  const wchar_t* Line(int i) const { return (i >= 0 && i < m_line_count) ? m_lines[i] : L""; }
  int Left() const { return m_left; }
  int Top() const { return m_top; }
  int Right() const { return m_right; }
  int Bottom() const { return m_bottom; }
  int FontSize() const { return m_font_size; }
  int Flags() const { return m_flags; }
  int LineHeight() const { return m_line_height; }
  const float* Colour() const { return m_colour; }

 private:
  // Appends one character to the line being built, breaking before it when the line
  // would grow wider than the area.
  void AddChar(GLFont* font, wchar_t c);
  void EndLine();
  int MeasureLine(GLFont* font, const wchar_t* text) const;

  wchar_t m_lines[kMaxLines][kMaxLineChars + 1] = {};
  int m_line_count = 0;
  int m_building = 0;  // characters in the line being built
  int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
  int m_font_size = 20;
  int m_flags = 5;
  int m_line_height = 40;
  float m_colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};
