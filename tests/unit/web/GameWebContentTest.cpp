#include <gtest/gtest.h>
#include <json/json.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/Paths.h"
#include "gfx/GLTexture.h"
#include "unit/app/TempFolders.h"
#include "web/GameWebContent.h"

using testing_support::TempFolders;

namespace {

constexpr int kImageW = 200, kImageH = 100;

// Records what the banners ask of the program; textures are plain objects without GL.
class FakeHost : public WebContentHost {
 public:
  struct Download {
    std::string url;
    WebDownloadCallback callback;
    void* user;
    void* context;
  };
  struct Drawn {
    GLTexture* texture;
    float x, y, alpha;
  };
  FakeHost() {
    close_image.m_frame_width = 40;
    close_image.m_frame_height = 40;
  }
  bool QueueDownload(const char* url, WebDownloadCallback cb, void* user, void* ctx) override {
    downloads.push_back({url, cb, user, ctx});
    return true;
  }
  GLTexture* LoadTexture(const std::string& path) override {
    loads.push_back(path);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return nullptr;
    auto* t = new GLTexture();
    t->m_frame_width = kImageW;
    t->m_frame_height = kImageH;
    return t;
  }
  GLTexture* CloseButtonImage() override { return close_available ? &close_image : nullptr; }
  void PlayButtonSound() override { ++sounds; }
  void OpenPage(const char* url) override { opened.push_back(url); }
  void ShowShop() override { ++shops; }
  void DrawImage(GLTexture* t, float x, float y, float alpha) override { drawn.push_back({t, x, y, alpha}); }
  void DrawDim(float) override { ++dims; }
  void SetMasterAddress(const char* host, int32_t port) override {
    master_host = host;
    master_port = port;
  }

  GLTexture close_image;
  bool close_available = true;
  std::vector<Download> downloads;
  std::vector<std::string> loads, opened;
  std::vector<Drawn> drawn;
  int sounds = 0, shops = 0, dims = 0;
  std::string master_host;
  int master_port = -1;
};

std::string Doc(const std::string& items) { return "{\"content\":[" + items + "]}"; }

std::string Item(const std::string& name, const std::string& extra = "") {
  std::string s = "{\"name\":\"" + name + "\",\"active\":1,\"type\":0,\"show_type\":1,\"ver\":1,"
                  "\"image\":\"http://127.0.0.1:1/" + name + ".png\",\"pos_x\":10,\"pos_y\":700";
  if (!extra.empty()) s += "," + extra;
  return s + "}";
}

class WebContentTest : public ::testing::Test {
 public:
  WebContentTest() {
    content.SetHost(&host);
    content.SetDataDir(folders.data);
  }
  bool Merge(const std::string& doc) { return content.Merge(doc.data(), doc.size()); }
  void WriteImageFile(const std::string& name) {
    ASSERT_TRUE(EnsureDir(folders.data));
    ASSERT_TRUE(WriteFileAtomic(content.ImagePath(name), "png"));
  }
  // Makes an entry's image ready as a finished download would.
  void MakeReady(const std::string& name, uint32_t age_ms = 1000) {
    content.OnImageData(name, "png", 3);
    WebContentEntry* e = content.Find(name);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->image_state, WebContentEntry::kImageReady);
    e->ready_time = GetTickMs() - age_ms;
  }
  std::vector<std::string> DrawnNames() {
    std::vector<std::string> names;
    for (const auto& d : host.drawn)
      for (const WebContentEntry* e : content.Entries())
        if (e->texture == d.texture) names.push_back(e->name);
    host.drawn.clear();
    return names;
  }

  TempFolders folders;
  FakeHost host;
  GameWebContent content;
};

TEST_F(WebContentTest, MergeRulesOnATableOfDocuments) {
  // A first document: a banner, a type-3 record, an inactive and a nameless element.
  ASSERT_TRUE(Merge(Doc(Item("keep") + "," + Item("bump") + "," + Item("nofile") + "," +
                        Item("rec", "\"type\":3") + ",{\"name\":\"off\",\"active\":0},{\"active\":1,\"type\":0}")));
  ASSERT_EQ(content.Entries().size(), 4u);
  EXPECT_EQ(content.Find("off"), nullptr);
  WriteImageFile("keep");
  WriteImageFile("bump");
  WebContentEntry* keep = content.Find("keep");
  WebContentEntry* bump = content.Find("bump");
  WebContentEntry* nofile = content.Find("nofile");
  ASSERT_TRUE(keep && bump && nofile);

  // The next document: same version (file present), changed version, same version
  // without a file, and the type-3 record again.
  ASSERT_TRUE(Merge(Doc(Item("keep", "\"pos_x\":55,\"pos_y\":66,\"link_web_type\":4") + "," +
                        Item("bump", "\"ver\":2") + "," + Item("nofile") + "," + Item("rec", "\"type\":3"))));
  struct Case {
    const char* name;
    bool same_object;
    int state;
  } cases[] = {{"keep", true, WebContentEntry::kImageReady},
               {"bump", false, WebContentEntry::kImageNone},
               {"nofile", false, WebContentEntry::kImageNone}};
  const WebContentEntry* before[] = {keep, bump, nofile};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(cases[i].name);
    WebContentEntry* e = content.Find(cases[i].name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e == before[i], cases[i].same_object);
    EXPECT_EQ(e->image_state, cases[i].state);
  }
  // The kept banner takes the new position and link kind, its picture comes from the file.
  EXPECT_EQ(keep->pos_x, 55);
  EXPECT_EQ(keep->pos_y, 66);
  EXPECT_EQ(keep->link_web_type, 4);
  EXPECT_EQ(host.loads.back(), content.ImagePath("keep"));
  // Type 3 and above are appended, never replaced.
  int records = 0;
  for (const WebContentEntry* e : content.Entries()) records += e->name == "rec";
  EXPECT_EQ(records, 2);

  // Only the replaced ones are fetched; type 3 never is.
  content.Update();
  std::vector<std::string> urls;
  for (const auto& d : host.downloads) urls.push_back(d.url);
  EXPECT_EQ(urls, (std::vector<std::string>{"http://127.0.0.1:1/bump.png", "http://127.0.0.1:1/nofile.png"}));
}

TEST_F(WebContentTest, MissingMembersTakeTheirDefaults) {
  ASSERT_TRUE(Merge(Doc("{\"name\":\"bare\",\"active\":1,\"pos_x\":\"12\",\"ver\":1.5}")));
  const WebContentEntry* e = content.Find("bare");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->type, 0);
  EXPECT_EQ(e->show_type, 0);
  EXPECT_EQ(e->pos_x, 0);  // not a number
  EXPECT_EQ(e->ver, 0);    // not an integer
  EXPECT_EQ(e->btn_pos_x, -1);
  EXPECT_EQ(e->btn_pos_y, -1);
  EXPECT_EQ(e->link_web, "");
  EXPECT_EQ(e->image, "");
  EXPECT_EQ(e->active, 1);
}

TEST_F(WebContentTest, MasterInfoMovesTheGameServerOnlyWithAnAddressOfSevenCharacters) {
  struct Case {
    const char* address;
    bool stored;
  } cases[] = {{"1.2.3.4", true}, {"1.2.34", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    host.master_host.clear();
    host.master_port = -1;
    GameWebContent fresh;
    fresh.SetHost(&host);
    fresh.SetDataDir(folders.data);
    const std::string doc = Doc("{\"name\":\"master_info\",\"active\":1,\"type\":3,\"value_string\":\"" +
                                std::string(c.address) + "\",\"value_int\":10123}");
    ASSERT_TRUE(fresh.Merge(doc.data(), doc.size()));
    EXPECT_EQ(host.master_host, c.stored ? c.address : "");
    EXPECT_EQ(host.master_port, c.stored ? 10123 : -1);
  }
}

TEST_F(WebContentTest, RefusedDocuments) {
  const std::string big = Doc(Item("x", "\"value_string\":\"" + std::string(GameWebContent::kMaxDocumentBytes, 'a') + "\""));
  const std::string deep = std::string(5000, '[') + std::string(5000, ']');
  for (const std::string& doc : {big, deep, std::string("not json"), std::string("{\"content\":5}"), std::string("[]")}) {
    EXPECT_FALSE(Merge(doc)) << doc.substr(0, 40);
  }
  EXPECT_TRUE(content.Entries().empty());
  EXPECT_FALSE(content.Merge(nullptr, 0));
}

TEST_F(WebContentTest, HostileNamesStayInsideTheDataFolder) {
  const std::string names[] = {"../../outside", "/etc/passwd", "..", ".hidden", "a/../../b", "sub\\..\\x", "ok\x01"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string path = content.ImagePath(name);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(path.rfind(folders.data + "/", 0), 0u);
    const std::string file = path.substr(folders.data.size() + 1);
    EXPECT_EQ(file.find('/'), std::string::npos);
    EXPECT_EQ(file.find(".."), std::string::npos);
    EXPECT_NE(file[0], '.');
  }
  // A merged entry with such a name stores its picture in the folder itself.
  Json::Value doc;
  Json::Value item;
  item["name"] = "../../escape";
  item["active"] = 1;
  item["type"] = 0;
  item["show_type"] = 1;
  doc["content"].append(item);
  const std::string text = Json::writeString(Json::StreamWriterBuilder(), doc);
  ASSERT_TRUE(Merge(text));
  content.OnImageData("../../escape", "png", 3);
  struct stat st {};
  EXPECT_NE(stat((folders.root + "/escape.png").c_str(), &st), 0);
  EXPECT_EQ(stat(content.ImagePath("../../escape").c_str(), &st), 0);
  // Names too long for a file, and empty ones, are refused.
  EXPECT_TRUE(content.ImagePath(std::string(251, 'n')).empty());
  EXPECT_FALSE(Merge(Doc(Item(std::string(300, 'n')))) && content.Find(std::string(300, 'n')));
}

TEST_F(WebContentTest, ImagesAreFetchedOnceStoredAndRefusedWhenOversized) {
  ASSERT_TRUE(Merge(Doc(Item("a") + "," + Item("local", "\"image\":\"file:///etc/passwd\""))));
  content.Update();
  content.Update();
  ASSERT_EQ(host.downloads.size(), 1u);  // once; the file address is never fetched
  EXPECT_EQ(host.downloads[0].url, "http://127.0.0.1:1/a.png");

  // An oversized picture is refused and nothing is stored.
  content.OnImageData("a", std::string(GameWebContent::kMaxImageBytes + 1, 'x').data(), GameWebContent::kMaxImageBytes + 1);
  struct stat st {};
  EXPECT_NE(stat(content.ImagePath("a").c_str(), &st), 0);
  EXPECT_EQ(content.Find("a")->image_state, WebContentEntry::kImageLoading);

  // The completion as the download queue delivers it.
  auto* request = new WebDownloadRequest;
  request->context = host.downloads[0].context;
  request->state = 2;
  request->http_status = 200;
  request->data = static_cast<char*>(std::malloc(4));
  std::memcpy(request->data, "png", 4);
  request->size = 3;
  host.downloads[0].callback(host.downloads[0].user, request);
  delete request;
  EXPECT_EQ(stat(content.ImagePath("a").c_str(), &st), 0);
  EXPECT_EQ(content.Find("a")->image_state, WebContentEntry::kImageReady);
}

TEST_F(WebContentTest, PlacesAndShowTypeTen) {
  ASSERT_TRUE(Merge(Doc(Item("all", "\"show_type\":1") + "," + Item("lobby", "\"show_type\":3") + "," +
                        Item("rooms", "\"show_type\":4") + "," + Item("lists", "\"show_type\":10") + "," +
                        Item("shop", "\"show_type\":7") + "," + Item("deco", "\"show_type\":3,\"type\":2") + "," +
                        Item("rec", "\"show_type\":1,\"type\":3"))));
  for (const char* n : {"all", "lobby", "rooms", "lists", "shop", "deco"}) MakeReady(n);
  struct Case {
    int place;
    std::vector<std::string> names;
  } cases[] = {{3, {"all", "lobby", "deco"}}, {4, {"all", "rooms", "lists"}}, {6, {"all", "lists"}},
               {7, {"all", "shop"}},          {9, {"all"}},                   {42, {"all"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.place);
    content.Draw(c.place);
    EXPECT_EQ(DrawnNames(), c.names);
    EXPECT_EQ(content.CurrentPlace(), c.place);
  }
  // Drawn with the top at 720 - pos_y; the opacity fades in over 500 ms.
  content.Find("all")->ready_time = GetTickMs() - 250;
  content.Draw(9);
  ASSERT_EQ(host.drawn.size(), 1u);
  EXPECT_FLOAT_EQ(host.drawn[0].x, 10.0f);
  EXPECT_FLOAT_EQ(host.drawn[0].y, 20.0f);
  EXPECT_NEAR(host.drawn[0].alpha, 0.5f, 0.1f);
}

TEST_F(WebContentTest, ClickRules) {
  // Each banner sits alone at the same place; pos (10, 700) -> rectangle x 10..210, y 20..120.
  struct Case {
    const char* extra;
    bool consumed;
    int sounds;
    const char* opened;
    int shops;
    bool closed;
  } cases[] = {
      {"\"link_web\":\"close\"", true, 1, nullptr, 0, true},
      {"\"link_web\":\"http://a/\"", true, 0, nullptr, 0, false},  // 9 characters: nothing
      {"\"link_web\":\"https://example.com/page\"", true, 1, "https://example.com/page", 0, false},
      {"\"link_web\":\"file:///etc/passwd\"", true, 1, nullptr, 0, false},
      {"\"link_web\":\"-http://example.com/\"", true, 1, nullptr, 0, false},
      {"\"link_web\":\"javascript:alert(1)\"", true, 1, nullptr, 0, false},
      {"\"type\":1,\"link_int\":14", true, 0, nullptr, 1, false},
      {"\"type\":1,\"link_int\":5", true, 0, nullptr, 0, false},
      {"\"type\":2,\"link_web\":\"close\"", false, 0, nullptr, 0, false},  // decoration
      {"\"show_type\":7,\"link_web\":\"close\"", false, 0, nullptr, 0, false},  // not at this place
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extra);
    FakeHost h;
    GameWebContent w;
    w.SetHost(&h);
    w.SetDataDir(folders.data);
    const std::string doc = Doc(Item("b", c.extra));
    ASSERT_TRUE(w.Merge(doc.data(), doc.size()));
    w.OnImageData("b", "png", 3);
    w.Draw(kPlaceLobby);
    EXPECT_EQ(w.OnTouchUp(0, 500, 500), 0);  // a miss is never consumed
    // Under a scene the banner leaves the release to the scene.
    EXPECT_EQ(w.OnTouchUp(0, 100, 60, false), 0);
    EXPECT_EQ(h.sounds + h.shops + h.opened.size(), 0u);
    EXPECT_EQ(w.Find("b")->active, 1);
    EXPECT_EQ(w.OnTouchUp(0, 100, 60), c.consumed ? 1 : 0);
    EXPECT_EQ(h.sounds, c.sounds);
    EXPECT_EQ(h.opened.size(), c.opened ? 1u : 0u);
    if (c.opened && !h.opened.empty()) {
      EXPECT_EQ(h.opened[0], c.opened);
    }
    EXPECT_EQ(h.shops, c.shops);
    EXPECT_EQ(w.Find("b")->active == 0, c.closed);
  }
}

TEST_F(WebContentTest, AnAnnouncementTakesThePointerUntilItIsClosed) {
  const std::string ann = Item("ann", "\"show_type\":11,\"btn_pos_x\":300,\"btn_pos_y\":600");
  // A banner of this place under the announcement, listed before it.
  ASSERT_TRUE(Merge(Doc(Item("banner", "\"link_web\":\"close\"") + "," + ann)));
  MakeReady("ann");
  MakeReady("banner");
  ASSERT_TRUE(content.AnnouncementOpen());
  content.Draw(kPlaceLobby);
  content.Draw_Announcements();
  EXPECT_EQ(host.dims, 1);
  // While it is open every press and move is taken, and a release inside the picture
  // but off its button closes nothing.
  EXPECT_EQ(content.OnTouchDown(0, 1000, 600), 1);
  EXPECT_EQ(content.OnTouchMove(0, 1000, 600), 1);
  EXPECT_EQ(content.OnTouchUp(0, 20, 110), 1);
  EXPECT_EQ(content.OnTouchUp(0, 20, 110, false), 1) << "over a scene too";
  EXPECT_TRUE(content.AnnouncementOpen());
  // The close button at (300, 120) closes it.
  EXPECT_EQ(content.OnTouchDown(0, 310, 130), 1);
  EXPECT_EQ(content.OnTouchUp(0, 310, 130), 1);
  EXPECT_FALSE(content.AnnouncementOpen());
  EXPECT_EQ(content.Find("banner")->active, 1);  // the banner underneath saw nothing
  EXPECT_EQ(content.OnTouchDown(0, 1000, 600), 0);

  // A second one: a release outside the picture closes it with the click sound.
  GameWebContent other;
  other.SetHost(&host);
  other.SetDataDir(folders.data);
  const std::string doc = Doc(ann);
  ASSERT_TRUE(other.Merge(doc.data(), doc.size()));
  other.OnImageData("ann", "png", 3);
  const int sounds = host.sounds;
  EXPECT_EQ(other.OnTouchUp(0, 1000, 600), 1);
  EXPECT_EQ(host.sounds, sounds + 1);
  EXPECT_FALSE(other.AnnouncementOpen());
}

TEST_F(WebContentTest, AnAnnouncementWithoutItsCloseButtonImageIsDropped) {
  host.close_available = false;
  ASSERT_TRUE(Merge(Doc(Item("ann", "\"show_type\":11,\"btn_pos_x\":300,\"btn_pos_y\":600"))));
  EXPECT_EQ(content.Find("ann"), nullptr);
}

TEST_F(WebContentTest, TheCacheIsWrittenAndReadBack) {
  ASSERT_TRUE(Merge(Doc(Item("a", "\"link_web\":\"https://example.com/a\",\"link_int\":3,\"value_int\":9,"
                                  "\"value_string\":\"vs\",\"link_web_type\":2,\"ver\":7") +
                        "," + Item("rec", "\"type\":3"))));
  Json::Value cached;
  std::string text;
  ASSERT_TRUE(ReadWholeFile(content.CachePath(), &text));
  ASSERT_TRUE(Json::Reader().parse(text, cached));
  ASSERT_EQ(cached["content"].size(), 1u);  // active entries of types 0 to 2 only
  const Json::Value& item = cached["content"][0];
  EXPECT_FALSE(item.isMember("link_web_type"));
  EXPECT_FALSE(item.isMember("btn_pos_x"));

  GameWebContent again;
  again.SetHost(&host);
  again.SetDataDir(folders.data);
  ASSERT_TRUE(again.LoadCache());
  ASSERT_EQ(again.Entries().size(), 1u);
  const WebContentEntry* e = again.Entries()[0];
  EXPECT_EQ(e->name, "a");
  EXPECT_EQ(e->active, 0);  // cached entries start inactive
  EXPECT_EQ(e->ver, 7);
  EXPECT_EQ(e->link_web, "https://example.com/a");
  EXPECT_EQ(e->link_int, 3);
  EXPECT_EQ(e->value_int, 9);
  EXPECT_EQ(e->value_string, "vs");
  EXPECT_EQ(e->pos_x, 10);
  EXPECT_EQ(e->pos_y, 700);
  EXPECT_EQ(e->link_web_type, 0);
  // Inactive entries are neither drawn nor fetched.
  again.Update();
  EXPECT_TRUE(host.downloads.empty());
}

TEST_F(WebContentTest, InitializeAsksForTheDocumentUnderTheWebBase) {
  content.Initialize("http://127.0.0.1:4321");
  ASSERT_EQ(host.downloads.size(), 1u);
  EXPECT_EQ(host.downloads[0].url, "http://127.0.0.1:4321/web_content/profile.htm");
  GameWebContent other;
  other.SetHost(&host);
  other.Initialize("file:///tmp");
  EXPECT_EQ(host.downloads.size(), 1u);
}

}  // namespace
