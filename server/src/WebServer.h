#pragma once
// The server's HTTP side: the banner document, the kit's local pages (web_content/) and
// the player pictures (web_content/AG/), and the social network's stand-ins. It answers GET and HEAD only, on its own threads
// (cpp-httplib's listener and a small worker pool); it shares no state with the game
// roles. Start and Stop are called from one thread (the server's owner).
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "Server.h"

namespace httplib {
class Server;
}

namespace tsrv {

class SocialStandIn;

class WebServer {
 public:
  WebServer();
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds `bind`:`port` (0: any free port) and serves the files of `kit_dir`/web_content.
  // `public_host` names the server in the addresses of the banner document when a request
  // carries no usable Host header. False with a message when the port cannot be bound.
  // The social network's stand-ins answer as `social` says.
  bool Start(const std::string& bind, int port, const std::string& kit_dir,
             const std::string& public_host, const SocialConfig& social, std::string* error);
  // Stops listening and joins the threads; requests in progress finish first.
  void Stop();
  int port() const { return port_; }
  // The address the authorisation page redirects to (empty before Start).
  std::string login_page() const;

 private:
  std::unique_ptr<httplib::Server> http_;
  std::unique_ptr<SocialStandIn> social_;
  std::thread listener_;
  std::atomic<bool> listen_done_{false};
  int port_ = -1;
};

}  // namespace tsrv
