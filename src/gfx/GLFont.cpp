#include "gfx/GLFont.h"

#include <FTGL/ftgl.h>
#include <GL/gl.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "framework/Log.h"
#include "framework/StringUtil.h"
#include "gfx/GLWindowScreen.h"
#include "gfx/ThaiShaper.h"

namespace {

GLFont::PackageReadFn g_package_reader = nullptr;

const GLScreen* Screen() { return GLWindowScreen::Instance(); }

// Shapes `text` (n characters) into `out`; returns the shaped length. Strings without
// Thai marks are copied as they are.
int Shape(const wchar_t* text, size_t n, wchar_t* out) {
  if (!NeedsThaiShaping(text, n)) {
    if (n > GLFont::kMaxChars) n = GLFont::kMaxChars;
    std::wmemcpy(out, text, n);
    out[n] = 0;
    return static_cast<int>(n);
  }
  return static_cast<int>(ShapeThaiText(text, n, out, GLFont::kMaxChars));
}

}  // namespace

size_t Utf8ToWideFixed(const char* utf8, wchar_t* out) {
  out[0] = 0;
  if (!utf8) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  size_t avail = std::strlen(utf8);
  size_t n = 0;
  while (avail > 0) {
    int len = Utf8SequenceLength(p, avail);
    if (len <= 0 || n >= GLFont::kMaxChars) {
      out[0] = 0;
      return 0;
    }
    out[n++] = static_cast<wchar_t>(DecodeUtf8(p, len));
    p += len;
    avail -= len;
  }
  out[n] = 0;
  return n;
}

void GLFont::SetPackageReader(PackageReadFn fn) { g_package_reader = fn; }

GLFont::GLFont(int screen_width, int screen_height) : m_screen_width(screen_width), m_screen_height(screen_height) {}

GLFont::~GLFont() {
  DeleteFaces();
  std::free(m_package_buffer);
  m_package_buffer = nullptr;
}

FTFont* GLFont::MakeFont(int type) const {
  if (m_package_buffer) {
    const auto* b = m_package_buffer;
    const size_t n = static_cast<size_t>(m_package_size);
    switch (type) {
      case kOutline: return new FTOutlineFont(b, n);
      case kPolygon: return new FTPolygonFont(b, n);
      case kTexture: return new FTTextureFont(b, n);
      default: return new FTBufferFont(b, n);
    }
  }
  const char* path = m_file_path.empty() ? m_name : m_file_path.c_str();
  switch (type) {
    case kOutline: return new FTOutlineFont(path);
    case kPolygon: return new FTPolygonFont(path);
    case kTexture: return new FTTextureFont(path);
    default: return new FTBufferFont(path);
  }
}

void GLFont::DeleteFaces() {
  for (SizedFace& f : m_faces) {
    delete f.font;
    f = SizedFace{};
  }
  m_current_face = 0;
  m_font = nullptr;
}

void GLFont::ResetFaces(FTFont* font) {
  DeleteFaces();
  m_faces[0].font = font;
  m_font = font;
}

void GLFont::Initialize(int type, void* from_package) {
  if (type < 0 || type > kBuffer) return;
  std::snprintf(m_name, sizeof m_name, "%s", kFontPath);
  m_type = type;
  m_resolution = 88;
  if (!from_package) {
    Log(LOG_TRACE, "GLFont::Initialize ... file mode : %s", m_name);
    char resolved[PATH_MAX];
    m_file_path = realpath(m_name, resolved) ? resolved : m_name;
  } else {
    uint8_t* data = nullptr;
    size_t size = 0;
    if (!g_package_reader || !g_package_reader(from_package, m_name, &data, &size) || !data) return;
    std::free(m_package_buffer);
    m_package_buffer = data;
    m_package_size = static_cast<int>(size);
  }
  ResetFaces(MakeFont(type));
  if (from_package) Log(LOG_TRACE, "GLFont::Initialize ... raw mode : %s", m_name);
  if (m_font->Error()) {
    // A face that failed to open must not be sized or drawn (FTGL crashes on it): the
    // font stays uninitialised and every text measures as empty and draws nothing.
    Log(LOG_WARNING, "GLFont::Initialize | cannot open the face %s (error %d)", m_name, m_font->Error());
    DeleteFaces();
    return;
  }
  ApplyFaceSize(m_face_size);
  m_font->Depth(100.0f);
  m_initialised = 1;
}

int GLFont::ReloadFromPackage() {
  if (!m_initialised || !m_package_buffer) return 0;
  ResetFaces(MakeFont(m_type));
  if (m_font->Error()) {
    DeleteFaces();
    m_initialised = 0;
    return 0;
  }
  Log(LOG_TRACE, "SetFaceSize(reload) ***************** %d:%d", m_type, ScaledResolution());
  m_face_size = 10;
  ApplyFaceSize(10);
  m_font->Depth(100.0f);
  return 1;
}

int GLFont::ScaledResolution() const {
  // Glyphs are rasterised at the window's resolution; ties round to even, so scale 1.0
  // gives 88 (from 88.5) and 1.5 gives 132 (from 132.5).
  return static_cast<int>(std::nearbyint(m_resolution * Screen()->m_scale_x + 0.5));
}

namespace {
// Order of preference for the slot that takes a new size: a made but never sized face
// (the one Initialize made), then an empty slot, then the face unused for longest.
int SlotRank(const FTFont* font, unsigned size) { return font ? (size == 0 ? 0 : 2) : 1; }
}  // namespace

void GLFont::ApplyFaceSize(int size) {
  if (!m_font || size <= 0) return;
  const unsigned want = static_cast<unsigned>(size);
  const unsigned res = static_cast<unsigned>(ScaledResolution());
  // FTGL throws its glyph cache away on every FaceSize call, even for the size it
  // already has. Widgets set their size before each text, so the sizes in use keep a
  // face each, and a change of size mostly just selects the right one.
  int pick = 0;
  for (int i = 0; i < kSizedFaces; ++i) {
    SizedFace& f = m_faces[i];
    if (f.font && f.size == want && f.resolution == res) {
      f.last_use = ++m_use_clock;
      m_current_face = i;
      m_font = f.font;
      return;
    }
    const int rank = SlotRank(f.font, f.size), best = SlotRank(m_faces[pick].font, m_faces[pick].size);
    if (rank < best || (rank == 2 && best == 2 && f.last_use < m_faces[pick].last_use)) pick = i;
  }
  if (!m_faces[pick].font) {
    FTFont* made = MakeFont(m_type);
    if (made->Error()) {
      // No further face can be opened: resize the current one, as a lone font would.
      delete made;
      pick = m_current_face;
    } else {
      made->Depth(100.0f);
      m_faces[pick].font = made;
    }
  }
  SizedFace& f = m_faces[pick];
  // FTGL's size object hands FreeType the resolution of the previous FaceSize call
  // (none, meaning 72, on a new face) and ignores a call that repeats its last size and
  // resolution: a face new to this resolution is first sized once to a neighbouring
  // size, or its glyphs would come out at the old resolution.
  if (f.resolution != res) f.font->FaceSize(want + 1, res);
  f.font->FaceSize(want, res);
  f.font->Outset(size * 0.05f, size * 0.1f);
  ++m_ftgl_resizes;
  f.size = want;
  f.resolution = res;
  f.last_use = ++m_use_clock;
  m_current_face = pick;
  m_font = f.font;
}

void GLFont::SetFaceSize(int size) {
  if (!m_initialised || !m_font || size == m_face_size) return;
  m_face_size = static_cast<int>(size * 0.94);
  ApplyFaceSize(m_face_size);
}

void GLFont::MeasureShaped(const wchar_t* text, int n, int* width, int* height) const {
  const GLScreen* screen = Screen();
  float advance = 0.0f, ascender = 0.0f;
  if (m_font) {
    advance = n > 0 ? m_font->Advance(text, n, FTPoint(m_face_size * m_letter_spacing, m_line_spacing, 0.0)) : 0.0f;
    ascender = m_font->Ascender();
  }
  int w = static_cast<int>(advance + 0.5f);
  int h = static_cast<int>(ascender + 0.5f);
  w = static_cast<int>(m_scale_x * w + 0.5f);
  h = static_cast<int>(m_scale_y * h + 0.5f);
  *width = static_cast<int>(screen->m_inv_scale_x * w + 0.5f);
  *height = static_cast<int>(screen->m_inv_scale_y * h + 0.5f);
}

GLTextBox GLFont::MeasureTextW(const wchar_t* text) {
  GLTextBox box{0, 0, 0, 0};
  if (!text) return box;
  wchar_t shaped[kMaxChars + 1];
  size_t n = std::wcslen(text);
  if (n > kMaxChars) n = 0;  // too long for the buffers: measures as empty
  int len = Shape(text, n, shaped);
  MeasureShaped(shaped, len, &box.right, &box.bottom);
  return box;
}

GLTextBox GLFont::MeasureText(const char* utf8) {
  GLTextBox box{0, 0, 0, 0};
  if (!utf8) return box;
  wchar_t wide[kMaxChars + 1];
  wchar_t shaped[kMaxChars + 1];
  size_t n = Utf8ToWideFixed(utf8, wide);
  int len = Shape(wide, n, shaped);
  MeasureShaped(shaped, len, &box.right, &box.bottom);
  return box;
}

void GLFont::DrawShaped(int flags, const GLTextBox& box, const wchar_t* text, int n, const float colour[4]) {
  int x = box.left;
  int y = box.top;
  if (flags & (kAlignCentre | kAlignRight | kAlignVCentre | kAlignBottom)) {
    int w = 0, h = 0;
    MeasureShaped(text, n, &w, &h);
    if (flags & kAlignCentre) {
      x = box.left + (box.right - box.left) / 2 - w / 2;
    } else if (flags & kAlignRight) {
      x = box.right - w;
    }
    if (flags & kAlignVCentre) {
      y = (box.bottom - box.top > h) ? box.top + (box.bottom - box.top - h) / 2 : box.top + (box.bottom - box.top) / 2 - h / 2;
    } else if (flags & kAlignBottom) {
      y = (box.bottom - box.top > h) ? box.bottom - h : box.top;
    }
  }
  if (m_initialised) RenderShaped(text, n, static_cast<float>(x), static_cast<float>(y), colour);
}

void GLFont::DrawTextW(int flags, const GLTextBox& box, const wchar_t* text, const float colour[4]) {
  if (!text) return;
  wchar_t shaped[kMaxChars + 1];
  size_t n = std::wcslen(text);
  if (n > kMaxChars) n = 0;
  int len = Shape(text, n, shaped);
  DrawShaped(flags, box, shaped, len, colour);
}

void GLFont::DrawText(const char* utf8, int flags, const GLTextBox& box, const float colour[4]) {
  if (!utf8) return;
  wchar_t wide[kMaxChars + 1];
  wchar_t shaped[kMaxChars + 1];
  size_t n = Utf8ToWideFixed(utf8, wide);
  int len = Shape(wide, n, shaped);
  DrawShaped(flags, box, shaped, len, colour);
}

void GLFont::DrawTextAt(float x, float y, const char* utf8, int flags, const float colour[4]) {
  const GLTextBox box{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x), static_cast<int>(y)};
  DrawText(utf8, flags, box, colour);
}

void GLFont::RenderText(const wchar_t* text, float x, float y, const float colour[4]) {
  if (!text) return;
  wchar_t shaped[kMaxChars + 1];
  size_t n = std::wcslen(text);
  if (n > kMaxChars) n = 0;
  int len = Shape(text, n, shaped);
  RenderShaped(shaped, len, x, y, colour);
}

void GLFont::DrawTicking(const char* ascii, int flags, const GLTextBox& box, const float colour[4]) {
  constexpr int kMax = 32;
  wchar_t glyph[kMax];
  int width[kMax];
  int n = 0, total = 0, h = 0;
  for (; ascii && ascii[n] && n < kMax; ++n) {
    glyph[n] = static_cast<wchar_t>(static_cast<unsigned char>(ascii[n]) & 0x7f);
    MeasureShaped(&glyph[n], 1, &width[n], &h);
    total += width[n];
  }
  int x = box.left;
  if (flags & kAlignCentre) x = box.left + (box.right - box.left) / 2 - total / 2;
  else if (flags & kAlignRight) x = box.right - total;
  const int vertical = flags & (kAlignVCentre | kAlignBottom);
  for (int i = 0; i < n; ++i) {
    DrawShaped(vertical, GLTextBox{x, box.top, x + width[i], box.bottom}, &glyph[i], 1, colour);
    x += width[i];
  }
}

void GLFont::RenderShaped(const wchar_t* text, int n, float x, float y, const float colour[4]) {
  if (!m_font || n <= 0) return;
  const GLScreen* screen = Screen();
  const float sx = screen->m_scale_x;
  const float sy = screen->m_scale_y;
  const float tint_alpha = screen->m_tint[3];
  const float wx = sx * x;
  const float wy = m_vertical_mode == 1
                       ? static_cast<float>(screen->m_physical_height) - sy * y - sx * m_face_size
                       : static_cast<float>(m_screen_height) - y - m_face_size;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  if (m_type == kTexture || m_type == kBuffer) {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const bool modulate = m_type == kBuffer && (colour[3] < 1.0f || tint_alpha < 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, modulate ? GL_MODULATE : GL_REPLACE);
    glColor4f(colour[0], colour[1], colour[2], colour[3] * tint_alpha);
    glTranslatef(wx, wy, 0.0f);
    glScalef(m_scale_x, m_scale_y, 1.0f);
    m_font->Render(text, n, FTPoint(), FTPoint(m_face_size * m_letter_spacing, m_line_spacing, 0.0),
                   FTGL::RENDER_ALL);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
  } else {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glTranslatef(wx, wy, 0.0f);
    glScalef(m_scale_x, m_scale_y, 1.0f);
    m_font->Render(text, n, FTPoint(), FTPoint(), FTGL::RENDER_ALL);
  }
  glPopMatrix();
}
