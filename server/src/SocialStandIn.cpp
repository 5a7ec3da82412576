#include "SocialStandIn.h"

#include <httplib.h>
#include <json/json.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "framework/Log.h"
#include "framework/Paths.h"

namespace tsrv {

namespace {

constexpr size_t kMaxTokens = 1000;  // tokens kept; older ones stop working
constexpr int kSamplePictures = 4;

std::string JsonText(const Json::Value& v) {
  Json::StreamWriterBuilder b;
  b["indentation"] = "";
  b["emitUTF8"] = true;
  return Json::writeString(b, v);
}

// A Graph error as the game's client reads it: an object with "error" (message, type).
void GraphError(httplib::Response& res, int status, const char* message, const char* type) {
  Json::Value v;
  v["error"]["message"] = message;
  v["error"]["type"] = type;
  v["error"]["code"] = status == 400 ? 190 : 803;
  res.status = status;
  res.set_content(JsonText(v), "application/json");
}

// "scheme://host:port/" of an address, or empty.
std::string Origin(const std::string& url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string::npos) return std::string();
  const size_t path = url.find('/', scheme + 3);
  return path == std::string::npos ? url + "/" : url.substr(0, path + 1);
}

}  // namespace

bool IsSocialId(const std::string& id) {
  if (id.empty() || id.size() > 29) return false;
  return std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string UrlEncode(const std::string& value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : value) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

SocialStandIn::SocialStandIn(SocialConfig cfg, std::string pictures)
    : cfg_(std::move(cfg)), pictures_(std::move(pictures)), login_page_(cfg_.login_page) {}

void SocialStandIn::SetDefaultLoginPage(const std::string& login_page) {
  std::lock_guard<std::mutex> lk(mu_);
  if (cfg_.login_page.empty()) login_page_ = login_page;
}

std::string SocialStandIn::login_page() const {
  std::lock_guard<std::mutex> lk(mu_);
  return login_page_;
}

std::string SocialStandIn::IssueToken() {
  std::random_device rd;
  char text[41];
  std::snprintf(text, sizeof(text), "%08x%08x%08x%08x%08x", rd(), rd(), rd(), rd(), rd());
  std::lock_guard<std::mutex> lk(mu_);
  tokens_.push_back(text);
  if (tokens_.size() > kMaxTokens) tokens_.pop_front();
  return text;
}

bool SocialStandIn::KnownToken(const std::string& token) {
  if (token.empty()) return false;
  std::lock_guard<std::mutex> lk(mu_);
  return std::find(tokens_.begin(), tokens_.end(), token) != tokens_.end();
}

void SocialStandIn::DropToken(const std::string& token) {
  std::lock_guard<std::mutex> lk(mu_);
  tokens_.erase(std::remove(tokens_.begin(), tokens_.end(), token), tokens_.end());
}

void SocialStandIn::Mount(httplib::Server& http) {
  // What is wrong with an authorisation request (empty when nothing is): the client id
  // must be the application's and the redirect address exactly the login page.
  auto problem = [this](const httplib::Request& req) -> std::string {
    if (req.get_param_value("client_id") != cfg_.app_id) return "unknown client_id";
    if (req.get_param_value("redirect_uri") != login_page()) return "redirect_uri is not the application's login page";
    return std::string();
  };
  auto refuse = [](httplib::Response& res, const std::string& why) {
    res.status = 400;
    res.set_content("<!DOCTYPE html><html><body><p>Login refused: " + HtmlEscape(why) + "</p></body></html>",
                    "text/html; charset=utf-8");
  };

  // The authorisation page: who logs in, and two large buttons (approve on the left,
  // cancel on the right) that fill the dialog's lower half.
  http.Get("/dialog/oauth", [this, problem, refuse](const httplib::Request& req, httplib::Response& res) {
    const std::string why = problem(req);
    if (!why.empty()) return refuse(res, why);
    const std::string query = "client_id=" + UrlEncode(cfg_.app_id) + "&redirect_uri=" + UrlEncode(login_page());
    std::string page =
        "<!DOCTYPE html><html lang=\"th\"><head><meta charset=\"utf-8\"><title>Log in</title><style>"
        "html,body{margin:0;height:100%;font-family:sans-serif}"
        "p{margin:0;height:40%;display:flex;align-items:center;justify-content:center;font-size:22px}"
        "a{position:fixed;top:50%;bottom:0;width:50%;display:flex;align-items:center;"
        "justify-content:center;font-size:28px;color:#fff;text-decoration:none}"
        "#approve{left:0;background:#1877f2}#cancel{right:0;background:#888}"
        "</style></head><body><p id=\"who\">" +
        HtmlEscape(cfg_.user_name) +
        "</p><a id=\"approve\" href=\"/dialog/oauth/approve?" + query +
        "\">Continue</a><a id=\"cancel\" href=\"/dialog/oauth/cancel?" + query +
        "\">Cancel</a></body></html>";
    res.set_content(page, "text/html; charset=utf-8");
  });
  // Approve: back to the login page with a new token in the fragment.
  http.Get("/dialog/oauth/approve", [this, problem, refuse](const httplib::Request& req, httplib::Response& res) {
    const std::string why = problem(req);
    if (!why.empty()) return refuse(res, why);
    res.set_redirect(login_page() + "#access_token=" + IssueToken() + "&expires_in=3600");
  });
  // Cancel: back to the login page with the error and no token.
  http.Get("/dialog/oauth/cancel", [this, problem, refuse](const httplib::Request& req, httplib::Response& res) {
    const std::string why = problem(req);
    if (!why.empty()) return refuse(res, why);
    res.set_redirect(login_page() + "?error=access_denied&error_reason=user_denied");
  });
  // Logout: the token stops working; back to `next` when it is on the login page's host.
  http.Get("/logout.php", [this, refuse](const httplib::Request& req, httplib::Response& res) {
    DropToken(req.get_param_value("access_token"));
    const std::string next = req.get_param_value("next");
    const std::string origin = Origin(login_page());
    if (origin.empty() || next.compare(0, origin.size(), origin) != 0)
      return refuse(res, "next is not an address of the application");
    res.set_redirect(next);
  });

  // Graph, under its own prefix (the game's Graph address is <web base>/graph): the
  // identity, its friends and pictures.
  http.Get(std::string(kGraphPrefix) + "/me", [this](const httplib::Request& req, httplib::Response& res) {
    if (!KnownToken(req.get_param_value("access_token")))
      return GraphError(res, 400, "Invalid OAuth access token.", "OAuthException");
    Json::Value v;
    v["id"] = cfg_.user_id;
    v["name"] = cfg_.user_name;
    const size_t space = cfg_.user_name.find(' ');
    v["first_name"] = cfg_.user_name.substr(0, space);
    v["last_name"] = space == std::string::npos ? std::string() : cfg_.user_name.substr(space + 1);
    res.set_content(JsonText(v), "application/json");
  });
  const std::string friends_path = std::string(kGraphPrefix) + R"(/([^/]+)/friends)";
  http.Get(friends_path, [this](const httplib::Request& req, httplib::Response& res) {
    if (!KnownToken(req.get_param_value("access_token")))
      return GraphError(res, 400, "Invalid OAuth access token.", "OAuthException");
    const std::string who = req.matches[1];
    if (who != "me" && who != cfg_.user_id)
      return GraphError(res, 404, "(#803) Some of the aliases you requested do not exist", "OAuthException");
    long offset = 0;
    const std::string off = req.get_param_value("offset");
    if (!off.empty()) offset = std::strtol(off.c_str(), nullptr, 10);
    if (offset < 0) offset = 0;
    Json::Value v;
    v["data"] = Json::Value(Json::arrayValue);
    for (size_t i = static_cast<size_t>(offset); i < cfg_.friends.size(); ++i) {
      Json::Value f;
      f["name"] = cfg_.friends[i].name;
      f["id"] = cfg_.friends[i].id;
      v["data"].append(f);
    }
    v["paging"] = Json::Value(Json::objectValue);
    res.set_content(JsonText(v), "application/json");
  });
  const std::string picture_path = std::string(kGraphPrefix) + R"(/([0-9]{1,29})/picture)";
  http.Get(picture_path, [this](const httplib::Request& req, httplib::Response& res) {
    // One of the kit's sample pictures, chosen by the id's last digit.
    const std::string id = req.matches[1];
    char name[32];
    std::snprintf(name, sizeof(name), "/%010d.jpg", (id.back() - '0') % kSamplePictures + 1);
    std::string data;
    if (!ReadWholeFile(pictures_ + name, &data)) {
      res.status = 404;
      return;
    }
    res.set_content(data, "image/jpeg");
  });
}

}  // namespace tsrv
