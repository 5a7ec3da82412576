#include "ui/ImeFocusHolder.h"

#include "ui/CImeBox.h"

namespace {
CImeBox* g_focused = nullptr;
}

void ImeFocusHolder::SetFocus(CImeBox* box) {
  CImeBox* old = g_focused;
  if (old) {
    old->m_focused = 0;
    old->OnFocusChanged(0);
  }
  g_focused = box;
  if (box) {
    box->m_focused = 1;
    box->OnFocusChanged(1);
  }
}

CImeBox* ImeFocusHolder::Focused() { return g_focused; }
