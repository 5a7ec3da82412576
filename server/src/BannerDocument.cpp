#include "BannerDocument.h"

#include <json/json.h>


namespace tsrv {

namespace {

// Entry types and places as the game reads them.
enum BannerType { kLinkBanner = 0, kSceneBanner = 1, kDecoration = 2 };
enum ShowType { kShowLobby = 3, kShowRoomAndTournamentLists = 10, kShowAnnouncement = 11 };
constexpr int kShopScene = 14;
constexpr int kSurfaceHeight = 720;

struct Banner {
  const char* name;      // also the picture's file name under web_content/banner/
  int type;
  int show_type;
  int x, top;            // the picture's top-left corner on the 1280 x 720 surface
  int link_int;
  const char* link_web;  // a page under web_content/, "close", or empty
  int btn_x, btn_top;    // the announcement's close button; -1 for the others
};

// The pictures' sizes are in the kit's manifest; every banner fits the surface. The
// lobby's banners stand over the game-type art, above the four game-type buttons (which
// start at y 338), so that they never hide a button; the lists' decoration sits in the
// free corner right of their bottom buttons.
const Banner kBanners[] = {
    {"event_lobby", kLinkBanner, kShowLobby, 905, 80, 0, "help.htm", -1, -1},
    {"shop_lobby", kSceneBanner, kShowLobby, 560, 90, kShopScene, "", -1, -1},
    {"tip_lobby", kLinkBanner, kShowLobby, 940, 215, 0, "close", -1, -1},
    {"rooms_deco", kDecoration, kShowRoomAndTournamentLists, 900, 625, 0, "", -1, -1},
    // 640 x 400 in the middle, its close button (99 x 70) inside the top-right corner.
    {"announce_welcome", kLinkBanner, kShowAnnouncement, 320, 160, 0, "", 851, 170},
};

bool HostChar(char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
         ch == '.' || ch == '-' || ch == ':' || ch == '[' || ch == ']';
}

}  // namespace

std::string BaseUrlFromHost(const std::string& host_header, const std::string& fallback) {
  if (host_header.empty() || host_header.size() > 255) return fallback;
  for (char ch : host_header)
    if (!HostChar(ch)) return fallback;
  return "http://" + host_header;
}

std::string BannerDocument(const std::string& base_url) {
  Json::Value content(Json::arrayValue);
  for (const Banner& b : kBanners) {
    Json::Value e(Json::objectValue);
    e["name"] = b.name;
    e["type"] = b.type;
    e["show_type"] = b.show_type;
    e["value_int"] = 0;
    e["value_string"] = "";
    e["image"] = base_url + "/web_content/banner/" + b.name + ".png";
    e["link_int"] = b.link_int;
    const std::string link = b.link_web;
    e["link_web"] = link.empty() || link == "close" ? link : base_url + "/web_content/" + link;
    e["link_web_type"] = 0;
    // Positions count upwards from the bottom of the surface: the top is at 720 - pos_y.
    e["pos_x"] = b.x;
    e["pos_y"] = kSurfaceHeight - b.top;
    e["btn_pos_x"] = b.btn_x;
    e["btn_pos_y"] = b.btn_top < 0 ? -1 : kSurfaceHeight - b.btn_top;
    e["active"] = 1;
    e["ver"] = 1;
    content.append(e);
  }
  Json::Value doc(Json::objectValue);
  doc["content"] = content;
  Json::StreamWriterBuilder w;
  w["indentation"] = " ";
  return Json::writeString(w, doc);
}

}  // namespace tsrv
