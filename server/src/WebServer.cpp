#include "WebServer.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "BannerDocument.h"
#include "SocialStandIn.h"
#include "framework/Log.h"
#include "framework/Paths.h"

namespace tsrv {

namespace {

constexpr int kWorkers = 2;                    // two cores: a small pool is plenty
constexpr size_t kMaxRequestBody = 64 * 1024;  // nothing here takes a body
constexpr int kSamplePictures = 4;             // web_content/AG/0000000001.jpg to ...4.jpg

// Player pictures are named by the account number; an account without its own picture
// gets one of the kit's samples, chosen by the number.
std::string SamplePictureFor(const std::string& digits) {
  int n = 0;  // the number modulo the sample count, digit by digit (it may not fit 64 bits)
  for (char ch : digits) n = (n * 10 + (ch - '0')) % kSamplePictures;
  char name[32];
  std::snprintf(name, sizeof(name), "%010d.jpg", n + 1);
  return name;
}

// A request path as it may stand in a log line: printable ASCII only, at most 200 bytes.
std::string PrintablePath(const std::string& path) {
  constexpr size_t kMaxShown = 200;
  std::string out;
  for (size_t i = 0; i < path.size() && i < kMaxShown; ++i) {
    const unsigned char ch = static_cast<unsigned char>(path[i]);
    out.push_back(ch >= 0x21 && ch < 0x7f ? static_cast<char>(ch) : '?');
  }
  if (path.size() > kMaxShown) out += "...";
  return out;
}

}  // namespace

WebServer::WebServer() = default;

WebServer::~WebServer() { Stop(); }

bool WebServer::Start(const std::string& bind, int port, const std::string& kit_dir,
                      const std::string& public_host, const SocialConfig& social, std::string* error) {
  const std::string pages = kit_dir + "/web_content";
  http_ = std::make_unique<httplib::Server>();
  http_->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  http_->set_payload_max_length(kMaxRequestBody);
  // With the trace on, one line per request: method, path (never the query, which may
  // carry a token) and status.
  http_->set_logger([](const httplib::Request& req, const httplib::Response& res) {
    Log(LOG_TRACE, "[DEBUG]: tolvan-server | web %s %s %d", req.method.c_str(), PrintablePath(req.path).c_str(),
        res.status);
  });
  http_->set_read_timeout(std::chrono::seconds(5));
  http_->set_write_timeout(std::chrono::seconds(5));
  if (std::filesystem::is_directory(pages)) {
    // The kit's pages, pictures and banners, as files; names that leave the folder are
    // refused by the library.
    http_->set_mount_point("/web_content", pages);
  } else {
    Log(LOG_WARNING, "[WARNING]: tolvan-server | no web pages: %s is not a folder", pages.c_str());
  }
  // Requests the files above did not answer.
  http_->Get("/web_content/profile.htm", [this, public_host](const httplib::Request& req, httplib::Response& res) {
    const std::string fallback = "http://" + public_host + ":" + std::to_string(port_);
    res.set_content(BannerDocument(BaseUrlFromHost(req.get_header_value("Host"), fallback)),
                    "application/json");
  });
  http_->Get(R"(/web_content/AG/([0-9]{1,20})\.jpg)", [pages](const httplib::Request& req, httplib::Response& res) {
    std::string data;
    if (!ReadWholeFile(pages + "/AG/" + SamplePictureFor(req.matches[1]), &data)) {
      res.status = 404;
      return;
    }
    res.set_content(data, "image/jpeg");
  });

  social_ = std::make_unique<SocialStandIn>(social, pages + "/AG");
  social_->Mount(*http_);

  port_ = port == 0 ? http_->bind_to_any_port(bind) : (http_->bind_to_port(bind, port) ? port : -1);
  if (port_ <= 0) {
    if (error) *error = "cannot listen on " + bind + ":" + std::to_string(port) + " for the web side";
    http_.reset();
    social_.reset();
    port_ = -1;
    return false;
  }
  social_->SetDefaultLoginPage("http://" + public_host + ":" + std::to_string(port_) +
                               "/web_content/facebook_login.htm");
  listen_done_ = false;
  listener_ = std::thread([this] {
    http_->listen_after_bind();
    listen_done_ = true;
  });
  return true;
}

std::string WebServer::login_page() const { return social_ ? social_->login_page() : std::string(); }

void WebServer::Stop() {
  if (!listener_.joinable()) return;
  // The listener may not have started listening yet, and a stop before that is lost: wait
  // for it (a moment at most, and only when stopping right after the start).
  while (!listen_done_ && !http_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  http_->stop();
  listener_.join();
  http_.reset();
  social_.reset();
}

}  // namespace tsrv
