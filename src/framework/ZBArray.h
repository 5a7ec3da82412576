#pragma once
#include <cstdint>

#include "framework/ZBObject.h"

// Array of object references: holds one reference on every element it stores.
// Capacity starts at 1, doubles when full and never shrinks.
class ZBArray : public ZBObject {
 public:
  ZBArray();
  ~ZBArray() override;

  void Add(ZBObject* o);
  // Releases the element and closes the gap. The index must be below Count().
  void RemoveAt(uint32_t index);
  // Removes the first slot holding exactly `o` without releasing it.
  // Returns 1 when a slot was removed.
  int RemoveObject(const ZBObject* o);
  ZBObject* At(uint32_t index) const { return m_items[index]; }
  uint32_t Count() const { return m_count; }
  uint32_t Capacity() const { return m_capacity; }

  // Takes the last element out without releasing it (the caller owns that reference).
  ZBObject* PopLast();

 private:
  uint32_t m_count = 0;
  uint32_t m_capacity = 1;
  ZBObject** m_items = nullptr;
};
