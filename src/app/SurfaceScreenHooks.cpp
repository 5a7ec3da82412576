#include "app/SurfaceScreenHooks.h"

#include <SDL.h>

#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLWindowScreen.h"

int SurfaceScreenHooks::InitWindow(void* window, int width, int height) {
  return GLWindowScreen::Instance()->CreateContext(static_cast<SDL_Window*>(window), width, height);
}

void SurfaceScreenHooks::SetDesignSize(int width, int height) {
  GLWindowScreen* s = GLWindowScreen::Instance();
  s->SetLogicalSize(width, height);
  // Keep the pointer conversion right before the next frame recomputes the factors.
  s->UpdateScale();
}

int SurfaceScreenHooks::InitSurface(void* package) { return GLSurface::Instance()->Initialize(0, package); }

void SurfaceScreenHooks::ReloadSurface(void* package) { GLSurface::Instance()->ReloadSurface(package); }

float SurfaceScreenHooks::PointerScaleX() { return GLWindowScreen::Instance()->m_inv_scale_x; }
float SurfaceScreenHooks::PointerScaleY() { return GLWindowScreen::Instance()->m_inv_scale_y; }

bool SurfaceScreenHooks::FrameDue() { return GLWindowScreen::Instance()->IsFrameDue(100.0f); }

void SurfaceScreenHooks::BeginFrame() { GLWindowScreen::Instance()->BeginFrame(1); }

void SurfaceScreenHooks::EndFrame() {
  GLWindowScreen* s = GLWindowScreen::Instance();
  s->EndFrame();
  s->Present();
  ++m_frames;
}

void SurfaceScreenHooks::DrawRoundRect(float left, float top, float right, float bottom, float radius,
                                       int segments, float line_width, HookColor fill, HookColor border) {
  GLSurface::Instance()->DrawRoundRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                                       static_cast<int>(bottom), static_cast<int>(radius), segments, line_width,
                                       fill.r, fill.g, fill.b, fill.a, border.r, border.g, border.b, border.a);
}

void SurfaceScreenHooks::DrawTextCentered(const char* utf8, float left, float top, float right, float bottom,
                                          int size, HookColor color) {
  GLFont* font = GLSurface::Instance()->Font(0);
  if (!font || !utf8 || !*utf8) return;
  font->SetFaceSize(size);
  const float rgba[4] = {color.r, color.g, color.b, color.a};
  font->DrawText(utf8, GLFont::kAlignCentre | GLFont::kAlignVCentre,
                 GLTextBox{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                           static_cast<int>(bottom)},
                 rgba);
}

void SurfaceScreenHooks::Shutdown() {
  GLSurface::DestroyInstance();
  GLWindowScreen::DestroyInstance();
}
