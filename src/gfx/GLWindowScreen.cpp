#include "gfx/GLWindowScreen.h"

#include <SDL.h>

#include "framework/Log.h"

GLWindowScreen::GLWindowScreen() {
  m_logical_width = 1280;
  m_logical_height = 720;
}

GLWindowScreen::~GLWindowScreen() {
  if (m_context) {
    SDL_GL_MakeCurrent(m_window, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
    m_context = nullptr;
  }
}

void GLWindowScreen::SetWindowAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // 8 bits per channel rather than 16-bit colour: a 16-bit visual bands gradients and
  // does not exist on every 24-bit X screen.
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
}

int GLWindowScreen::Fail(const char* text) {
  Log(LOG_FATAL, "GLWindowScreen::CreateContext | %s (%s)", text, SDL_GetError());
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "ERROR", text, nullptr);
  return 0;
}

int GLWindowScreen::CreateContext(SDL_Window* window, int width, int height) {
  m_logical_width = m_physical_width = width;
  m_logical_height = m_physical_height = height;
  m_window = window;
  if (!window) return Fail("Can't Create A GL Device Context.");
  SDL_GLContext ctx = SDL_GL_CreateContext(window);
  if (!ctx) return Fail("Can't Create A GL Rendering Context.");
  m_context = ctx;
  if (SDL_GL_MakeCurrent(window, ctx) != 0) return Fail("Can't Activate The GL Rendering Context.");
  // Frames are paced by the main loop, not by the display's refresh.
  SDL_GL_SetSwapInterval(0);
  SDL_ShowWindow(window);
  SDL_RaiseWindow(window);
  // The drawable size, not the window size, is the physical size (HiDPI displays
  // give more pixels than window units).
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  if (dw > 0 && dh > 0) SetViewSize(dw, dh);
  else SetViewSize(width, height);
  if (!InitGL()) return Fail("Initialization Failed.");
  OnPresent();
  return 1;
}

void GLWindowScreen::MakeCurrent() {
  if (m_window && m_context) SDL_GL_MakeCurrent(m_window, static_cast<SDL_GLContext>(m_context));
}

void GLWindowScreen::Present() {
  if (m_window) SDL_GL_SwapWindow(m_window);
  OnPresent();
}
