#include "platform/FacebookDialog.h"

FacebookDialog::FacebookDialog(const std::string& title) : m_view(title) {
  m_view.AddCallback("set_uuid", &SetUuid, this);
  m_view.AddCallback("set_close", &SetClose, this);
}

int FacebookDialog::Run(const std::string& url, const WebViewArea& area) { return m_view.Open(url, area); }

void FacebookDialog::SetUuid(void* self, ZBWebView* view, const std::string& token) {
  auto* d = static_cast<FacebookDialog*>(self);
  d->m_token = token;
  d->m_token_received = true;
  d->m_finished = true;
  if (view) view->Close();
}

void FacebookDialog::SetClose(void* self, ZBWebView* view, const std::string&) {
  static_cast<FacebookDialog*>(self)->m_finished = true;
  if (view) view->Close();
}
