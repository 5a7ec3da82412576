#pragma once
#include "framework/ZBObject.h"

// A node of ZBEntity: one pointer-sized value (not retained) and its neighbours.
// Nodes are deleted directly when they are unlinked.
class ZBENTITYOBJECT : public ZBObject {
 public:
  explicit ZBENTITYOBJECT(void* value) : m_value(value) {}

  void* m_value = nullptr;
  ZBENTITYOBJECT* m_prev = nullptr;
  ZBENTITYOBJECT* m_next = nullptr;
};

// Doubly linked list of plain pointer-sized values with a built-in cursor. The list
// never retains or releases what its values point to. A value of 0 (null) means
// "none" in results, so null is never stored. Because the cursor lives in the list,
// the iteration idiom (v = First(); while (v) { ...; v = Next(); }) cannot be nested
// over the same list.
//
// Kept entirely in this header: the drawing surface (gfx) registers its textures in
// one of these lists and sits below the widget library in the link order.
class ZBEntity : public ZBObject {
 public:
  ZBEntity() = default;
  ~ZBEntity() override { DeleteNodes(); }

  // Deletes every node; the values are untouched.
  virtual void RemoveAll() { DeleteNodes(); }

  // Appends; returns the new count, 0 for a null value.
  virtual int AddTail(void* value) {
    if (!value) return 0;
    ZBENTITYOBJECT* node = new ZBENTITYOBJECT(value);
    node->m_prev = m_tail;
    if (m_tail) m_tail->m_next = node;
    else m_head = node;
    m_tail = node;
    return ++m_count;
  }

  // Prepends; returns the new count, 0 for a null value.
  virtual int AddHead(void* value) {
    if (!value) return 0;
    ZBENTITYOBJECT* node = new ZBENTITYOBJECT(value);
    node->m_next = m_head;
    if (m_head) m_head->m_prev = node;
    else m_tail = node;
    m_head = node;
    return ++m_count;
  }

  virtual int Add(void* value) { return AddTail(value); }

  // The removed value, null when empty.
  virtual void* RemoveHead() {
    if (!m_head) return nullptr;
    void* v = m_head->m_value;
    RemoveNode(m_head);
    return v;
  }

  virtual void* RemoveTail() {
    if (!m_tail) return nullptr;
    void* v = m_tail->m_value;
    RemoveNode(m_tail);
    return v;
  }

  // Unlinks and deletes `node`; a cursor on it moves to the following node.
  virtual int RemoveNode(ZBENTITYOBJECT* node) {
    if (!node) return 0;
    if (m_cursor == node) m_cursor = node->m_next;
    if (node->m_prev) node->m_prev->m_next = node->m_next;
    else m_head = node->m_next;
    if (node->m_next) node->m_next->m_prev = node->m_prev;
    else m_tail = node->m_prev;
    delete node;
    --m_count;
    return 1;
  }

  // Removes the first node holding `value`. Always returns 0.
  virtual int Remove(void* value) {
    RemoveNode(FindNode(value));
    return 0;
  }

  virtual bool IsTail(void* value) { return m_tail && m_tail->m_value == value; }

  // Inserts after the first node holding `after`; a null `after` inserts at the head.
  // Returns 1, or 0 (list unchanged) when `after` is not in the list or value is null.
  virtual int InsertAfter(void* after, void* value) {
    if (!value) return 0;
    if (!after) return AddHead(value) ? 1 : 0;
    ZBENTITYOBJECT* at = FindNode(after);
    if (!at) return 0;
    ZBENTITYOBJECT* node = new ZBENTITYOBJECT(value);
    node->m_prev = at;
    node->m_next = at->m_next;
    if (at->m_next) at->m_next->m_prev = node;
    else m_tail = node;
    at->m_next = node;
    ++m_count;
    return 1;
  }

  // Value at a 0-based index; null when the index is out of range.
  virtual void* GetAt(int index) {
    ZBENTITYOBJECT* n = NodeAt(index);
    return n ? n->m_value : nullptr;
  }

  virtual int GetCount() { return m_count; }

  // Moves the cursor to `index` and returns its value; null (cursor unchanged) when the
  // index is out of range.
  virtual void* SeekTo(int index) {
    ZBENTITYOBJECT* n = NodeAt(index);
    if (!n) return nullptr;
    m_cursor = n;
    return n->m_value;
  }

  virtual void* First() {
    m_cursor = m_head;
    return m_cursor ? m_cursor->m_value : nullptr;
  }

  virtual void* Last() {
    m_cursor = m_tail;
    return m_cursor ? m_cursor->m_value : nullptr;
  }

  // Advances the cursor; null at the end, where the cursor stays on the last node.
  virtual void* Next() {
    if (!m_cursor || !m_cursor->m_next) return nullptr;
    m_cursor = m_cursor->m_next;
    return m_cursor->m_value;
  }

  virtual void* Prev() {
    if (!m_cursor || !m_cursor->m_prev) return nullptr;
    m_cursor = m_cursor->m_prev;
    return m_cursor->m_value;
  }

  // Exchanges the values of two nodes.
  virtual int Swap(ZBENTITYOBJECT* a, ZBENTITYOBJECT* b) {
    if (!a || !b) return 0;
    void* t = a->m_value;
    a->m_value = b->m_value;
    b->m_value = t;
    return 1;
  }

  virtual void* HeadValue() { return m_head ? m_head->m_value : nullptr; }
  virtual void* TailValue() { return m_tail ? m_tail->m_value : nullptr; }
  virtual ZBENTITYOBJECT* HeadNode() { return m_head; }

  // First node holding `value`, or null.
  virtual ZBENTITYOBJECT* FindNode(void* value) {
    ZBENTITYOBJECT* n = m_head;
    for (int i = 0; n && i < m_count; ++i, n = n->m_next) {
      if (n->m_value == value) return n;
    }
    return nullptr;
  }

  ZBENTITYOBJECT* CursorNode() const { return m_cursor; }

 private:
  ZBENTITYOBJECT* NodeAt(int index) const {
    if (index < 0 || index >= m_count) return nullptr;
    ZBENTITYOBJECT* n = m_head;
    while (n && index-- > 0) n = n->m_next;
    return n;
  }

  void DeleteNodes() {
    ZBENTITYOBJECT* n = m_head;
    while (n) {
      ZBENTITYOBJECT* next = n->m_next;
      delete n;
      n = next;
    }
    m_head = m_tail = m_cursor = nullptr;
    m_count = 0;
  }

  int m_count = 0;
  ZBENTITYOBJECT* m_head = nullptr;
  ZBENTITYOBJECT* m_tail = nullptr;
  ZBENTITYOBJECT* m_cursor = nullptr;
};
