#pragma once
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "ui/ZBEntity.h"

// Owns the keyboard focus at shutdown: destroying it takes the focus away from any box.
class DXImeFocusManager : public ZBObject, public ZBSingleton<DXImeFocusManager> {
 public:
  DXImeFocusManager() = default;
  ~DXImeFocusManager() override;

  ZBEntity m_list;
};
