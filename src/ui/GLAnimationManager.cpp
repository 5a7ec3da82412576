#include "ui/GLAnimationManager.h"

namespace {

// Deletes every member of `list` for which ended(member) holds.
template <class T, class Ended>
void PurgeList(ZBEntity& list, Ended ended) {
  for (ZBENTITYOBJECT* n = list.HeadNode(); n;) {
    ZBENTITYOBJECT* next = n->m_next;
    auto* member = static_cast<T*>(n->m_value);
    if (ended(member)) {
      list.RemoveNode(n);
      member->Release();
    }
    n = next;
  }
}

template <class T>
void DeleteAll(ZBEntity& list) {
  while (auto* member = static_cast<T*>(list.RemoveHead())) member->Release();
}

}  // namespace

GLAnimationManager::~GLAnimationManager() { DeleteAll<GLAnimation>(m_animations); }

void GLAnimationManager::Purge() {
  if (m_walking) {
    m_purge_held = 1;
    return;
  }
  m_purge_held = 0;
  PurgeList<GLAnimation>(m_animations, [](GLAnimation* a) { return !a->IsPlaying(); });
}

void GLAnimationManager::DrawByKey(int key) {
  ++m_walking;
  for (ZBENTITYOBJECT* n = m_animations.HeadNode(); n; n = n->m_next) {
    auto* a = static_cast<GLAnimation*>(n->m_value);
    if (key == -1 || a->m_key == key) a->Draw();
  }
  --m_walking;
  if (!m_walking && m_purge_held) Purge();
}

GLAnimationSetManager::~GLAnimationSetManager() { DeleteAll<GLAnimationSet>(m_sets); }

void GLAnimationSetManager::Purge() {
  if (m_walking) {
    m_purge_held = 1;
    return;
  }
  m_purge_held = 0;
  PurgeList<GLAnimationSet>(m_sets, [](GLAnimationSet* s) { return !s->IsPlaying(); });
}

void GLAnimationSetManager::DrawAll() {
  ++m_walking;
  for (ZBENTITYOBJECT* n = m_sets.HeadNode(); n; n = n->m_next) static_cast<GLAnimationSet*>(n->m_value)->DrawByKey(-1);
  --m_walking;
  if (!m_walking && m_purge_held) Purge();
}
