#pragma once
#include <cstdint>
#include <functional>

// The game logic drives the drawing surface, the overlays, sound and the background
// workers through these small interfaces, so it builds and runs without a display.
// Each default does nothing; the program installs the real implementations at start-up
// and tests install recorders.

struct HookColor {
  float r, g, b, a;
};

class IScreenHooks {
 public:
  virtual ~IScreenHooks() = default;
  // Window screen on the native window with the given client size.
  virtual int InitWindow(void* window, int width, int height) { (void)window, (void)width, (void)height; return 1; }
  virtual void SetDesignSize(int width, int height) { (void)width, (void)height; }
  // Surface and its font slot 0.
  virtual int InitSurface(void* package) { (void)package; return 1; }
  virtual void ReloadSurface(void* package) { (void)package; }
  // Factors from window pixels to design units.
  virtual float PointerScaleX() { return 1.0f; }
  virtual float PointerScaleY() { return 1.0f; }
  // True when more than 1/100 s passed since the last drawn frame.
  virtual bool FrameDue() { return true; }
  virtual void BeginFrame() {}
  virtual void EndFrame() {}  // ends the frame and presents it
  virtual void DrawLoadingPicture() {}
  virtual void DrawRoundRect(float left, float top, float right, float bottom, float radius, int segments,
                             float line_width, HookColor fill, HookColor border) {
    (void)left, (void)top, (void)right, (void)bottom, (void)radius, (void)segments, (void)line_width,
        (void)fill, (void)border;
  }
  virtual void DrawTextCentered(const char* utf8, float left, float top, float right, float bottom, int size,
                                HookColor color) {
    (void)utf8, (void)left, (void)top, (void)right, (void)bottom, (void)size, (void)color;
  }
  virtual int LoadStartupImages() { return 1; }
  virtual int LoadSharedImages() { return 1; }
  virtual void Shutdown() {}
};

// The splash window and the in-frame connecting indicator.
class ISplashHooks {
 public:
  virtual ~ISplashHooks() = default;
  virtual int Initialize() { return 1; }
  virtual bool IsSplashShown() { return false; }
  virtual bool IsLoadingActive() { return false; }
  bool IsBusy() { return IsSplashShown() || IsLoadingActive(); }
  virtual void SetSplashWindow(uint32_t timeout_ms, bool show) { (void)timeout_ms, (void)show; }
  virtual void ShowLoading(uint32_t timeout_ms, int kind) { (void)timeout_ms, (void)kind; }
  virtual void HideLoading() {}
  virtual void DrawOverlay() {}
  virtual void Shutdown() {}
};

// A layer drawn over the mode that may take input first: notifications, web banners,
// player pictures, the mini-game.
class ILayerHooks {
 public:
  virtual ~ILayerHooks() = default;
  virtual int Initialize() { return 1; }
  virtual void FrameStep() {}
  virtual void Draw() {}
  virtual int OnTouchDown(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnTouchUp(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnTouchMove(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnWheel(int delta, int x, int y) { (void)delta, (void)x, (void)y; return 0; }
  virtual int OnBackKey() { return 0; }
  virtual void Stop() {}
  virtual void Shutdown() {}
};

class ISoundHooks {
 public:
  virtual ~ISoundHooks() = default;
  virtual void PlayEffect(int index) { (void)index; }
  virtual void Shutdown() {}
};

// Background workers (timers, job runner, downloads, connection and packet queues).
class IWorkerHooks {
 public:
  virtual ~IWorkerHooks() = default;
  virtual void Start() {}
  // Per-frame delivery on the main thread, in order: timers, runner results,
  // downloads, connection requests, packet-thread tokens.
  virtual void FrameStep() {}
  // Runs `job` in the background (by default at once, on the caller's thread).
  virtual void QueueJob(std::function<void()> job) { job(); }
  virtual void Shutdown() {}
};

// Start-up and shutdown of the remaining services.
class IServiceHooks {
 public:
  virtual ~IServiceHooks() = default;
  virtual int PlatformInit() { return 1; }
  virtual int SceneManagerInit() { return 1; }
  virtual int WebContentInit() { return 1; }
  // Refreshes the local player's seat record from the account block (table mode).
  virtual void RefreshLocalPlayer() {}
  virtual void Shutdown() {}
};

struct GameHooks {
  IScreenHooks* screen = nullptr;
  ISplashHooks* splash = nullptr;
  ILayerHooks* notify = nullptr;
  ILayerHooks* web_content = nullptr;
  ILayerHooks* player_image = nullptr;
  ILayerHooks* sub_play = nullptr;
  ISoundHooks* sound = nullptr;
  IWorkerHooks* workers = nullptr;
  IServiceHooks* services = nullptr;
};
