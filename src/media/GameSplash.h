#pragma once
#include <cstdint>
#include <mutex>

#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "media/SplashWindow.h"

class GLTexture;

// Shows that the client is busy, in two ways: the splash window (a native window on
// its own thread, used while the GL window cannot draw) and the loading overlay drawn
// inside the frame over everything else while the client waits for a server. The
// overlay appears only when the wait lasts longer than a short delay (1000 ms for the
// centred spinner, 500 ms for the message bar) and ends by itself after its time-out.
//
// Threads: ShowLoading, ExtendLoading, HideLoading, SetSplashWindow, SetMessage and the
// Is* queries may be called from any thread; every change of the shared state and the
// frame's check happen under the object's lock. LoadPictures and DrawOverlay (GL) are
// main-thread only. The window thread never takes the lock.
class GameSplash : public ZBObject, public ZBSingleton<GameSplash> {
 public:
  enum Kind : int { kSpinner = 0, kMessageBar = 1 };
  static constexpr const char* kTitle = "Loading !... Please Wait";
  static constexpr uint32_t kSpinnerDelayMs = 1000;
  static constexpr uint32_t kMessageBarDelayMs = 500;

  GameSplash();
  ~GameSplash() override;

  // The overlay picture ("./raw/splash_bg.png" shown 64 x 64) and the window's two
  // pictures. 0 only when the GL picture cannot be created; missing window pictures
  // only keep the window from appearing.
  int LoadPictures();
  // The window's pictures from PNG files; false when either is missing or broken.
  bool LoadWindowPictures(const char* background_png, const char* spinner_png);
  // The X window the splash centres on.
  void SetOwnerWindow(unsigned long xwindow);

  // Activates the overlay with `timeout_ms`; an active one has its time-out extended by
  // the time since the last request. The display delay restarts.
  void ShowLoading(uint32_t timeout_ms, int kind);
  // The sessions' connecting indicator: as ShowLoading, the kind left unchanged.
  void ExtendLoading(uint32_t timeout_ms);
  // With `hide_window` the splash window goes, else the overlay; `clear_kind` resets
  // the kind to the centred spinner.
  void HideLoading(int hide_window, int clear_kind);
  void SetSplashWindow(uint32_t timeout_ms, int show);
  // The text of the message bar (UTF-8, cut to fit).
  void SetMessage(const char* utf8);

  // Ends timed-out waits and tells what the overlay shows at this moment.
  struct OverlayFrame {
    bool draw = false;
    int kind = kSpinner;
  };
  OverlayFrame StepOverlay();
  // Draws the overlay into the current frame (main thread).
  void DrawOverlay();

  bool IsSplashShown();
  bool IsLoadingActive();
  bool IsBusy() { return IsSplashShown() || IsLoadingActive(); }
  int OverlayKind();
  SplashWindow& Window() { return m_window; }

 private:
  void ShowLoadingLocked(uint32_t timeout_ms);

  int m_kind = kSpinner;
  int m_reserved = 0;
  GLTexture* m_picture = nullptr;
  int m_window_shown = 0;
  uint32_t m_window_timeout = 0;
  uint32_t m_window_start = 0;
  int m_overlay_active = 0;
  uint32_t m_overlay_timeout = 0;
  uint32_t m_overlay_start = 0;
  uint32_t m_overlay_refresh = 0;
  std::mutex m_lock;
  SplashWindow m_window;
  char m_message[256] = {};
};
