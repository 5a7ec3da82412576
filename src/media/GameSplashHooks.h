#pragma once
#include <atomic>

#include "app/GameHooks.h"
#include "net/IConnectingIndicator.h"

class GameSplash;

// The game logic's splash hooks and the sessions' connecting indicator, both on
// GameSplash. Initialize and Shutdown run on the main thread; the indicator may be
// driven from any thread (a worker entering a server, the packet thread's jobs).
class GameSplashHooks : public ISplashHooks, public IConnectingIndicator {
 public:
  // Creates the splash with its pictures, centres it on the current GL window and
  // installs the connecting indicator.
  int Initialize() override;
  bool IsSplashShown() override;
  bool IsLoadingActive() override;
  void SetSplashWindow(uint32_t timeout_ms, bool show) override;
  void ShowLoading(uint32_t timeout_ms, int kind) override;
  // Ends the overlay and resets its kind.
  void HideLoading() override;
  void DrawOverlay() override;
  void Shutdown() override;

  // IConnectingIndicator: extends the overlay, kind unchanged; Stop ends it.
  void Show(uint32_t timeout_ms) override;
  void Stop() override;

 private:
  std::atomic<GameSplash*> m_splash{nullptr};
};
