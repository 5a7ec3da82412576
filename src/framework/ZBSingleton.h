#pragma once

// Lazily created process-wide instance. Not thread-safe by design: every singleton is
// first touched on the main thread during start-up, before any worker starts.
// Singletons are destroyed explicitly by their owner with DestroyInstance.
template <class T>
class ZBSingleton {
 public:
  static T* Instance() {
    if (!s_instance) s_instance = new T();
    return s_instance;
  }
  static T* InstanceIfAny() { return s_instance; }
  static void DestroyInstance() {
    T* p = s_instance;
    s_instance = nullptr;
    delete p;
  }

 protected:
  ZBSingleton() = default;
  ~ZBSingleton() = default;

 private:
  static inline T* s_instance = nullptr;
};
