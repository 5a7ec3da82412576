#pragma once
#include "framework/ZBObject.h"
#include "ui/GLAnimation.h"
#include "ui/GLAnimationSet.h"
#include "ui/ZBEntity.h"

// Owners of animations (or animation sets) that draw them by key and delete the ended
// ones. The drawing walk follows the list's nodes, so callbacks run during it may add
// members; a Purge asked for during the walk is held until the walk ends, so the
// member being drawn is never freed under it. Owners purge from their Update. Main
// thread only.
class GLAnimationManager : public ZBObject {
 public:
  GLAnimationManager() = default;
  ~GLAnimationManager() override;

  // Deletes every member that is not playing.
  virtual void Purge();
  // Draws the members whose key matches (-1: all).
  virtual void DrawByKey(int key);
  // Adds a member the manager then owns.
  void Add(GLAnimation* animation) {
    if (animation) m_animations.AddTail(animation);
  }
  int GetCount() { return m_animations.GetCount(); }

  ZBEntity m_animations;

 private:
  int m_walking = 0;
  int m_purge_held = 0;
};

class GLAnimationSetManager : public ZBObject {
 public:
  GLAnimationSetManager() = default;
  ~GLAnimationSetManager() override;

  // Draws every set with key -1.
  void DrawAll();
  // Deletes every set that is not playing.
  void Purge();
  void Add(GLAnimationSet* set) {
    if (set) m_sets.AddTail(set);
  }
  int GetCount() { return m_sets.GetCount(); }

  ZBEntity m_sets;

 private:
  int m_walking = 0;
  int m_purge_held = 0;
};
