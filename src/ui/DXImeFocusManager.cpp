#include "ui/DXImeFocusManager.h"

#include "ui/ImeFocusHolder.h"

DXImeFocusManager::~DXImeFocusManager() {
  m_list.RemoveAll();
  ImeFocusHolder::SetFocus(nullptr);
}
