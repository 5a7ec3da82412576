#include <gtest/gtest.h>

#include <string>

#include "web/WebAddress.h"
#include "web/ZBWebView.h"

namespace {

TEST(WebAddressTest, OnlyHttpAndHttpsAddressesWithAHost) {
  struct Case {
    const char* url;
    bool ok;
  } cases[] = {{"http://127.0.0.1:8080/a", true},
               {"https://example.com/", true},
               {"HTTPS://Example.com/x?y=1#z", true},
               {"ftp://example.com/", false},
               {"file:///etc/passwd", false},
               {"javascript:alert(1)", false},
               {"data:text/html,hi", false},
               {"-http://example.com/", false},
               {"--help", false},
               {"example.com/path", false},
               {"http://", false},
               {"http://exa mple.com/", false},
               {"http://example.com/\n", false},
               {"", false}};
  for (const Case& c : cases) EXPECT_EQ(IsWebAddress(c.url), c.ok) << c.url;
}

TEST(WebAddressTest, OriginsAndEncoding) {
  EXPECT_EQ(WebOrigin("http://127.0.0.1:8080/a/b?c#d"), "http://127.0.0.1:8080");
  EXPECT_EQ(WebOrigin("HTTP://LocalHost/x"), "http://localhost");
  EXPECT_EQ(WebOrigin("https://example.com:443/"), "https://example.com");
  EXPECT_EQ(WebOrigin("http://a.example@b.example:81/"), "http://b.example:81");
  EXPECT_EQ(WebOrigin("about:blank"), "");
  EXPECT_EQ(UrlEncode("a b&c=d/é~-._"), "a%20b%26c%3Dd%2F%C3%A9~-._");
}

TEST(WebViewRulesTest, CallsOnlyFromTheTrustedOriginAndShortEnough) {
  const std::string trusted = "http://127.0.0.1:9000";
  struct Case {
    const char* page;
    size_t bytes;
    bool ok;
  } cases[] = {{"http://127.0.0.1:9000/web_content/facebook_login.htm#access_token=x", 10, true},
               {"http://127.0.0.1:9000/", ZBWebView::kMaxArgumentBytes, true},
               {"http://127.0.0.1:9000/", ZBWebView::kMaxArgumentBytes + 1, false},
               {"http://127.0.0.1:9001/", 10, false},
               {"https://127.0.0.1:9000/", 10, false},
               {"http://localhost:9000/", 10, false},
               {"about:blank", 10, false},
               {"", 10, false}};
  for (const Case& c : cases) EXPECT_EQ(ZBWebView::AcceptCall(c.page, trusted, c.bytes), c.ok) << c.page;
  EXPECT_FALSE(ZBWebView::AcceptCall("http://127.0.0.1:9000/", "", 1));
}

TEST(WebViewRulesTest, NavigationAndCallbackNames) {
  for (const char* ok : {"http://a.example/", "https://b.example/x", "about:blank"})
    EXPECT_TRUE(ZBWebView::AllowNavigation(ok)) << ok;
  for (const char* bad : {"file:///etc/passwd", "javascript:void(0)", "data:text/html,x", "mailto:a@b", "about:config"})
    EXPECT_FALSE(ZBWebView::AllowNavigation(bad)) << bad;

  ZBWebView view("t");
  auto fn = +[](void*, ZBWebView*, const std::string&) {};
  EXPECT_TRUE(view.AddCallback("set_uuid", fn, nullptr));
  for (const char* bad : {"", "1abc", "a-b", "a'b", "a b", "x');alert(1);('"})
    EXPECT_FALSE(view.AddCallback(bad, fn, nullptr)) << bad;
}

TEST(WebViewRulesTest, APageCallReachesItsFunctionOnlyWhenAccepted) {
  struct Seen {
    int calls = 0;
    std::string arg;
  } seen;
  ZBWebView view("t");
  view.SetTrustedOrigin("http://127.0.0.1:9000");
  ASSERT_TRUE(view.AddCallback("set_uuid", +[](void* s, ZBWebView*, const std::string& a) {
    auto* p = static_cast<Seen*>(s);
    ++p->calls;
    p->arg = a;
  }, &seen));
  view.OnScriptMessage(0, "http://127.0.0.1:9001/evil.htm", "EVIL");
  view.OnScriptMessage(0, "http://127.0.0.1:9000/ok.htm", std::string(ZBWebView::kMaxArgumentBytes + 1, 'x'));
  view.OnScriptMessage(7, "http://127.0.0.1:9000/ok.htm", "no such function");
  EXPECT_EQ(seen.calls, 0);
  view.OnScriptMessage(0, "http://127.0.0.1:9000/ok.htm", "TOKEN");
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.arg, "TOKEN");
}

}  // namespace
