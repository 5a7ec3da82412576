#include "app/CPageData.h"

CPageData::~CPageData() { Clear(); }

void CPageData::AddItem(ZBObject* item) {
  if (item) m_items.push_back(item);
}

void CPageData::Clear() {
  for (ZBObject* item : m_items) item->Release();
  m_items.clear();
  m_count = 0;
  m_kind = 0;
  m_page = 0;
  m_page_total = 0;
  for (int32_t& r : m_reserved) r = 0;
}
