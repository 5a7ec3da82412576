#include "modes/play/GameModePlay.h"

#include "framework/Log.h"

GameModePlay* GameModePlay::s_instance = nullptr;

GameModePlay* GameModePlay::Instance() {
  if (!s_instance) s_instance = new GameModePlay();
  return s_instance;
}

void GameModePlay::DestroyInstance() {
  GameModePlay* p = s_instance;
  s_instance = nullptr;
  delete p;
}

GameModePlay::GameModePlay() {
  mode_id = kModePlay;
  selection.not_owner = 1;
}

GameModePlay::~GameModePlay() {
  Reset(3);
  pile.Clear(true);
}

int GameModePlay::Relative(int seat) const {
  if (seat < 0 || seat >= kSeats) return -1;
  if (my_seat < 0 || my_seat >= kSeats) return seat;
  return (seat - my_seat + kSeats) % kSeats;
}

int GameModePlay::LoadResources() {
  if (m_loaded) return 1;
  m_loaded = 1;
  return LoadTableArt();
}
int GameModePlay::ReleaseResources() {
  if (!m_loaded) return 1;
  m_loaded = 0;
  ReleaseTableArt();
  return 1;
}

int GameModePlay::Create(int param1, int param2) {
  Log(LOG_TRACE, "GameModePlay::Create **********");
  GameMode::Create(param1, param2);
  Log(LOG_TRACE, "GameModePlay::Create ********** END");
  return 1;
}

void GameModePlay::Cleanup() {
  Log(LOG_TRACE, "GameModePlay::Cleanup **********");
  Reset(3);
  GameMode::Cleanup();
}

void GameModePlay::OnInit_Process() {
  Log(LOG_TRACE, "GameModePlay::OnInit_Process ...");
  GameMode::OnInit_Process();
}

int GameModePlay::Update() { return 0; }
void GameModePlay::Close() {}
int GameModePlay::CanClose(int, int) { return 1; }
void GameModePlay::OnEnterKey() {}

void GameModePlay::Reset(int flags) {
  if (flags & 2 || flags & 8 || flags == 3) {
    for (GameVXPlayer*& p : players) {
      delete p;
      p = nullptr;
    }
    table_ready = 0;
  }
  pile.Clear(true);
  selection.Clear(false);
  sequencer.Reset();
  sequencer.Clear_Tasks();
}

void GameModePlay::Show_Scene(int index) {
  Log(LOG_TRACE, "GameModePlay::Show_Scene ... %d", index);
  GameSceneLayer::ShowScene(index, 0);
}

void GameModePlay::Hide_Tournament_Scene() {}
void GameModePlay::Show_Panel(int) {}
void GameModePlay::Hide_Panels() {}
void GameModePlay::Close_Panel(int) {}
void GameModePlay::Update_Start_Buttons() {}
void GameModePlay::Return_To_Lobby(int) {}
