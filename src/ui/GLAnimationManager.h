#pragma once
#include "framework/ZBObject.h"
#include "ui/GLAnimation.h"
#include "ui/GLAnimationSet.h"
#include "ui/ZBEntity.h"

// The owned members of an animation manager. The drawing walk follows the list's
// nodes, so callbacks run during it may add members; a Purge asked for during the walk
// is held until the walk ends, so the member being drawn is never freed under it.
template <class T>
class GLOwnedAnimations {
 public:
  ~GLOwnedAnimations() {
    while (auto* member = static_cast<T*>(list.RemoveHead())) member->Release();
  }
  void Add(T* member) {
    if (member) list.AddTail(member);
  }
  template <class Fn>
  void Walk(Fn fn) {
    ++walking;
    for (ZBENTITYOBJECT* n = list.HeadNode(); n; n = n->m_next) fn(static_cast<T*>(n->m_value));
    --walking;
    if (!walking && purge_held) Purge();
  }
  // Deletes every member that is not playing.
  void Purge() {
    if (walking) {
      purge_held = 1;
      return;
    }
    purge_held = 0;
    for (ZBENTITYOBJECT* n = list.HeadNode(); n;) {
      ZBENTITYOBJECT* next = n->m_next;
      auto* member = static_cast<T*>(n->m_value);
      if (!member->IsPlaying()) {
        list.RemoveNode(n);
        member->Release();
      }
      n = next;
    }
  }

  ZBEntity list;
  int walking = 0;
  int purge_held = 0;
};

// Owns animations, draws them by key and deletes the ended ones. Owners purge from
// their Update. Main thread only.
class GLAnimationManager : public ZBObject {
 public:
  GLAnimationManager() = default;
  ~GLAnimationManager() override = default;

  // Deletes every member that is not playing (held while the members are drawn).
  virtual void Purge() { m_animations.Purge(); }
  // Draws the members whose key matches (-1: all).
  virtual void DrawByKey(int key) {
    m_animations.Walk([key](GLAnimation* a) {
      if (key == -1 || a->m_key == key) a->Draw();
    });
  }
  // Adds a member the manager then owns.
  void Add(GLAnimation* animation) { m_animations.Add(animation); }
  int GetCount() { return m_animations.list.GetCount(); }

  GLOwnedAnimations<GLAnimation> m_animations;
};

// Owns animation sets, draws them all and deletes the ended ones. Main thread only.
class GLAnimationSetManager : public ZBObject {
 public:
  GLAnimationSetManager() = default;
  ~GLAnimationSetManager() override = default;

  // Draws every set with key -1.
  void DrawAll() {
    m_sets.Walk([](GLAnimationSet* s) { s->DrawByKey(-1); });
  }
  // Deletes every set that is not playing (held while the sets are drawn).
  void Purge() { m_sets.Purge(); }
  void Add(GLAnimationSet* set) { m_sets.Add(set); }
  int GetCount() { return m_sets.list.GetCount(); }

  GLOwnedAnimations<GLAnimationSet> m_sets;
};
