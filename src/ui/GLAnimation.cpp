#include "ui/GLAnimation.h"

#include <GL/gl.h>

#include "framework/Clock.h"
#include "gfx/GLTexture.h"
#include "gfx/GLWindowScreen.h"

namespace {

// Signed difference of two key or animation times (they are unsigned counts).
inline int64_t TimeDiff(uint32_t a, uint32_t b) { return static_cast<int64_t>(a) - static_cast<int64_t>(b); }

inline float Lerp(float a, float b, float u) { return a + u * (b - a); }

}  // namespace

GLAnimation::~GLAnimation() { ClearKeys(); }

void GLAnimation::ClearKeys() {
  while (auto* key = static_cast<AnimationKey*>(m_keys.RemoveHead())) delete key;
  m_current = m_next = nullptr;
  m_texture = nullptr;
}

void GLAnimation::AddKey(AnimationKey* key) {
  if (key) m_keys.AddTail(key);
}

uint32_t GLAnimation::AnimationTime() const {
  const uint32_t elapsed = GetTickMs() - m_start_time;
  return static_cast<uint32_t>(m_time_scale * static_cast<double>(elapsed));
}

float GLAnimation::Progress(uint32_t t) const {
  const AnimationKey* c = CurrentKey();
  const AnimationKey* n = NextKey();
  if (!c || !n) return 1.0f;
  const int64_t span = TimeDiff(n->time, c->time);
  // Two keys at the same time: the next key's state at once.
  if (span <= 0) return 1.0f;
  const double u = static_cast<double>(TimeDiff(t, c->time)) / static_cast<double>(span);
  return static_cast<float>(u < 0.0 ? 0.0 : (u > 1.0 ? 1.0 : u));
}

int GLAnimation::FrameFor(const AnimationKey& key) const {
  if (key.frame == -1) return -1;
  int frame = key.frame + m_frame_offset;
  // Sheets differ in frame count: a frame past the end shows the last one.
  const int count = m_texture ? m_texture->FrameCount() : 0;
  if (count > 0 && frame >= count) frame = count - 1;
  if (frame < 0) frame = 0;
  return frame;
}

void GLAnimation::FireEvent(const AnimationKey& key) {
  if (key.event == -1) return;
  if (key.event_kind && m_event_a && m_event_context) m_event_a(m_event_context, key.event);
  else if (m_event_b) m_event_b(m_event_context, key.event);
}

void GLAnimation::Start() {
  if (m_keys.GetCount() < 2) return;
  m_loop_counter = 0;
  Restart();
}

void GLAnimation::Restart() {
  if (m_keys.GetCount() < 2) return;
  m_start_time = GetTickMs();
  m_playing = 1;
  ++m_generation;
  m_current = m_keys.HeadNode();
  m_next = m_current->m_next;
  FireEvent(*static_cast<AnimationKey*>(m_current->m_value));
}

void GLAnimation::Stop(int silent) {
  if (!m_playing) return;
  OnStop();
  m_playing = 0;
  if (silent || !m_end_context) return;
  if (m_end_a) m_end_a(m_end_context);
  else if (m_end_b) m_end_b(m_end_context, this);
}

void GLAnimation::Advance() {
  if (!m_playing) return;
  const uint32_t t = AnimationTime();
  if (t == 0) return;
  const uint32_t generation = m_generation;
  while (m_next && TimeDiff(t, static_cast<AnimationKey*>(m_next->m_value)->time) >= 0) {
    m_current = m_next;
    m_next = m_current->m_next;
    FireEvent(*static_cast<AnimationKey*>(m_current->m_value));
    // A callback may have stopped or restarted the play.
    if (!m_playing || m_generation != generation) return;
  }
  if (m_next) return;
  ++m_loop_counter;
  if (m_loop_count == -1 || m_loop_counter < m_loop_count) Restart();
  else Stop(0);
}

AnimationKey GLAnimation::StateAt(uint32_t t) const {
  const AnimationKey* c = CurrentKey();
  if (!c) return AnimationKey();
  const AnimationKey* n = NextKey();
  if (!n) n = c;
  const float u = Progress(t);
  AnimationKey s = *c;
  s.x = Lerp(c->x, n->x, u);
  s.y = Lerp(c->y, n->y, u);
  s.scale_x = Lerp(c->scale_x, n->scale_x, u);
  s.scale_y = Lerp(c->scale_y, n->scale_y, u);
  s.rotation = Lerp(c->rotation, n->rotation, u);
  s.alpha = Lerp(c->alpha, n->alpha, u);
  return s;
}

void GLAnimation::Draw() {
  if (!m_playing) return;
  const AnimationKey* c = CurrentKey();
  const AnimationKey* n = NextKey();
  if (!n) n = c;
  if (c && c->visible && m_texture) {
    const AnimationKey s = StateAt(AnimationTime());
    if (s.alpha > 0.0f) {
      const float saved_sx = m_texture->m_scale_x, saved_sy = m_texture->m_scale_y;
      float x = s.x, y = s.y;
      if (n->keep_centred && !n->draw_centred) {
        const float w = static_cast<float>(static_cast<int>(m_texture->FrameWidth() * saved_sx));
        const float h = static_cast<float>(static_cast<int>(m_texture->FrameHeight() * saved_sy));
        x += (w - s.scale_x * w) / 2.0f;
        y += (h - s.scale_y * h) / 2.0f;
      }
      m_texture->SetScale(s.scale_x, s.scale_y);
      m_texture->m_rotation = s.rotation;
      m_texture->m_pivot = c->pivot;
      m_texture->SetColor(1.0f, 1.0f, 1.0f, s.alpha);
      m_texture->m_flip_x = c->flip_x;
      const GLScreen* screen = GLWindowScreen::Instance();
      glMatrixMode(GL_MODELVIEW);
      glPushMatrix();
      glTranslatef(m_offset_x * screen->m_scale_x, -m_offset_y * screen->m_scale_y, 0.0f);
      m_texture->Draw(FrameFor(*c), x, y, n->draw_centred);
      glPopMatrix();
      m_texture->SetColor(1.0f, 1.0f, 1.0f, 1.0f);
      m_texture->m_rotation = 0.0f;
      m_texture->m_pivot = 0;
      m_texture->m_flip_x = 0;
      m_texture->m_scale_x = saved_sx;
      m_texture->m_scale_y = saved_sy;
      m_texture->OnTransformChanged();
    }
  }
  Advance();
}
