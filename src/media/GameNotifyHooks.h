#pragma once
#include "app/GameHooks.h"

// Installs the notification layer in the game logic: the layer hooks step, draw and
// feed input to GameNotify on the main thread, and the notice hooks queue the boxes
// and banners the global messages raise (those may arrive on a worker thread; the
// queues take them under their lock).
class GameNotifyHooks : public ILayerHooks, public INoticeHooks {
 public:
  // ILayerHooks
  int Initialize() override;
  void FrameStep() override;
  void Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  // The back key closes an open box (as its close button would); banners leave it to
  // the mode.
  int OnBackKey() override;
  void Shutdown() override;

  // INoticeHooks
  void PushBanner(int kind, const char* text, const char* sender, int auto_close_ms) override;
  void PushBox(const char* title, int type, const char* text, int dim, int auto_close_ms) override;
  void PushConfirmBox(const char* title, const char* text, ConfirmCallback callback, void* context) override;
  void ShowErrorCode(int code) override;
  void ShowPrize(int rubies, int value, int rank, int64_t chips) override;
  void ShowCelebration(int level, int value) override;
  void OnOwnTurn() override;
};
