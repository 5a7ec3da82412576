#include "framework/ZBArray.h"

#include <cstdlib>
#include <cstring>
#include <new>

ZBArray::ZBArray() {
  m_items = static_cast<ZBObject**>(std::calloc(1, sizeof(ZBObject*)));
  if (!m_items) throw std::bad_alloc();
}

ZBArray::~ZBArray() {
  while (m_count > 0) {
    --m_count;
    ZBObject* o = m_items[m_count];
    m_items[m_count] = nullptr;
    if (o) o->Release();
  }
  std::free(m_items);
}

void ZBArray::Add(ZBObject* o) {
  while (m_capacity < m_count + 1) {
    uint32_t cap = m_capacity * 2;
    auto* grown = static_cast<ZBObject**>(std::realloc(m_items, cap * sizeof(ZBObject*)));
    if (!grown) throw std::bad_alloc();
    std::memset(grown + m_capacity, 0, (cap - m_capacity) * sizeof(ZBObject*));
    m_items = grown;
    m_capacity = cap;
  }
  if (o) o->Retain();
  m_items[m_count++] = o;
}

void ZBArray::RemoveAt(uint32_t index) {
  if (index >= m_count) return;
  ZBObject* o = m_items[index];
  m_items[index] = nullptr;
  if (o) o->Release();
  --m_count;
  if (index < m_count)
    std::memmove(m_items + index, m_items + index + 1, (m_count - index) * sizeof(ZBObject*));
  m_items[m_count] = nullptr;
}

int ZBArray::RemoveObject(const ZBObject* o) {
  for (uint32_t i = 0; i < m_count; ++i) {
    if (m_items[i] == o) {
      --m_count;
      if (i < m_count)
        std::memmove(m_items + i, m_items + i + 1, (m_count - i) * sizeof(ZBObject*));
      m_items[m_count] = nullptr;
      return 1;
    }
  }
  return 0;
}

ZBObject* ZBArray::PopLast() {
  if (m_count == 0) return nullptr;
  --m_count;
  ZBObject* o = m_items[m_count];
  m_items[m_count] = nullptr;
  return o;
}
