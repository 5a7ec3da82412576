#include "ui/GLAnimationSet.h"

void GLAnimationSet::Add(GLAnimation* animation) {
  if (animation) m_animations.AddTail(animation);
}

void GLAnimationSet::Clear(int del) {
  while (auto* a = static_cast<GLAnimation*>(m_animations.RemoveHead())) {
    if (del) a->Release();
  }
}

void GLAnimationSet::StartMembers() {
  m_playing = 1;
  for (ZBENTITYOBJECT* n = m_animations.HeadNode(); n; n = n->m_next) static_cast<GLAnimation*>(n->m_value)->Start();
}

void GLAnimationSet::Start() {
  m_loop_counter = 0;
  StartMembers();
}

void GLAnimationSet::Stop(int silent) {
  if (!m_playing) return;
  for (ZBENTITYOBJECT* n = m_animations.HeadNode(); n; n = n->m_next) static_cast<GLAnimation*>(n->m_value)->Stop(0);
  OnStop();
  m_playing = 0;
  if (silent || !m_context) return;
  if (m_end_a) m_end_a(m_context);
  else if (m_end_b) m_end_b(m_context, this);
}

void GLAnimationSet::CheckEnded(bool any_playing) {
  if (any_playing || !m_playing) return;
  ++m_loop_counter;
  if (m_loop_count == -1 || m_loop_counter < m_loop_count) StartMembers();
  else Stop(0);
}

void GLAnimationSet::DrawByKey(int key) {
  if (!m_playing) return;
  bool any = false;
  for (ZBENTITYOBJECT* n = m_animations.HeadNode(); n; n = n->m_next) {
    auto* a = static_cast<GLAnimation*>(n->m_value);
    if (key == -1 || a->m_key == key) a->Draw();
    any = any || a->IsPlaying();
  }
  CheckEnded(any);
}

void GLAnimationSet::Tick() {
  if (!m_playing) return;
  bool any = false;
  for (ZBENTITYOBJECT* n = m_animations.HeadNode(); n; n = n->m_next) {
    auto* a = static_cast<GLAnimation*>(n->m_value);
    a->Advance();
    any = any || a->IsPlaying();
  }
  CheckEnded(any);
}

void GLAnimationSet::SetOffset(float x, float y) {
  for (ZBENTITYOBJECT* n = m_animations.HeadNode(); n; n = n->m_next)
    static_cast<GLAnimation*>(n->m_value)->SetOffset(x, y);
}

void GLAnimationSet::SetSpeed(double time_scale) {
  for (ZBENTITYOBJECT* n = m_animations.HeadNode(); n; n = n->m_next)
    static_cast<GLAnimation*>(n->m_value)->SetSpeed(time_scale);
}
