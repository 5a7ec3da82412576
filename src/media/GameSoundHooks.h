#pragma once
#include "app/GameHooks.h"

// The game logic's sound hooks on the sound manager: the start-up sequence, playing
// and stopping slots, the current mode's music and the two switches of the settings.
// Main thread only.
class GameSoundHooks : public ISoundHooks {
 public:
  int Initialize() override;
  void PlayEffect(int index) override;
  void PlaySound(int index, bool loop) override;
  void StopSound(int index) override;
  void StopAll(bool music) override;
  void OnMusicSwitch(bool on) override;
  void OnEffectsSwitch(bool on) override;
  void Shutdown() override;

  // The music slot of a mode id (lobby: lobby music, table: table music), -1 for none.
  static int MusicForMode(int mode_id);
  // The click of every button: plays the button sound when effects are on.
  static void PlayButtonClick();

 private:
  bool m_initialized = false;
};
