#include "media/NotifyTextBlock.h"

#include <cstring>
#include <cwchar>

#include "framework/StringUtil.h"
#include "gfx/GLFont.h"

namespace {

// Thai marks that sit on the consonant before them: a line never starts with one.
bool IsCombiningMark(wchar_t c) {
  return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E);
}

// Width per character when there is no font to measure with.
constexpr int kFallbackCharWidth = 12;

}  // namespace

void NotifyTextBlock::Clear() {
  m_line_count = 0;
  m_building = 0;
  m_lines[0][0] = 0;
}

int NotifyTextBlock::MeasureLine(GLFont* font, const wchar_t* text) const {
  if (!font || !font->IsInitialised()) return static_cast<int>(std::wcslen(text)) * kFallbackCharWidth;
  return font->MeasureTextW(text).right;
}

void NotifyTextBlock::EndLine() {
  if (m_line_count >= kMaxLines) return;
  m_lines[m_line_count][m_building] = 0;
  ++m_line_count;
  m_building = 0;
  if (m_line_count < kMaxLines) m_lines[m_line_count][0] = 0;
}

void NotifyTextBlock::AddChar(GLFont* font, wchar_t c) {
  if (m_building >= kMaxLineChars) EndLine();
  if (m_line_count >= kMaxLines) return;
  wchar_t* line = m_lines[m_line_count];
  line[m_building] = c;
  line[m_building + 1] = 0;
  // Too wide with this character: the line ends before it. A combining mark never
  // starts a line, so it stays with its consonant even when it overhangs a little.
  if (m_building > 0 && !IsCombiningMark(c) && MeasureLine(font, line) > m_right - m_left) {
    line[m_building] = 0;
    EndLine();
    if (m_line_count >= kMaxLines) return;
    m_lines[m_line_count][0] = c;
    m_lines[m_line_count][1] = 0;
  }
  ++m_building;
}

void NotifyTextBlock::Set(GLFont* font, int left, int top, int right, int bottom, const char* utf8, int font_size,
                          const float colour[4], int flags, int line_height) {
  Clear();
  m_left = left;
  m_top = top;
  m_right = right;
  m_bottom = bottom;
  m_font_size = font_size;
  m_flags = flags;
  m_line_height = line_height > 0 ? line_height : 1;
  std::memcpy(m_colour, colour, sizeof(m_colour));
  if (!utf8) return;
  int saved_size = 0;
  const bool measure = font && font->IsInitialised();
  if (measure) {
    saved_size = font->FaceSize();
    font->SetFaceSize(font_size);
  }
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  size_t avail = std::strlen(utf8);
  while (avail > 0 && m_line_count < kMaxLines) {
    int len = Utf8SequenceLength(p, avail);
    if (len <= 0) {  // an invalid byte is skipped, the rest still shows
      ++p;
      --avail;
      continue;
    }
    const wchar_t c = static_cast<wchar_t>(DecodeUtf8(p, len));
    p += len;
    avail -= static_cast<size_t>(len);
    if (c == L'\r') continue;
    if (c == L'\n') {
      EndLine();
      continue;
    }
    AddChar(font, c);
  }
  if (m_building > 0) EndLine();
  if (measure) font->SetFaceSize(saved_size);
}

void NotifyTextBlock::Draw(GLFont* font) const {
  if (!font || m_line_count == 0) return;
  const int saved_size = font->FaceSize();
  font->SetFaceSize(m_font_size);
  const int area = m_bottom - m_top;
  int shown = area / m_line_height;
  if (shown < 1) shown = 1;
  if (shown > m_line_count) shown = m_line_count;
  int y = m_top;
  if (m_flags & GLFont::kAlignVCentre) y = m_top + (area - shown * m_line_height) / 2;
  // Each line is centred vertically in its own row; horizontal alignment as asked.
  const int line_flags = (m_flags & (GLFont::kAlignCentre | GLFont::kAlignRight)) | GLFont::kAlignVCentre;
  for (int i = 0; i < shown; ++i, y += m_line_height) {
    font->DrawTextW(line_flags, GLTextBox{m_left, y, m_right, y + m_line_height}, m_lines[i], m_colour);
  }
  font->SetFaceSize(saved_size);
}
