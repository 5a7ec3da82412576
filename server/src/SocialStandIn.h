#pragma once
// The social network as the game meets it, for one fixed test identity, on the server's
// HTTP side: the OAuth authorisation page (approve or cancel, then a redirect to the one
// configured login page), the logout page, and the Graph calls the game makes ("me", the
// friend list, the picture). Handlers run on the web side's worker threads; the issued
// tokens are kept under a lock.
#include <deque>
#include <mutex>
#include <string>

#include "Server.h"

namespace httplib {
class Server;
}

namespace tsrv {

// Where the Graph calls are served: "/graph/me", "/graph/ID/friends", "/graph/ID/picture".
inline constexpr char kGraphPrefix[] = "/graph";

class SocialStandIn {
 public:
  // `pictures` is the folder of the sample player pictures (web_content/AG).
  SocialStandIn(SocialConfig cfg, std::string pictures);
  // Adds the routes. `login_page` is the redirect address when the configuration names
  // none; it must be set before the first request.
  void Mount(httplib::Server& http);
  void SetDefaultLoginPage(const std::string& login_page);

  // The login page every authorisation goes back to.
  std::string login_page() const;

 private:
  std::string IssueToken();
  bool KnownToken(const std::string& token);
  void DropToken(const std::string& token);

  const SocialConfig cfg_;
  const std::string pictures_;
  mutable std::mutex mu_;
  std::string login_page_;
  std::deque<std::string> tokens_;  // the newest last; the oldest dropped past a limit
};

// The value URL-encoded for a query (unreserved characters kept, every other byte %XX).
std::string UrlEncode(const std::string& value);
// Text made safe to stand in HTML.
std::string HtmlEscape(const std::string& text);

}  // namespace tsrv
