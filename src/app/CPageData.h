#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/ZBObject.h"

// A paged list taken out of a list reply: the page header and the items, each holding
// one reference that the page drops when it is cleared or destroyed.
class CPageData : public ZBObject {
 public:
  CPageData() = default;
  ~CPageData() override;

  // Takes over the caller's reference to `item` (null is ignored).
  void AddItem(ZBObject* item);
  ZBObject* Item(size_t index) const { return index < m_items.size() ? m_items[index] : nullptr; }
  size_t ItemCount() const { return m_items.size(); }
  // Releases every item and zeroes the header.
  void Clear();

  int32_t m_count = 0;      // records in the reply
  int32_t m_kind = 0;       // list kind
  int32_t m_page = 0;       // paging values copied from the reply
  int32_t m_page_total = 0;
  int32_t m_reserved[4] = {};

 private:
  std::vector<ZBObject*> m_items;
};
