// The social network's stand-ins on the web side: the authorisation page checks the
// application and the redirect address, approve gives a token and cancel none; the Graph
// calls answer with the test identity for a token issued here; logout ends the token.
#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "JsonText.h"
#include "LiveServer.h"
#include "SocialStandIn.h"

namespace fs = std::filesystem;

namespace {

// A server with the web side on a free port and a kit holding the sample pictures.
struct SocialFixture {
  SocialFixture() : kit(fs::temp_directory_path() / ("tolvan_social_" + std::to_string(::getpid()))) {
    fs::create_directories(kit / "web_content/AG");
    for (int i = 1; i <= 4; ++i)
      std::ofstream(kit / ("web_content/AG/000000000" + std::to_string(i) + ".jpg")) << "jpeg " << i;
    auto cfg = QuickConfig("social");
    cfg.http_port = 0;
    cfg.kit_dir = kit.string();
    cfg.social.app_id = "42424242";
    live = std::make_unique<LiveServer>(cfg);
    port = live->server().http_port();
    http = std::make_unique<httplib::Client>("127.0.0.1", port);
    login_page = "http://127.0.0.1:" + std::to_string(port) + "/web_content/facebook_login.htm";
  }
  ~SocialFixture() {
    live.reset();
    fs::remove_all(kit);
  }
  std::string Query(const std::string& client_id, const std::string& redirect) const {
    return "?client_id=" + tsrv::UrlEncode(client_id) + "&redirect_uri=" + tsrv::UrlEncode(redirect) +
           "&type=user_agent&display=popup&scope=user_friends";
  }
  // The token of an approved login.
  std::string Approve() {
    auto res = http->Get(("/dialog/oauth/approve" + Query("42424242", login_page)).c_str());
    if (!res || res->status != 302) return std::string();
    const std::string to = res->get_header_value("Location");
    const std::string mark = "#access_token=";
    const size_t at = to.find(mark);
    if (to.compare(0, login_page.size(), login_page) != 0 || at == std::string::npos) return std::string();
    return to.substr(at + mark.size(), to.find('&', at) - at - mark.size());
  }

  fs::path kit;
  std::unique_ptr<LiveServer> live;
  int port = 0;
  std::unique_ptr<httplib::Client> http;
  std::string login_page;
};

}  // namespace

TEST(SocialStandIn, AuthorisationChecksTheApplicationAndTheRedirectAddress) {
  SocialFixture f;
  struct Case {
    const char* what;
    std::string client_id, redirect;
    int status;
  } cases[] = {
      {"the application's login page", "42424242", f.login_page, 200},
      {"another client id", "42424243", f.login_page, 400},
      {"no client id", "", f.login_page, 400},
      {"another page", "42424242", "http://127.0.0.1:" + std::to_string(f.port) + "/web_content/help.htm", 400},
      {"the page with more after it", "42424242", f.login_page + "?x=1", 400},
      {"the page on another host", "42424242", "http://evil.invalid/web_content/facebook_login.htm", 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* path : {"/dialog/oauth", "/dialog/oauth/approve", "/dialog/oauth/cancel"}) {
      auto res = f.http->Get((path + f.Query(c.client_id, c.redirect)).c_str());
      ASSERT_TRUE(res);
      const int want = c.status == 200 && std::string(path) != "/dialog/oauth" ? 302 : c.status;
      EXPECT_EQ(res->status, want) << path;
    }
  }
  // The page names the identity (Thai by default) and offers both buttons.
  auto page = f.http->Get(("/dialog/oauth" + f.Query("42424242", f.login_page)).c_str());
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("สมชาย ใจดี"), std::string::npos);
  EXPECT_NE(page->body.find("id=\"approve\""), std::string::npos);
  EXPECT_NE(page->body.find("id=\"cancel\""), std::string::npos);
  // Cancel goes back with the error and no token.
  auto cancel = f.http->Get(("/dialog/oauth/cancel" + f.Query("42424242", f.login_page)).c_str());
  ASSERT_TRUE(cancel);
  const std::string to = cancel->get_header_value("Location");
  EXPECT_EQ(to, f.login_page + "?error=access_denied&error_reason=user_denied");
}

TEST(SocialStandIn, GraphAnswersForAnIssuedTokenUntilLogout) {
  SocialFixture f;
  const std::string token = f.Approve();
  ASSERT_EQ(token.size(), 40u);
  EXPECT_NE(f.Approve(), token) << "every login gets a token of its own";

  auto me = f.http->Get(("/graph/me?access_token=" + token).c_str());
  ASSERT_TRUE(me && me->status == 200);
  Json::Value v = ParseJson(me->body);
  EXPECT_EQ(v["id"].asString(), "100000000000001");
  EXPECT_EQ(v["name"].asString(), "สมชาย ใจดี");

  auto friends = f.http->Get(("/graph/100000000000001/friends?access_token=" + token + "&offset=0").c_str());
  ASSERT_TRUE(friends && friends->status == 200);
  v = ParseJson(friends->body);
  ASSERT_EQ(v["data"].size(), 2u);
  EXPECT_EQ(v["data"][0]["id"].asString(), "100000000000002");
  EXPECT_FALSE(v["data"][0]["name"].asString().empty());
  auto later = f.http->Get(("/graph/100000000000001/friends?access_token=" + token + "&offset=1").c_str());
  ASSERT_TRUE(later);
  EXPECT_EQ(ParseJson(later->body)["data"].size(), 1u) << "the offset skips friends already read";

  // Errors are Graph errors (an object with "error": message and type).
  struct Case {
    const char* what;
    std::string path;
    int status;
  } errors[] = {
      {"no token", "/graph/me", 400},
      {"a token not issued here", "/graph/me?access_token=0123", 400},
      {"another user's friends", "/graph/100000000000009/friends?access_token=" + token, 404},
  };
  for (const Case& c : errors) {
    SCOPED_TRACE(c.what);
    auto res = f.http->Get(c.path.c_str());
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status);
    Json::Value e = ParseJson(res->body);
    EXPECT_FALSE(e["error"]["message"].asString().empty());
    EXPECT_EQ(e["error"]["type"].asString(), "OAuthException");
  }

  // Pictures need no token; ids are digits only.
  auto pic = f.http->Get("/graph/100000000000001/picture?width=100&height=100");
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->status, 200);
  EXPECT_EQ(pic->get_header_value("Content-Type"), "image/jpeg");
  auto bad = f.http->Get("/graph/abc/picture");
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->status, 404);

  // Logout: back to a page of the application only; the token stops working.
  const std::string next = "http://127.0.0.1:" + std::to_string(f.port) + "/web_content/facebook_logout.htm";
  auto elsewhere = f.http->Get(("/logout.php?next=" + tsrv::UrlEncode("http://evil.invalid/") +
                                "&access_token=" + token).c_str());
  ASSERT_TRUE(elsewhere);
  EXPECT_EQ(elsewhere->status, 400);
  auto out = f.http->Get(("/logout.php?next=" + tsrv::UrlEncode(next) + "&access_token=" + token).c_str());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->status, 302);
  EXPECT_EQ(out->get_header_value("Location"), next);
  auto after = f.http->Get(("/graph/me?access_token=" + token).c_str());
  ASSERT_TRUE(after);
  EXPECT_EQ(after->status, 400) << "a token after logout";
}

TEST(SocialStandIn, UrlEncodingAndHtmlEscaping) {
  EXPECT_EQ(tsrv::UrlEncode("http://a:1/b c?d=e&f"), "http%3A%2F%2Fa%3A1%2Fb%20c%3Fd%3De%26f");
  EXPECT_EQ(tsrv::UrlEncode("aZ09-_.~"), "aZ09-_.~");
  EXPECT_EQ(tsrv::UrlEncode("ก"), "%E0%B8%81");
  EXPECT_EQ(tsrv::HtmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
  EXPECT_TRUE(tsrv::IsSocialId("1"));
  EXPECT_TRUE(tsrv::IsSocialId(std::string(29, '9')));
  EXPECT_FALSE(tsrv::IsSocialId(std::string(30, '9')));
  EXPECT_FALSE(tsrv::IsSocialId(""));
  EXPECT_FALSE(tsrv::IsSocialId("12a"));
}
