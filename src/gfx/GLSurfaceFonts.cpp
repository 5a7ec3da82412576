// The font slots of the drawing surface: creation, the resize step and the reload.
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLWindowScreen.h"

int GLSurface::Initialize(int slot, void* from_package) {
  if (slot < 0 || slot >= kFontSlots) return 0;
  ZBSafeRelease(m_fonts[slot]);
  const GLScreen* screen = GLWindowScreen::Instance();
  GLFont* font = new GLFont(screen->m_physical_width, screen->m_physical_height);
  font->Initialize(GLFont::kBuffer, from_package);
  if (font->m_vertical_mode == 0 || font->m_vertical_mode == 1) font->m_vertical_mode = 1;
  m_fonts[slot] = font;
  return 1;
}

void GLSurface::MarkFontSizesStale() {
  // The window scale changed: glyphs must be rasterised at the new resolution. Size 9
  // is applied at once; the next request for any other size re-applies at the new scale.
  for (int i = 0; i < kPackageFontSlots; ++i) {
    GLFont* f = m_fonts[i];
    if (!f || !f->IsInitialised() || !f->Ftgl() || f->m_face_size == 10) continue;
    f->m_face_size = 9;
    f->ApplyFaceSize(9);
  }
}

void GLSurface::ReloadFonts(void* arg) {
  (void)arg;
  for (int i = 0; i < kPackageFontSlots; ++i)
    if (m_fonts[i]) m_fonts[i]->ReloadFromPackage();
}

void GLSurface::ReleaseFonts() {
  for (GLFont*& f : m_fonts) ZBSafeRelease(f);
}
