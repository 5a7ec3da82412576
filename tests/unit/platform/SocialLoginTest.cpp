#include <gtest/gtest.h>
#include <json/json.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "net/Packet.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXType_user_info.h"
#include "platform/FacebookDialog.h"
#include "platform/FacebookGraph.h"
#include "platform/GameInterface.h"
#include "unit/app/GameLogicFixture.h"

using namespace testing_support;

namespace {

// Answers Graph requests from a table of paths and records every address asked for.
class FakeGraph : public Facebook::HttpRequester {
 public:
  std::string Get(const std::string& url) override {
    urls.push_back(url);
    const std::string path = url.substr(base.size(), url.find('?') - base.size());
    auto it = answers.find(path);
    if (it == answers.end()) throw Facebook::InvalidArgument("http");
    return it->second;
  }
  std::string base = "http://127.0.0.1:9/graph";
  std::map<std::string, std::string> answers;
  std::vector<std::string> urls;
};

TEST(SocialUrlTest, BuildersEncodeEveryValue) {
  EXPECT_EQ(Facebook::AuthenticationUrl("http://127.0.0.1:9/dialog/oauth", "app 1&x",
                                        "http://127.0.0.1:9/web_content/facebook_login.htm"),
            "http://127.0.0.1:9/dialog/oauth?client_id=app%201%26x"
            "&redirect_uri=http%3A%2F%2F127.0.0.1%3A9%2Fweb_content%2Ffacebook_login.htm"
            "&type=user_agent&display=popup&scope=user_friends");
  EXPECT_EQ(Facebook::LogoutUrl("https://example.com/logout.php", "http://h/a?b=c&d", "tok/+="),
            "https://example.com/logout.php?next=http%3A%2F%2Fh%2Fa%3Fb%3Dc%26d&access_token=tok%2F%2B%3D");
  // Parameters in key order, keys and values encoded.
  EXPECT_EQ(Facebook::BuildRequestUrl("http://g", "/me", {{"offset", "0"}, {"access_token", "a&b"}, {"k y", "v"}}),
            "http://g/me?access_token=a%26b&k%20y=v&offset=0");
  EXPECT_EQ(Facebook::BuildRequestUrl("http://g", "/me", {}), "http://g/me");
}

TEST(SocialIdTest, PaddingAndRefusal) {
  struct Case {
    std::string id, padded;
  } cases[] = {{"123456789012345", "00000123456789012345"},
               {"1", "00000000000000000001"},
               {std::string(20, '7'), std::string(20, '7')},
               {std::string(29, '9'), std::string(29, '9')},
               {std::string(30, '9'), ""},
               {"", ""},
               {"12a4", ""},
               {"../1", ""},
               {"-15", ""},
               {"1 2", ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(Facebook::PadSocialId(c.id), c.padded) << c.id;
    EXPECT_EQ(Facebook::IsGraphId(c.id), !c.padded.empty()) << c.id;
  }
}

TEST(SocialNameTest, CutAtACharacterBoundaryBelowFiftyBytes) {
  const std::string thai = "ก";  // 3 bytes
  std::string exactly49 = std::string(46, 'a') + thai;
  EXPECT_EQ(CutUtf8(exactly49, 49), exactly49);
  std::string fifty = std::string(47, 'a') + thai;  // 50 bytes: the last character goes whole
  EXPECT_EQ(CutUtf8(fifty, 49), std::string(47, 'a'));
  std::string all_thai;
  for (int i = 0; i < 20; ++i) all_thai += thai;  // 60 bytes
  EXPECT_EQ(CutUtf8(all_thai, 49).size(), 48u);
}

TEST(GraphSessionTest, TheIdentityAndFriendsAndTheTokenNeverLogged) {
  const std::string token = "SECRET-TOKEN-123";
  FakeGraph graph;
  graph.answers["/me"] = "{\"id\":\"123456789012345\",\"name\":\"สมชาย\",\"email\":\"a@b\"}";
  graph.answers["/123456789012345/friends"] = "{\"data\":[{\"id\":\"11\",\"name\":\"A\"},{\"id\":\"x\",\"name\":\"B\"}]}";
  LogCapture log;
  Facebook::Session session(token, &graph, graph.base);
  const Facebook::User me = session.getCurrentUser();
  EXPECT_EQ(me.Get("id"), "123456789012345");
  EXPECT_EQ(me.Get("name"), "สมชาย");
  EXPECT_EQ(me.Get("birthday"), "");
  const auto friends = session.LoadFriends(me.Get("id"), 0);
  ASSERT_EQ(friends.size(), 2u);
  EXPECT_EQ(friends[0].id, "11");
  ASSERT_EQ(graph.urls.size(), 2u);
  EXPECT_EQ(graph.urls[0], graph.base + "/me?access_token=" + token);
  EXPECT_EQ(graph.urls[1], graph.base + "/123456789012345/friends?access_token=" + token + "&offset=0");
  EXPECT_TRUE(log.Has("Info: Initializing Session"));
  for (const auto& line : log.lines) EXPECT_EQ(line.find(token), std::string::npos) << line;
  // An id that is not a Graph id never becomes a path.
  EXPECT_THROW(session.LoadFriends("../me", 0), Facebook::InvalidArgument);
  EXPECT_EQ(graph.urls.size(), 2u);
}

TEST(GraphSessionTest, ErrorsAreReportedAsTheirKinds) {
  FakeGraph graph;
  EXPECT_THROW(Facebook::Session("", &graph, graph.base), Facebook::UnexpectedException);
  Facebook::Session session("t", &graph, graph.base);
  graph.answers["/me"] = "{\"error\":{\"type\":\"OAuthException\",\"message\":\"bad token\"}}";
  try {
    session.getCurrentUser();
    FAIL() << "no exception";
  } catch (const Facebook::FacebookException& e) {
    EXPECT_EQ(e.Type(), "OAuthException");
    EXPECT_STREQ(e.what(), "bad token");
  }
  graph.answers["/me"] = "<html>not json</html>";
  EXPECT_THROW(session.getCurrentUser(), Facebook::InvalidArgument);
  graph.answers.erase("/me");
  EXPECT_THROW(session.getCurrentUser(), Facebook::InvalidArgument);
}

TEST(FacebookDialogTest, SetUuidKeepsTheTokenAndSetCloseOnlyCloses) {
  FacebookDialog login("Facebook Login");
  FacebookDialog::SetUuid(&login, nullptr, "T0K");
  EXPECT_TRUE(login.Finished());
  EXPECT_TRUE(login.TokenReceived());
  EXPECT_EQ(login.Token(), "T0K");
  FacebookDialog cancel("Facebook Login");
  FacebookDialog::SetClose(&cancel, nullptr, "");
  EXPECT_TRUE(cancel.Finished());
  EXPECT_FALSE(cancel.TokenReceived());
}

std::vector<uint8_t> UserInfo() {
  std::vector<uint8_t> u(kUserInfoSize, 0);
  std::memcpy(u.data() + kUserAccountId, "fb00000123", 10);
  std::memcpy(u.data() + kUserNickname, "Nick", 4);
  const int32_t number = 4242;
  std::memcpy(u.data() + kUserNumber, &number, 4);
  return u;
}

TEST(FriendUploadTest, ExactBytesAndRefusedIds) {
  const auto user = UserInfo();
  int count = -1;
  Packet p = BuildFriendUpload(user.data(),
                               {{"123456789012345", "a"}, {"", "b"}, {std::string(30, '1'), "c"}, {"9x", "d"}, {"7", "e"}},
                               &count);
  EXPECT_EQ(p.id, VX_PROTOCOL_SOCIAL_FRIENDS);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(p.PayloadLength(), 30u + 4 + 4 + 2 * 30);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.payload)), "fb00000123");
  int32_t v = 0;
  std::memcpy(&v, p.payload + 30, 4);
  EXPECT_EQ(v, 4242);
  std::memcpy(&v, p.payload + 34, 4);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.payload + 38)), "00000123456789012345");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.payload + 68)), "00000000000000000007");
  BuildFriendUpload(user.data(), {}, &count);
  EXPECT_EQ(count, 0);
}

TEST(PlayerMessageTest, ExactLayout) {
  const auto user = UserInfo();
  Packet p = BuildPlayerMessage(user.data(), "NV0000000042", "hello");
  EXPECT_EQ(p.id, VX_PROTOCOL_MAIL_SEND);
  ASSERT_EQ(p.PayloadLength(), 30u + 4 + 50 + 30 + 4 + 1024);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.payload + 34)), "Nick");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.payload + 84)), "NV0000000042");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.payload + 118)), "hello");
}

}  // namespace
