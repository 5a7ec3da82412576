#pragma once
#include "framework/ZBArray.h"

// Deferred-release pool: each pending entry is one reference that Drain releases.
class ZBAutoreleasePool : public ZBObject {
 public:
  ZBAutoreleasePool();
  ~ZBAutoreleasePool() override;

  void Drain();
  uint32_t PendingCount() const { return m_pending->Count(); }

 private:
  friend class ZBObject;
  void AddPending(ZBObject* o);   // takes over one reference of the caller
  void Forget(const ZBObject* o); // drops one entry without releasing it
  ZBArray* m_pending;
};

// The process-wide stack of pools. The application pushes one pool at start-up and
// pops once per rendered frame; with a single pool Pop only drains it.
class ZBPoolManager {
 public:
  static ZBPoolManager& Get();
  // Drains every pool and forgets the manager (shutdown).
  static void Destroy();

  void Push();
  void Pop();
  ZBAutoreleasePool* Current() const { return m_current; }
  uint32_t Depth() const { return m_stack ? m_stack->Count() : 0; }

 private:
  ZBPoolManager();
  ~ZBPoolManager();
  ZBArray* m_stack;
  ZBAutoreleasePool* m_current = nullptr;
};
