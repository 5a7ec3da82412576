#pragma once
#include <string>

#include "web/ZBWebView.h"

// The social network's login and logout pages in the web view. The local pages they
// return to call "set_uuid"(access token), which keeps the token and closes the
// dialog, or "set_close"(), which only closes it.
//
// Threads: main thread only; Run blocks while the dialog is open.
class FacebookDialog {
 public:
  explicit FacebookDialog(const std::string& title);

  // Pages of this origin may call the two functions.
  void SetTrustedOrigin(const std::string& origin) { m_view.SetTrustedOrigin(origin); }
  // 1 when the dialog was shown and is closed again, 0 when it could not open.
  int Run(const std::string& url, const WebViewArea& area);

  bool Finished() const { return m_finished; }
  bool TokenReceived() const { return m_token_received; }
  const std::string& Token() const { return m_token; }

  // The two page functions (exposed for tests).
  static void SetUuid(void* self, ZBWebView* view, const std::string& token);
  static void SetClose(void* self, ZBWebView* view, const std::string& unused);

 private:
  ZBWebView m_view;
  std::string m_token;
  bool m_token_received = false;
  bool m_finished = false;
};
