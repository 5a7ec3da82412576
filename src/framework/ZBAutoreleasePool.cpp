#include "framework/ZBAutoreleasePool.h"

ZBAutoreleasePool::ZBAutoreleasePool() : m_pending(new ZBArray()) {}

ZBAutoreleasePool::~ZBAutoreleasePool() {
  // Entries still pending keep their pool reference: releasing them here balances it.
  while (ZBObject* o = m_pending->PopLast()) {
    --o->m_autorelease_count;
    o->Release();
  }
  m_pending->Release();
}

void ZBAutoreleasePool::AddPending(ZBObject* o) {
  // The array's Add retains; the pool's entry is the caller's reference, so balance it.
  m_pending->Add(o);
  --o->m_refcount;
  ++o->m_autorelease_count;
}

void ZBAutoreleasePool::Forget(const ZBObject* o) { m_pending->RemoveObject(o); }

void ZBAutoreleasePool::Drain() {
  for (uint32_t i = m_pending->Count(); i > 0; --i) {
    ZBObject* o = m_pending->At(i - 1);
    if (o && o->m_autorelease_count > 0) --o->m_autorelease_count;
  }
  while (ZBObject* o = m_pending->PopLast()) o->Release();
}

namespace {
ZBPoolManager* g_pool_manager = nullptr;
}

ZBPoolManager& ZBPoolManager::Get() {
  if (!g_pool_manager) g_pool_manager = new ZBPoolManager();
  return *g_pool_manager;
}

void ZBPoolManager::Destroy() {
  delete g_pool_manager;
  g_pool_manager = nullptr;
}

ZBPoolManager::ZBPoolManager() : m_stack(new ZBArray()) {}

ZBPoolManager::~ZBPoolManager() {
  for (uint32_t i = 0; i < m_stack->Count(); ++i)
    static_cast<ZBAutoreleasePool*>(m_stack->At(i))->Drain();
  m_current = nullptr;
  m_stack->Release();
}

void ZBPoolManager::Push() {
  auto* pool = new ZBAutoreleasePool();
  m_current = pool;
  m_stack->Add(pool);
  pool->Release();  // the stack now holds the only reference
}

void ZBPoolManager::Pop() {
  if (!m_current) return;
  m_current->Drain();
  if (m_stack->Count() >= 2) {
    m_stack->RemoveAt(m_stack->Count() - 1);
    m_current = static_cast<ZBAutoreleasePool*>(m_stack->At(m_stack->Count() - 1));
  }
}
