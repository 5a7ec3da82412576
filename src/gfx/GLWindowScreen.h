#pragma once
#include "framework/ZBSingleton.h"
#include "gfx/GLScreen.h"

struct SDL_Window;

// The screen on the program's window: owns the GL context, presents by swapping the
// window's buffers. Logical size 1280 x 720.
class GLWindowScreen : public GLScreen, public ZBSingleton<GLWindowScreen> {
 public:
  GLWindowScreen();
  ~GLWindowScreen() override;

  // Framebuffer attributes every window must be created with (call before creating
  // the window): double buffering, RGB colour, a 16-bit depth buffer, no stencil or
  // accumulation, compatibility profile (fixed-function GL).
  static void SetWindowAttributes();

  // Creates and activates the GL context on `window` with the given client size.
  // Returns 1, or 0 after showing an error box.
  int CreateContext(SDL_Window* window, int width, int height);
  // Makes the context current again (after another toolkit used GL or the window).
  void MakeCurrent();
  void Present() override;

  SDL_Window* Window() const { return m_window; }
  void* Context() const { return m_context; }

 private:
  static int Fail(const char* text);

  SDL_Window* m_window = nullptr;
  void* m_context = nullptr;
};
