#include "media/GameNotifyHooks.h"

#include "media/GameNotify.h"

namespace {
GameNotify* Notify() { return GameNotify::Instance(); }
}  // namespace

int GameNotifyHooks::Initialize() { return Notify()->Initialize(); }
void GameNotifyHooks::FrameStep() { Notify()->Update(); }
void GameNotifyHooks::Draw() { Notify()->Draw(); }
int GameNotifyHooks::OnTouchDown(int button, int x, int y) { return Notify()->OnTouchDown(button, x, y); }
int GameNotifyHooks::OnTouchUp(int button, int x, int y) { return Notify()->OnTouchUp(button, x, y); }
int GameNotifyHooks::OnTouchMove(int button, int x, int y) { return Notify()->OnTouchMove(button, x, y); }
int GameNotifyHooks::OnWheel(int delta, int x, int y) { return Notify()->OnWheel(delta, x, y); }

int GameNotifyHooks::OnBackKey() {
  GameNotify* n = Notify();
  if (n->BoxState() == GameNotify::kNone) return 0;
  n->CloseCurrent();
  return 1;
}

void GameNotifyHooks::Shutdown() { GameNotify::DestroyInstance(); }

void GameNotifyHooks::PushBanner(int kind, const char* text, const char* sender, int auto_close_ms) {
  Notify()->PushBanner(kind, text, sender, auto_close_ms);
}

void GameNotifyHooks::PushBox(const char* title, int type, const char* text, int dim, int auto_close_ms) {
  Notify()->PushBox(title, type, text, dim, auto_close_ms);
}

void GameNotifyHooks::PushConfirmBox(const char* title, const char* text, ConfirmCallback callback,
                                     void* context) {
  Notify()->PushConfirmBox(title, text, callback, context);
}

void GameNotifyHooks::ShowErrorCode(int code) { Notify()->ShowErrorCode(code); }

void GameNotifyHooks::ShowPrize(int rubies, int value, int rank, int64_t chips) {
  Notify()->ShowPrize(rubies, value, rank, chips);
}

void GameNotifyHooks::ShowCelebration(int level, int value) { Notify()->ShowCelebration(level, value); }
void GameNotifyHooks::OnOwnTurn() { Notify()->OnOwnTurn(); }
