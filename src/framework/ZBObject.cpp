#include "framework/ZBObject.h"

#include "framework/ZBAutoreleasePool.h"

#include <atomic>

namespace {
// Objects are also built on worker threads (sessions, queued records), so the counter
// is atomic: two objects never share a serial.
std::atomic<int32_t> g_object_serial{0};
}

ZBObject::ZBObject() : m_serial(g_object_serial.fetch_add(1, std::memory_order_relaxed) + 1) {}

ZBObject::~ZBObject() {
  // An object destroyed while it still sits in the current pool takes itself out
  // (without a release), so the next drain does not touch freed memory.
  if (m_autorelease_count > 0) {
    ZBPoolManager& pm = ZBPoolManager::Get();
    ZBAutoreleasePool* pool = pm.Current();
    for (uint32_t i = 0; i < m_autorelease_count && pool; ++i) pool->Forget(this);
    m_autorelease_count = 0;
  }
}

int ZBObject::Release() {
  if (m_refcount-- == 1) {
    delete this;
    return 1;
  }
  return 0;
}

void ZBObject::Autorelease() {
  ZBAutoreleasePool* pool = ZBPoolManager::Get().Current();
  if (!pool) return;
  pool->AddPending(this);
}

int32_t ZBObject::LastSerial() { return g_object_serial.load(std::memory_order_relaxed); }
