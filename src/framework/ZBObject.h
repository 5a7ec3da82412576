#pragma once
#include <cstdint>

// Reference-counted root of every long-lived object. A new object has a count of 1
// owned by its creator; Retain adds a reference, Release drops one and destroys the
// object when the last one goes. Counts are plain integers: objects cross threads
// only through the hand-over queues, never while two threads hold them.
class ZBObject {
 public:
  ZBObject();
  ZBObject(const ZBObject&) = delete;
  ZBObject& operator=(const ZBObject&) = delete;
  virtual ~ZBObject();

  void Unref() { Release(); }
  // Returns 1 when this call destroyed the object.
  int Release();
  int IsEqual(const ZBObject* other) const { return other == this ? 1 : 0; }
  void Idle(int32_t) {}
  int32_t GetSerial() const { return m_serial; }

  void Retain() { ++m_refcount; }
  // Puts the object into the current autorelease pool; the pool's next drain balances it.
  void Autorelease();

  int32_t RefCount() const { return m_refcount; }
  uint32_t AutoreleaseCount() const { return m_autorelease_count; }

  // The process-wide construction counter (the last serial handed out).
  static int32_t LastSerial();

 private:
  friend class ZBAutoreleasePool;
  int32_t m_refcount = 1;
  uint32_t m_autorelease_count = 0;
  int32_t m_serial = 0;
  void* m_reserved = nullptr;
};

// Drops a reference and clears the pointer; tolerant of null.
template <class T>
inline void ZBSafeRelease(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}
