#include "media/GameSplashHooks.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include "media/GameSplash.h"

namespace {
// The X window of the current GL window, 0 when there is none (or not on X11).
unsigned long CurrentXWindow() {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (!window) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return static_cast<unsigned long>(info.info.x11.window);
}
}  // namespace

int GameSplashHooks::Initialize() {
  GameSplash* splash = GameSplash::Instance();
  if (!splash->LoadPictures()) return 0;
  splash->SetOwnerWindow(CurrentXWindow());
  m_splash.store(splash);
  SetConnectingIndicator(this);
  return 1;
}

bool GameSplashHooks::IsSplashShown() {
  GameSplash* s = m_splash.load();
  return s && s->IsSplashShown();
}

bool GameSplashHooks::IsLoadingActive() {
  GameSplash* s = m_splash.load();
  return s && s->IsLoadingActive();
}

void GameSplashHooks::SetSplashWindow(uint32_t timeout_ms, bool show) {
  if (GameSplash* s = m_splash.load()) s->SetSplashWindow(timeout_ms, show ? 1 : 0);
}

void GameSplashHooks::ShowLoading(uint32_t timeout_ms, int kind) {
  if (GameSplash* s = m_splash.load()) s->ShowLoading(timeout_ms, kind);
}

void GameSplashHooks::HideLoading() {
  if (GameSplash* s = m_splash.load()) s->HideLoading(0, 1);
}

void GameSplashHooks::DrawOverlay() {
  if (GameSplash* s = m_splash.load()) s->DrawOverlay();
}

void GameSplashHooks::Show(uint32_t timeout_ms) {
  if (GameSplash* s = m_splash.load()) s->ExtendLoading(timeout_ms);
}

void GameSplashHooks::Stop() {
  if (GameSplash* s = m_splash.load()) s->HideLoading(0, 0);
}

void GameSplashHooks::Shutdown() {
  SetConnectingIndicator(nullptr);
  m_splash.store(nullptr);
  GameSplash::DestroyInstance();
}
