#include "media/GameSoundHooks.h"

#include "app/GameLogic.h"
#include "app/GameMode.h"
#include "app/GameSharedData.h"
#include "media/DXSoundManager.h"

int GameSoundHooks::Initialize() {
  if (m_initialized) return 1;
  m_initialized = true;
  DXSoundManager::Instance()->LoadAll();
  return 1;
}

void GameSoundHooks::PlayEffect(int index) { PlaySound(index, false); }

void GameSoundHooks::PlaySound(int index, bool loop) {
  if (DXSoundManager* m = DXSoundManager::InstanceIfAny()) m->Game_Interface_PlaySound(index, loop ? 1 : 0);
}

void GameSoundHooks::StopSound(int index) {
  if (DXSoundManager* m = DXSoundManager::InstanceIfAny()) m->Game_Interface_StopSound(index);
}

void GameSoundHooks::StopAll(bool music) {
  if (DXSoundManager* m = DXSoundManager::InstanceIfAny()) m->Stop_All(music ? 1 : 0);
}

int GameSoundHooks::MusicForMode(int mode_id) {
  switch (mode_id) {
    case GameMode::kModeLobby: return DXSoundManager::kLobbyMusic;
    case GameMode::kModePlay: return DXSoundManager::kTableMusic;
    default: return -1;
  }
}

void GameSoundHooks::OnMusicSwitch(bool on) {
  if (!on) {
    StopAll(true);
    return;
  }
  GameLogic* logic = GameLogic::InstanceIfAny();
  GameMode* mode = logic ? logic->CurrentMode() : nullptr;
  const int slot = mode ? MusicForMode(mode->mode_id) : -1;
  if (slot >= 0) PlaySound(slot, true);
}

void GameSoundHooks::OnEffectsSwitch(bool on) {
  if (!on) StopAll(false);
}

void GameSoundHooks::PlayButtonClick() {
  GameSharedData* data = GameSharedData::InstanceIfAny();
  if (data && data->m_sound_on) {
    if (DXSoundManager* m = DXSoundManager::InstanceIfAny()) m->Game_Interface_PlaySound(DXSoundManager::kButtonClick, 0);
  }
}

void GameSoundHooks::Shutdown() {
  DXSoundManager::DestroyInstance();
  m_initialized = false;
}
