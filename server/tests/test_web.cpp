// The web side over loopback: the banner document and the files it names, the local pages
// and the player pictures, names that try to leave the folder, and the program's options.
#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "JsonText.h"
#include "LiveServer.h"
#include "ServerProcess.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& p, const std::string& data) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << data;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const char* const kBannerNames[] = {"event_lobby", "shop_lobby", "tip_lobby", "rooms_deco",
                                    "announce_welcome"};

// A kit folder of the test's own: two pages, the four sample pictures, a banner file for
// each banner, and a file beside web_content/ that must never be served.
class WebKit {
 public:
  WebKit() : root_(fs::temp_directory_path() / ("tolvan_web_" + std::to_string(::getpid()))) {
    fs::remove_all(root_);
    WriteFile(root_ / "web_content/help.htm", "<html><body>help</body></html>");
    WriteFile(root_ / "web_content/style.css", "body { color: black; }");
    for (int i = 1; i <= 4; ++i)
      WriteFile(root_ / ("web_content/AG/000000000" + std::to_string(i) + ".jpg"),
                "\xFF\xD8 sample " + std::to_string(i));
    for (const char* name : kBannerNames)
      WriteFile(root_ / "web_content/banner" / (std::string(name) + ".png"), std::string("\x89PNG ") + name);
    WriteFile(root_ / "secret.txt", "not for the web");
  }
  ~WebKit() { fs::remove_all(root_); }
  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

tsrv::ServerConfig WebConfig(const char* db, const WebKit& kit) {
  auto cfg = QuickConfig(db);
  cfg.http_port = 0;
  cfg.kit_dir = kit.root().string();
  return cfg;
}

Json::Value FetchDocument(httplib::Client& http, const httplib::Headers& headers = {}) {
  auto res = http.Get("/web_content/profile.htm", headers);
  if (!res || res->status != 200) return Json::Value();
  return ParseJson(res->body);
}

// The path part of an address on this server ("http://host:port/x" -> "/x").
std::string PathOf(const std::string& url, const std::string& base) {
  return url.compare(0, base.size(), base) == 0 ? url.substr(base.size()) : std::string();
}

}  // namespace

TEST(WebSide, BannerDocumentNamesPicturesAndPagesItServes) {
  WebKit kit;
  LiveServer live(WebConfig("web_doc", kit));
  const int port = live.server().http_port();
  ASSERT_GT(port, 0);
  httplib::Client http("127.0.0.1", port);
  Json::Value doc = FetchDocument(http);
  ASSERT_TRUE(doc.isObject() && doc["content"].isArray()) << "no banner document";
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  std::set<std::string> names;
  int announcements = 0;
  for (const Json::Value& e : doc["content"]) {
    for (const char* member : {"name", "type", "show_type", "value_int", "value_string", "image", "link_int",
                               "link_web", "pos_x", "pos_y", "active", "ver", "link_web_type", "btn_pos_x",
                               "btn_pos_y"})
      EXPECT_TRUE(e.isMember(member)) << e["name"].asString() << " lacks " << member;
    const std::string name = e["name"].asString();
    EXPECT_TRUE(names.insert(name).second) << "two entries named " << name;
    EXPECT_EQ(e["active"].asInt(), 1) << name;
    const int type = e["type"].asInt(), show = e["show_type"].asInt();
    EXPECT_TRUE(type >= 0 && type <= 2) << name;
    EXPECT_TRUE(show >= 1 && show <= 11) << name;
    // The picture is served, byte for byte the kit's file.
    const std::string image = PathOf(e["image"].asString(), base);
    ASSERT_EQ(image, "/web_content/banner/" + name + ".png");
    auto pic = http.Get(image);
    ASSERT_TRUE(pic && pic->status == 200) << image;
    EXPECT_EQ(pic->body, ReadFile(kit.root() / ("web_content/banner/" + name + ".png")));
    // What a click does: a page of this server, "close", or the shop for a scene banner.
    const std::string link = e["link_web"].asString();
    if (type == 1) {
      EXPECT_EQ(e["link_int"].asInt(), 14) << name;
    }
    if (type == 0 && show != 11 && link != "close") {
      ASSERT_GT(link.size(), 10u) << name;
      auto page = http.Get(PathOf(link, base));
      EXPECT_TRUE(page && page->status == 200) << link;
    }
    if (show == 11) {
      ++announcements;
      EXPECT_GE(e["btn_pos_x"].asInt(), 0);
      EXPECT_GE(e["btn_pos_y"].asInt(), 0);
    } else {
      EXPECT_EQ(e["btn_pos_x"].asInt(), -1) << name;
      EXPECT_EQ(e["btn_pos_y"].asInt(), -1) << name;
    }
  }
  EXPECT_EQ(names.size(), std::size(kBannerNames));
  EXPECT_EQ(announcements, 1);
  std::set<int> types;
  for (const Json::Value& e : doc["content"]) types.insert(e["type"].asInt());
  EXPECT_EQ(types, (std::set<int>{0, 1, 2})) << "one banner of each drawn type";
}

// Addresses in the document use the host the client asked for, so a client that reached
// the server by another name or port loads the pictures from there; a Host header that is
// not a plain host and port is not copied into the document.
TEST(WebSide, DocumentAddressesFollowAPlainHostHeaderOnly) {
  WebKit kit;
  LiveServer live(WebConfig("web_host", kit));
  const int port = live.server().http_port();
  httplib::Client http("127.0.0.1", port);
  const std::string own = "http://127.0.0.1:" + std::to_string(port) + "/";
  struct Case {
    std::string host;
    std::string expect_prefix;
  } cases[] = {
      {"localhost:" + std::to_string(port), "http://localhost:" + std::to_string(port) + "/"},
      {"[::1]:8080", "http://[::1]:8080/"},
      {"evil.example/x?", own},
      {"a\"b", own},
      {"x@y", own},
      {std::string(300, 'a'), own},
  };
  for (const Case& c : cases) {
    Json::Value doc = FetchDocument(http, {{"Host", c.host}});
    ASSERT_TRUE(doc["content"].isArray() && doc["content"].size() > 0) << c.host;
    for (const Json::Value& e : doc["content"])
      EXPECT_EQ(e["image"].asString().rfind(c.expect_prefix, 0), 0u) << c.host << ": " << e["image"].asString();
  }
}

TEST(WebSide, ServesPagesAndPlayerPicturesAndNothingOutsideTheFolder) {
  WebKit kit;
  LiveServer live(WebConfig("web_files", kit));
  httplib::Client http("127.0.0.1", live.server().http_port());
  const fs::path pages = kit.root() / "web_content";
  struct Case {
    const char* path;
    int status;
    fs::path body;  // the file whose bytes come back (when 200)
  } cases[] = {
      {"/web_content/help.htm", 200, pages / "help.htm"},
      {"/web_content/style.css", 200, pages / "style.css"},
      {"/web_content/AG/0000000001.jpg", 200, pages / "AG/0000000001.jpg"},
      // An account without its own picture gets a sample, chosen by its number.
      {"/web_content/AG/0000000123.jpg", 200, pages / "AG/0000000004.jpg"},
      {"/web_content/AG/0000000005.jpg", 200, pages / "AG/0000000002.jpg"},
      {"/web_content/faq.htm", 404, {}},
      {"/web_content/AG/12a.jpg", 404, {}},
      {"/web_content/../secret.txt", 404, {}},
      {"/web_content/AG/../../secret.txt", 404, {}},
      {"/web_content/%2e%2e/secret.txt", 404, {}},
      {"/secret.txt", 404, {}},
  };
  for (const Case& c : cases) {
    auto res = http.Get(c.path);
    ASSERT_TRUE(res) << c.path;
    if (c.status == 200) {
      EXPECT_EQ(res->status, 200) << c.path;
      EXPECT_EQ(res->body, ReadFile(c.body)) << c.path;
    } else {
      EXPECT_NE(res->status, 200) << c.path;
      EXPECT_EQ(res->body.find("not for the web"), std::string::npos) << c.path;
    }
  }
  auto page = http.Get("/web_content/help.htm");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->get_header_value("Content-Type").rfind("text/html", 0), 0u);
  auto post = http.Post("/web_content/profile.htm", "x", "text/plain");
  ASSERT_TRUE(post);
  EXPECT_NE(post->status, 200) << "the web side answers GET and HEAD only";
}

// The banners of the real kit (not built by the sanitizer pass) fit the 1280 x 720 surface where the document places them,
// and the announcement's close button lies on its picture.
TEST(WebSide, KitBannersFitTheSurfaceWhereTheDocumentPutsThem) {
  // The kit is generated beside the program.
  const char* bin = std::getenv("TOLVAN_SERVER_BIN");
  const fs::path kit = bin ? fs::path(bin).parent_path() : fs::path();
  if (!bin || !fs::is_directory(kit / "web_content/banner")) GTEST_SKIP() << "the art kit is not built here";
  auto cfg = QuickConfig("web_kit");
  cfg.http_port = 0;
  cfg.kit_dir = kit.string();
  LiveServer live(cfg);
  httplib::Client http("127.0.0.1", live.server().http_port());
  Json::Value doc = FetchDocument(http);
  ASSERT_TRUE(doc["content"].isArray());
  for (const Json::Value& e : doc["content"]) {
    const std::string name = e["name"].asString();
    const std::string png = ReadFile(kit / "web_content/banner" / (name + ".png"));
    ASSERT_GE(png.size(), 24u) << name;
    ASSERT_EQ(png.compare(1, 3, "PNG"), 0) << name;
    auto be32 = [&](size_t at) {
      return (static_cast<uint8_t>(png[at]) << 24) | (static_cast<uint8_t>(png[at + 1]) << 16) |
             (static_cast<uint8_t>(png[at + 2]) << 8) | static_cast<uint8_t>(png[at + 3]);
    };
    const int w = be32(16), h = be32(20);
    const int x = e["pos_x"].asInt(), top = 720 - e["pos_y"].asInt();
    EXPECT_TRUE(x >= 0 && top >= 0 && x + w <= 1280 && top + h <= 720)
        << name << " (" << w << " x " << h << " at " << x << ", " << top << ") leaves the surface";
    if (e["show_type"].asInt() == 3) {
      // The lobby's game-type buttons: 252 x 199 from (157, 338), (412, 338), (667, 338), (922, 338).
      for (int bx : {157, 412, 667, 922})
        EXPECT_TRUE(x + w <= bx || x >= bx + 252 || top + h <= 338 || top >= 338 + 199)
            << name << " covers the game-type button at x " << bx;
    }
    if (e["show_type"].asInt() == 11) {
      const int bx = e["btn_pos_x"].asInt(), btop = 720 - e["btn_pos_y"].asInt();
      EXPECT_TRUE(bx >= x && bx < x + w && btop >= top && btop < top + h) << "close button off the announcement";
    }
  }
  for (const char* page : {"help.htm", "faq.htm", "maintance.htm", "AG/0000000001.jpg"}) {
    auto res = http.Get(std::string("/web_content/") + page);
    EXPECT_TRUE(res && res->status == 200) << page;
  }
}

// The program prints the web port it took (port 0: any free one) and serves there; with
// --no-http nothing is served and the line says so.
TEST(WebSide, ProgramPrintsItsWebPortOrRunsWithoutIt) {
  WebKit kit;
  const std::string db = (kit.root() / "server.db").string();
  {
    ServerProcess srv;
    ASSERT_TRUE(srv.Start({"--master-port", "0", "--game-port", "0", "--http-port", "0", "--kit-dir",
                           kit.root().string(), "--db", db}));
    const std::string line = srv.WaitLine("tolvan-server: master", 10000);
    const size_t at = line.find(", web 127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << srv.output();
    const int port = std::atoi(line.c_str() + at + std::strlen(", web 127.0.0.1:"));
    ASSERT_GT(port, 0);
    httplib::Client http("127.0.0.1", port);
    EXPECT_TRUE(FetchDocument(http)["content"].isArray());
    EXPECT_EQ(srv.Stop(), 0);
  }
  {
    ServerProcess srv;
    ASSERT_TRUE(srv.Start({"--master-port", "0", "--game-port", "0", "--no-http", "--db", db}));
    const std::string line = srv.WaitLine("tolvan-server: master", 10000);
    EXPECT_NE(line.find(", web off"), std::string::npos) << srv.output();
    EXPECT_EQ(srv.Stop(), 0);
  }
}

// With the trace on, each request of the web side is one line: method, path and status,
// never the query (a token travels there), and nothing unprintable from the path.
TEST(WebSide, TraceLinesNameThePathButNeverTheQuery) {
  WebKit kit;
  ServerProcess srv;
  ASSERT_TRUE(srv.Start({"--master-port", "0", "--game-port", "0", "--http-port", "0", "--kit-dir",
                         kit.root().string(), "--db", (kit.root() / "server.db").string(), "--log-level", "3"}));
  const std::string line = srv.WaitLine("tolvan-server: master", 10000);
  const size_t at = line.find(", web 127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << srv.output();
  httplib::Client http("127.0.0.1", std::atoi(line.c_str() + at + std::strlen(", web 127.0.0.1:")));
  auto me = http.Get("/graph/me?access_token=0123456789abcdef0123456789abcdef01234567");
  ASSERT_TRUE(me);
  EXPECT_EQ(me->status, 400);
  http.Get("/web_content/x%0Aforged%20line");
  EXPECT_FALSE(srv.WaitLineWith("web GET /graph/me 400", 10000).empty()) << srv.output();
  EXPECT_FALSE(srv.WaitLineWith("web GET /web_content/x?forged?line 404", 10000).empty()) << srv.output();
  EXPECT_EQ(srv.output().find("0123456789abcdef"), std::string::npos) << srv.output();
  EXPECT_EQ(srv.output().find("\nforged"), std::string::npos) << srv.output();
  EXPECT_EQ(srv.Stop(), 0);
}
