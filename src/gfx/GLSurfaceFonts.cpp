// The font slots of the drawing surface. Fonts come with the text module; until it is
// in place the slots stay empty and creating a slot succeeds without a font, so the
// program starts and draws everything except text.
#include "gfx/GLSurface.h"

int GLSurface::Initialize(int slot, void* from_package) {
  (void)from_package;
  return (slot >= 0 && slot < kFontSlots) ? 1 : 0;
}

void GLSurface::ReloadFonts(void* arg) { (void)arg; }

void GLSurface::MarkFontSizesStale() {}

void GLSurface::ReleaseFonts() {
  for (GLFont*& f : m_fonts) f = nullptr;
}
