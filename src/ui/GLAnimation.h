#pragma once
#include <cstdint>

#include "framework/ZBObject.h"
#include "ui/ZBEntity.h"

class GLTexture;

// One keyframe of a GLAnimation. Times are in animation time units (milliseconds at
// speed 1.0, 1/60 s ticks at speed 0.06).
struct AnimationKey {
  int frame = 0;  // -1: the texture runs its own timed frames
  int visible = 1;
  int keep_centred = 0;  // on the next key: scaling keeps the picture's centre
  int flip_x = 0;
  uint32_t time = 0;
  float x = 0.0f, y = 0.0f;
  float scale_x = 1.0f, scale_y = 1.0f;
  float rotation = 0.0f;  // degrees
  int pivot = 0;
  float alpha = 1.0f;
  int reserved[4] = {};
  int event = -1;  // -1: none; otherwise handed to an event callback when reached
  int event_kind = 0;  // set: event callback A, otherwise B
  int draw_centred = 0;
};

// Moves, scales, rotates and fades one texture (not owned) through a list of keys
// (owned), linearly between consecutive keys, against the tick clock. Loops a number
// of times (-1: for ever) and reports keys' events and the end through plain function
// callbacks with a context.
//
// Main thread only. Callbacks run inside Draw/Advance; they may start or stop this
// animation and add others to a manager, but must not free this one (owners purge
// ended animations through the managers outside the drawing walk).
class GLAnimation : public ZBObject {
 public:
  using EndFnA = void (*)(void* context);
  using EndFnB = void (*)(void* context, GLAnimation* animation);
  using EventFn = void (*)(void* context, int event);

  GLAnimation() = default;
  ~GLAnimation() override;

  virtual void SetTexture(GLTexture* texture) { m_texture = texture; }
  virtual void SetFrameOffset(int n) { m_frame_offset = n; }
  // Draws the interpolated state, then advances.
  virtual void Draw();
  // Moves through the keys by time; loops or ends.
  virtual void Advance();
  // Deletes every key and forgets the texture.
  virtual void ClearKeys();
  // Appends a key the animation then owns.
  virtual void AddKey(AnimationKey* key);
  // Plays from the first key (needs two keys); a fresh play counts its loops anew.
  virtual void Start();
  // Ends the play; unless silent, the end callback runs.
  virtual void Stop(int silent);
  virtual void SetOffset(float x, float y) {
    m_offset_x = x;
    m_offset_y = y;
  }
  virtual void SetSpeed(double time_scale) { m_time_scale = time_scale; }
  virtual void SetLoopCount(int n) {
    m_loop_count = n;
    m_loop_counter = 0;
  }
  virtual void OnStop() {}

  // Animation time now: trunc(time scale x elapsed ms).
  uint32_t AnimationTime() const;
  // Interpolation factor between the current and the next key at animation time t.
  float Progress(uint32_t t) const;
  // The state drawn at animation time t: position, scale, rotation and alpha between
  // the current and the next key (the other fields are the current key's).
  AnimationKey StateAt(uint32_t t) const;
  // The frame drawn for the current key (offset applied, kept inside the sheet).
  int FrameFor(const AnimationKey& key) const;
  bool IsPlaying() const { return m_playing != 0; }
  const AnimationKey* CurrentKey() const { return m_current ? static_cast<AnimationKey*>(m_current->m_value) : nullptr; }
  const AnimationKey* NextKey() const { return m_next ? static_cast<AnimationKey*>(m_next->m_value) : nullptr; }
  int KeyCount() { return m_keys.GetCount(); }

  GLTexture* m_texture = nullptr;
  int m_reserved = 0;
  int m_key = 0;
  int m_frame_offset = 0;
  int m_loop_counter = 0;
  int m_loop_count = 1;
  double m_time_scale = 1.0;
  int m_playing = 0;
  uint32_t m_start_time = 0;
  float m_offset_x = 0.0f, m_offset_y = 0.0f;
  ZBEntity m_keys;
  EndFnA m_end_a = nullptr;
  EndFnB m_end_b = nullptr;
  void* m_end_context = nullptr;
  EventFn m_event_a = nullptr;
  EventFn m_event_b = nullptr;
  void* m_event_context = nullptr;

 protected:
  // Back to the first key without touching the loop counter.
  void Restart();
  void FireEvent(const AnimationKey& key);

  ZBENTITYOBJECT* m_current = nullptr;
  ZBENTITYOBJECT* m_next = nullptr;
  // Counts restarts, so a walk through the keys notices one made by a callback.
  uint32_t m_generation = 0;
};
