#pragma once
#include <SDL.h>

#include <cstdint>

#include "app/FramePacing.h"

class GameLogic;

// Windows virtual-key code for an SDL key (13 Enter, 27 Escape, 36 Home, letters and
// digits as upper-case ASCII, ...), 0 for keys the game has no code for.
int WindowsKeyCode(SDL_Keycode key);

// Wheel rotation in units of 1/120 notch to design units: one notch is 40, truncated
// toward zero (a half notch gives 0).
inline int WheelDeltaToDesign(int delta120) { return static_cast<int16_t>(delta120) / 120 * 40; }

// The size a window may have after the user resized it: keeps the aspect ratio of the
// initial client size (kept_width x kept_height) and a minimum width of 640.
// `width_changed` tells which edge moved: the width (left or right edge) gives the
// height, otherwise the height gives the width. A size that already has the aspect
// ratio (to the pixel) is kept as it is.
struct WindowSize {
  int width, height;
};
WindowSize ApplySizingRule(int width, int height, bool width_changed, int kept_width, int kept_height);

// The program's only window and its main loop: pending events always come before
// frames; a frame runs only when no event is waiting, under the game logic's frame
// lock, then the work posted for after the frame (GameAfterFrame), outside the lock,
// followed by a 1 ms sleep while the window is in focus, or by a wait of at most 10 ms
// for the next window event while it is not (FramePacing: out of focus it draws at a
// reduced rate, minimised or hidden not at all). Events are handled under the
// frame lock too.
class GameWindow {
 public:
  static constexpr int kClientWidth = 1280;
  static constexpr int kClientHeight = 720;
  static constexpr int kMinWidth = 640;

  GameWindow();
  ~GameWindow();
  GameWindow(const GameWindow&) = delete;
  GameWindow& operator=(const GameWindow&) = delete;

  // Creates the window (1280 x 720 client area, resizable, centred on the primary
  // display, hidden until the GL context is ready); false on failure.
  bool Create(const char* title);
  SDL_Window* Window() const { return m_window; }

  // Runs until the game logic's quit flag is set; returns the exit code.
  int Run(GameLogic* logic);
  // Turns one window event into game input.
  void HandleEvent(GameLogic* logic, const SDL_Event& ev);

  // While `fn` returns true (a platform dialog is open), only closing is acted on.
  void SetModalQuery(bool (*fn)()) { m_modal_query = fn; }
  // The event type that asks this window to come to the front (from another thread).
  uint32_t RaiseEventType() const { return m_raise_event; }
  // What the player can see of the window now (from its flags).
  FramePacing::Level PacingLevel() const;

 private:
  void OnSizeChanged(GameLogic* logic, int width, int height);
  void OnClose(GameLogic* logic, bool modal);
  void UpdatePixelRatio();
  // Applies the pacing for what can be seen of the window; logs each change.
  void UpdatePacing(GameLogic* logic);
  int ToPixelsX(int x) const { return static_cast<int>(static_cast<float>(x) * m_pixel_ratio_x); }
  int ToPixelsY(int y) const { return static_cast<int>(static_cast<float>(y) * m_pixel_ratio_y); }

  SDL_Window* m_window = nullptr;
  uint32_t m_window_id = 0;
  uint32_t m_raise_event = 0;
  int m_last_width = kClientWidth;
  int m_last_height = kClientHeight;
  // Drawable pixels per window unit (above 1 on HiDPI displays).
  float m_pixel_ratio_x = 1.0f;
  float m_pixel_ratio_y = 1.0f;
  bool (*m_modal_query)() = nullptr;
  FramePacing::Level m_pacing = FramePacing::kFocused;
  bool m_pacing_known = false;
};
