#include "modes/play/GameModePlay_virtual.h"

GameModePlay_virtual::~GameModePlay_virtual() {
  Reset();
  Clear_Tasks();
  pile.Clear(true);
}

void GameModePlay_virtual::Reset() {
  for (GameVXPlayer*& p : players) {
    delete p;
    p = nullptr;
  }
  active = 0;
}

void GameModePlay_virtual::Clear_Tasks() { running = 0; }

void GameModePlay_virtual::Process() {}
