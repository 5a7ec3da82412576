#pragma once
// The play mode's animation objects (built by LoadTableArt, driven by the Ani_* entry
// points of GameModePlayAnimations.cpp, drawn by Draw). Main thread only, like the mode.
#include "modes/play/GameModePlay.h"
#include "ui/GLAnimation.h"
#include "ui/GLAnimationManager.h"
#include "ui/GLAnimationSet.h"
#include "ui/ParticleEmitter.h"

struct GameModePlay::TableAnimations {
  static constexpr int kFirstEvents = 11;
  static constexpr int kSecondEvents = 7;

  TableAnimations();
  ~TableAnimations();
  TableAnimations(const TableAnimations&) = delete;
  TableAnimations& operator=(const TableAnimations&) = delete;

  // One-off animations and sets made by the events; ended ones are purged by Ani_Update.
  GLAnimationManager singles;
  GLAnimationSetManager sets;

  // Animations kept for the whole table life and restarted on demand (owned).
  GLAnimation* emoticon[kSeats] = {};
  // Per event number a pair: member 0 for the other seats (and every seat in layout 1),
  // member 1 for the own seat in layout 0.
  GLAnimationSet* first[kFirstEvents][2] = {};
  GLAnimationSet* second[kSecondEvents][2] = {};
  GLAnimation* sweat = nullptr;
  GLAnimation* own_warning[2] = {};
  GLAnimation* end_move = nullptr;
  GLAnimation* turn_warning = nullptr;
  GLAnimation* gold_coin[2] = {};  // one per layout

  // Particle bursts: the winner's white stars, the knock events' green stars, and the
  // two effects over the ranking panel.
  ParticleEmitter winner_stars;
  ParticleEmitter action_stars;
  ParticleEmitter ranking_fx[2];
  uint32_t ranking_started_for = 0;  // the ranking panel opening the effects were started for
  float winner_x = 0.0f, winner_y = 0.0f;
  float action_x = 0.0f, action_y = 0.0f;

  // Set while Ani_Stop_All runs: animations that end then build nothing new.
  int stopping = 0;
};
