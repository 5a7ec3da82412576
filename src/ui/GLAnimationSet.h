#pragma once
#include "framework/ZBObject.h"
#include "ui/GLAnimation.h"
#include "ui/ZBEntity.h"

// Several animations (owned) played as one: started together, looped together once
// every member has ended, stopped together. Main thread only; the same callback rules
// as GLAnimation.
class GLAnimationSet : public ZBObject {
 public:
  using EndFnA = void (*)(void* context);
  using EndFnB = void (*)(void* context, GLAnimationSet* set);

  GLAnimationSet() = default;
  ~GLAnimationSet() override { Clear(1); }

  // Draws the members whose key matches (-1: all), then loops or ends the set when no
  // member plays any more.
  virtual void DrawByKey(int key);
  // Advances every member without drawing, with the same end check.
  virtual void Tick();
  // Empties the set; with `del` set the members are deleted.
  virtual void Clear(int del);
  virtual void Add(GLAnimation* animation);
  virtual void Start();
  virtual void Stop(int silent);
  virtual void SetOffset(float x, float y);
  virtual void SetSpeed(double time_scale);
  virtual void SetLoopCount(int n) {
    m_loop_count = n;
    m_loop_counter = 0;
  }
  virtual void OnStop() {}

  bool IsPlaying() const { return m_playing != 0; }
  int GetCount() { return m_animations.GetCount(); }

  int m_key = -1;
  int m_loop_counter = 0;
  int m_loop_count = 1;
  int m_playing = 0;
  ZBEntity m_animations;
  EndFnA m_end_a = nullptr;
  EndFnB m_end_b = nullptr;
  void* m_context = nullptr;

 protected:
  // Starts every member; the set's loop counter is left alone.
  void StartMembers();
  void CheckEnded(bool any_playing);
};
