#include "web/GameWebContent.h"

#include <GL/gl.h>
#include <json/json.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/CRegistry.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/VXSceneIds.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/Paths.h"
#include "framework/StringUtil.h"
#include "gfx/GLImageDecoder.h"
#include "gfx/GLTexture.h"
#include "media/GameSharedImage.h"
#include "web/WebAddress.h"

namespace {

constexpr float kDesignHeight = 720.0f;
constexpr size_t kMaxNameBytes = 255;      // the name field holds 256 bytes
constexpr size_t kMaxFileNameBytes = 250;  // room for ".png" in a file name
constexpr size_t kMinLinkLength = 11;      // shorter links open nothing
constexpr int kPlatformOpenPage = 1;
constexpr int kShopScene = kSceneShop;
constexpr char kMasterInfo[] = "master_info";

int32_t IntOf(const Json::Value& item, const char* key, int32_t fallback) {
  if (!item.isMember(key)) return fallback;
  const Json::Value& v = item[key];
  if (v.isInt()) return v.asInt();
  // Out-of-range or non-integral numbers, and other kinds, read as the default.
  return fallback;
}

std::string TextOf(const Json::Value& item, const char* key, size_t max_bytes) {
  if (!item.isMember(key) || !item[key].isString()) return std::string();
  std::string s = item[key].asString();
  if (s.size() > max_bytes) s.resize(max_bytes);
  return s;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ParseJson(const char* data, size_t size, Json::Value* out) {
  Json::CharReaderBuilder builder;
  builder["stackLimit"] = 64;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  try {
    return reader->parse(data, data + size, out, &errors);
  } catch (const std::exception&) {
    return false;
  }
}

float Fade(uint32_t now, uint32_t since) {
  const float f = static_cast<float>(now - since) / static_cast<float>(GameWebContent::kFadeMs);
  return f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
}

float ImageWidth(const GLTexture* t) { return t->m_frame_width * t->m_scale_x; }
float ImageHeight(const GLTexture* t) { return t->m_frame_height * t->m_scale_y; }

bool InsideImage(const WebContentEntry* e, int x, int y) {
  const float left = static_cast<float>(e->pos_x);
  const float top = kDesignHeight - static_cast<float>(e->pos_y);
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  return fx >= left && fx <= left + ImageWidth(e->texture) && fy >= top && fy <= top + ImageHeight(e->texture);
}

// An announcement is open while it is active and drawn: image, texture and button.
bool AnnouncementShown(const WebContentEntry* e) {
  return e->active && e->show_type == WebContentEntry::kAnnouncement && e->image_state == WebContentEntry::kImageReady &&
         e->texture && e->close_button;
}

}  // namespace

bool WebContentEntry::ShownAt(int32_t place) const {
  if (show_type == kEverywhere) return true;
  if (show_type >= 2 && show_type <= 9) return show_type == place;
  if (show_type == kListPlaces) return place >= 4 && place <= 6;
  return false;
}

// ---------------------------------------------------------------- the real host

bool WebContentHost::QueueDownload(const char* url, WebDownloadCallback callback, void* user_data, void* context) {
  return ZBWebDownload::Instance()->Download(url, callback, user_data, context) != nullptr;
}

GLTexture* WebContentHost::LoadTexture(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes) || bytes.empty() || bytes.size() > GameWebContent::kMaxImageBytes) return nullptr;
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) return nullptr;
  int w = 0, h = 0;
  if (!LoadPngTexture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), name, &w, &h)) {
    glDeleteTextures(1, &name);
    return nullptr;
  }
  auto* t = new GLTexture();
  t->SetTexture(name, w, h, 1, 1);
  return t;
}

GLTexture* WebContentHost::CloseButtonImage() {
  GameSharedImage* images = GameSharedImage::InstanceIfAny();
  if (!images) return nullptr;
  for (int i = 0; i < GameSharedImage::kSlotCount; ++i) {
    const char* n = GameSharedImage::SlotName(i);
    if (n && std::strcmp(n, "btn_close_b.png") == 0) return images->Image(i);
  }
  return nullptr;
}

void WebContentHost::PlayButtonSound() {
  GameLogic* logic = GameLogic::InstanceIfAny();
  const GameSharedData* d = GameSharedData::InstanceIfAny();
  if (logic && d && d->m_sound_on) logic->Hooks().sound->PlayEffect(2);
}

void WebContentHost::OpenPage(const char* url) {
  if (GameLogic* logic = GameLogic::InstanceIfAny())
    logic->Hooks().platform->Execute(kPlatformOpenPage, 0, 0, url, "", 0);
}

void WebContentHost::ShowShop() {
  if (GameLogic* logic = GameLogic::InstanceIfAny()) logic->Hooks().scenes->ShowScene(kShopScene, 0);
}

void WebContentHost::DrawImage(GLTexture* texture, float x, float y, float alpha) {
  const float saved = texture->m_color[3];
  texture->m_color[3] = alpha;
  texture->Draw(0, x, y, 0);
  texture->m_color[3] = saved;
}

void WebContentHost::DrawDim(float progress) {
  if (GameSharedImage* images = GameSharedImage::InstanceIfAny()) images->DrawDim(progress, false);
}

void WebContentHost::SetMasterAddress(const char* host, int32_t port) {
  GameSharedData::Instance()->SetMasterAddress(host, port);
}

namespace {
WebContentHost g_default_host;
}

// ---------------------------------------------------------------- life cycle

GameWebContent::GameWebContent() : m_host(&g_default_host), m_data_dir(::DataDir()) {}

GameWebContent::~GameWebContent() {
  CSGuard g(&m_lock);
  for (WebContentEntry* e : m_entries) DestroyEntry(e);
  m_entries.clear();
}

void GameWebContent::SetHost(WebContentHost* host) { m_host = host ? host : &g_default_host; }

void GameWebContent::DestroyEntry(WebContentEntry* e) {
  ZBSafeRelease(e->texture);
  delete e->close_button;
  delete e;
}

void GameWebContent::RemoveEntry(WebContentEntry* e) {
  m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), e), m_entries.end());
  DestroyEntry(e);
}

WebContentEntry* GameWebContent::Find(const std::string& name) {
  for (WebContentEntry* e : m_entries)
    if (e->name == name) return e;
  return nullptr;
}

std::string GameWebContent::CachePath() const { return m_data_dir + "/web_content.json"; }

std::string GameWebContent::ImagePath(const std::string& name) const {
  const std::string safe = SanitizeFileName(name);
  if (safe.empty() || safe.size() > kMaxFileNameBytes) return std::string();
  return m_data_dir + "/" + safe + ".png";
}

int GameWebContent::Initialize(const char* web_base) {
  LoadCache();
  const std::string url = FormatString("%s/web_content/profile.htm", web_base ? web_base : "");
  if (!IsWebAddress(url) || url.size() >= WebDownloadRequest::kAddressSize) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Initialize| the web base is not an http address, no banners");
    return 1;
  }
  if (!m_host->QueueDownload(url.c_str(), &OnDocumentDownloaded, this, nullptr))
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Initialize| the banner document could not be requested");
  return 1;
}

void GameWebContent::OnDocumentDownloaded(void* user_data, WebDownloadRequest* request) {
  auto* self = static_cast<GameWebContent*>(user_data);
  if (request->state != 2 || request->size <= 0) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Merge| no banner document (%s)", request->address);
    return;
  }
  if (request->http_status >= 400) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Merge| the banner document answered %d", request->http_status);
    return;
  }
  self->Merge(request->data, static_cast<size_t>(request->size));
}

// ---------------------------------------------------------------- documents

WebContentEntry* GameWebContent::EntryFromJson(const Json::Value& item, bool from_cache) {
  if (!item.isObject() || !item.isMember("name") || !item["name"].isString()) return nullptr;
  const std::string name = item["name"].asString();
  if (name.empty() || name.size() > kMaxNameBytes || name.find('\0') != std::string::npos) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Merge| an entry name of %zu bytes is refused", name.size());
    return nullptr;
  }
  auto* e = new WebContentEntry;
  e->name = name;
  e->type = IntOf(item, "type", 0);
  e->show_type = IntOf(item, "show_type", 0);
  e->value_int = IntOf(item, "value_int", 0);
  e->value_string = TextOf(item, "value_string", 254);
  e->image = TextOf(item, "image", 256);
  e->link_int = IntOf(item, "link_int", 0);
  e->link_web = TextOf(item, "link_web", 255);
  e->pos_x = IntOf(item, "pos_x", 0);
  e->pos_y = IntOf(item, "pos_y", 0);
  e->ver = IntOf(item, "ver", 0);
  e->active = from_cache ? 0 : IntOf(item, "active", 0);
  if (!from_cache) {
    e->link_web_type = IntOf(item, "link_web_type", 0);
    e->btn_pos_x = IntOf(item, "btn_pos_x", -1);
    e->btn_pos_y = IntOf(item, "btn_pos_y", -1);
  }
  e->serial = m_next_serial++;
  return e;
}

bool GameWebContent::AttachCloseButton(WebContentEntry* e) {
  GLTexture* image = m_host->CloseButtonImage();
  if (!image) return false;
  auto* button = new GLButtonImage();
  if (!button->SetImage(image, e->btn_pos_x, static_cast<int>(kDesignHeight) - e->btn_pos_y)) {
    delete button;
    return false;
  }
  button->m_receiver = this;
  delete e->close_button;
  e->close_button = button;
  return true;
}

void GameWebContent::LoadImageFile(WebContentEntry* e) {
  ZBSafeRelease(e->texture);
  const std::string path = ImagePath(e->name);
  e->texture = path.empty() ? nullptr : m_host->LoadTexture(path);
  if (e->texture) {
    e->image_state = WebContentEntry::kImageReady;
    e->ready_time = GetTickMs();
  } else {
    e->image_state = WebContentEntry::kImageNone;  // fetched again
  }
}

bool GameWebContent::LoadCache() {
  Json::Value doc;
  if (!LoadJsonDocument(CachePath(), &doc)) return false;
  if (!doc.isMember("content") || !doc["content"].isArray()) return false;
  CSGuard g(&m_lock);
  for (const Json::Value& item : doc["content"]) {
    if (WebContentEntry* e = EntryFromJson(item, true)) m_entries.push_back(e);
  }
  return true;
}

bool GameWebContent::Merge(const char* data, size_t size) {
  if (!data || size == 0) return false;
  if (size > kMaxDocumentBytes) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Merge| a banner document of %zu bytes is refused", size);
    return false;
  }
  Json::Value doc;
  if (!ParseJson(data, size, &doc) || !doc.isObject() || !doc.isMember("content") || !doc["content"].isArray()) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Merge| the banner document has no content list");
    return false;
  }
  {
    CSGuard g(&m_lock);
    for (const Json::Value& item : doc["content"]) {
      if (!item.isObject() || IntOf(item, "active", 0) == 0) continue;
      WebContentEntry* e = EntryFromJson(item, false);
      if (!e) continue;
      if (e->show_type == WebContentEntry::kAnnouncement && e->btn_pos_x != -1 && e->btn_pos_y != -1 &&
          !AttachCloseButton(e)) {
        Log(LOG_WARNING, "[WARNING]: GameWebContent::Merge| no close button for %s, dropped", e->name.c_str());
        DestroyEntry(e);
        continue;
      }
      WebContentEntry* old = Find(e->name);
      if (old && e->Displayable()) {
        old->active = e->active;
        if (old->ver == e->ver && FileExists(ImagePath(old->name))) {
          old->pos_x = e->pos_x;
          old->pos_y = e->pos_y;
          old->link_web_type = e->link_web_type;
          if (e->show_type == WebContentEntry::kAnnouncement) {
            old->btn_pos_x = e->btn_pos_x;
            old->btn_pos_y = e->btn_pos_y;
            delete old->close_button;
            old->close_button = e->close_button;
            e->close_button = nullptr;
          }
          LoadImageFile(old);
          DestroyEntry(e);
          continue;
        }
        RemoveEntry(old);
      }
      m_entries.push_back(e);
    }
    for (const WebContentEntry* e : m_entries) {
      if (e->name != kMasterInfo || !e->active) continue;
      if (e->value_string.size() >= 7) m_host->SetMasterAddress(e->value_string.c_str(), e->value_int);
      break;
    }
  }
  Save();
  return true;
}

bool GameWebContent::Save() {
  Json::Value doc(Json::objectValue);
  Json::Value& list = doc["content"] = Json::Value(Json::arrayValue);
  {
    CSGuard g(&m_lock);
    for (const WebContentEntry* e : m_entries) {
      if (!e->active || !e->Displayable()) continue;
      Json::Value item(Json::objectValue);
      item["name"] = e->name;
      item["type"] = e->type;
      item["show_type"] = e->show_type;
      item["value_int"] = e->value_int;
      item["value_string"] = e->value_string;
      item["image"] = e->image;
      item["link_int"] = e->link_int;
      item["link_web"] = e->link_web;
      item["pos_x"] = e->pos_x;
      item["pos_y"] = e->pos_y;
      item["active"] = e->active;
      item["ver"] = e->ver;
      list.append(item);
    }
  }
  if (!EnsureDir(m_data_dir) || !SaveJsonDocument(CachePath(), doc)) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Save| %s could not be written", CachePath().c_str());
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- images

void GameWebContent::Update() {
  CSGuard g(&m_lock);
  for (WebContentEntry* e : m_entries) {
    if (!e->active || !e->Displayable() || e->image_state != WebContentEntry::kImageNone) continue;
    e->image_state = WebContentEntry::kImageLoading;
    // Only web addresses are fetched; an entry with any other image stays undrawn.
    if (!IsWebAddress(e->image) || e->image.size() >= WebDownloadRequest::kAddressSize ||
        ImagePath(e->name).empty()) {
      Log(LOG_WARNING, "[WARNING]: GameWebContent::Update| the image of %s is not fetched", e->name.c_str());
      continue;
    }
    m_host->QueueDownload(e->image.c_str(), &OnImageDownloaded, this,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(e->serial)));
  }
}

void GameWebContent::OnImageDownloaded(void* user_data, WebDownloadRequest* request) {
  auto* self = static_cast<GameWebContent*>(user_data);
  const auto serial = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(request->context));
  std::string name;
  {
    CSGuard g(&self->m_lock);
    for (const WebContentEntry* e : self->m_entries)
      if (e->serial == serial) name = e->name;
  }
  if (name.empty()) return;  // the entry was replaced meanwhile
  if (request->state != 2 || request->size <= 0 || request->http_status >= 400) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Update| the image of %s did not arrive", name.c_str());
    return;
  }
  self->OnImageData(name, request->data, static_cast<size_t>(request->size));
}

void GameWebContent::OnImageData(const std::string& name, const char* data, size_t size) {
  CSGuard g(&m_lock);
  WebContentEntry* e = Find(name);
  if (!e || !data || size == 0) return;
  if (size > kMaxImageBytes) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Update| an image of %zu bytes for %s is refused", size, name.c_str());
    return;
  }
  const std::string path = ImagePath(name);
  if (path.empty() || !EnsureDir(m_data_dir) || !WriteFileAtomic(path, std::string(data, size))) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Update| the image of %s could not be stored", name.c_str());
    return;
  }
  GLTexture* t = m_host->LoadTexture(path);
  if (!t) {
    Log(LOG_WARNING, "[WARNING]: GameWebContent::Update| the image of %s cannot be decoded", name.c_str());
    return;  // stays requested: never drawn nor fetched again in this run
  }
  ZBSafeRelease(e->texture);
  e->texture = t;
  e->image_state = WebContentEntry::kImageReady;
  e->ready_time = GetTickMs();
}

// ---------------------------------------------------------------- drawing

void GameWebContent::Draw(int32_t place) {
  m_place = place;
  const uint32_t now = GetTickMs();
  CSGuard g(&m_lock);
  for (WebContentEntry* e : m_entries) {
    if (!e->active || !e->Displayable() || e->image_state != WebContentEntry::kImageReady || !e->texture) continue;
    if (!e->ShownAt(place)) continue;
    m_host->DrawImage(e->texture, static_cast<float>(e->pos_x), kDesignHeight - static_cast<float>(e->pos_y),
                      Fade(now, e->ready_time));
  }
}

void GameWebContent::Draw_Announcements() {
  const uint32_t now = GetTickMs();
  CSGuard g(&m_lock);
  for (WebContentEntry* e : m_entries) {
    if (!AnnouncementShown(e)) continue;
    const float fade = Fade(now, e->ready_time);
    m_host->DrawDim(fade);
    m_host->DrawImage(e->texture, static_cast<float>(e->pos_x), kDesignHeight - static_cast<float>(e->pos_y), fade);
    e->close_button->Draw();
  }
}

// ---------------------------------------------------------------- input

bool GameWebContent::AnnouncementOpen() const {
  for (const WebContentEntry* e : m_entries)
    if (AnnouncementShown(e)) return true;
  return false;
}

int GameWebContent::ForwardToCloseButtons(int (ZBEventCtrl::*handler)(int, int, int), int button, int x, int y) {
  bool open = false;
  // Copied: a button's handler may change the list.
  const std::vector<WebContentEntry*> entries = m_entries;
  for (WebContentEntry* e : entries) {
    if (!AnnouncementShown(e)) continue;
    open = true;
    (e->close_button->*handler)(button, x, y);
  }
  return open ? 1 : 0;
}

int GameWebContent::OnTouchDown(int button, int x, int y) {
  return ForwardToCloseButtons(&ZBEventCtrl::OnTouchDown, button, x, y);
}

int GameWebContent::OnTouchMove(int button, int x, int y) {
  return ForwardToCloseButtons(&ZBEventCtrl::OnTouchMove, button, x, y);
}

bool GameWebContent::Clickable(const WebContentEntry* e) const {
  if (!e->active || e->image_state != WebContentEntry::kImageReady || !e->texture) return false;
  return (e->type == WebContentEntry::kLink || e->type == WebContentEntry::kScene) && e->ShownAt(m_place);
}

int GameWebContent::OnTouchUp(int button, int x, int y, bool banners) {
  // An open announcement is drawn over everything: it takes the release before any
  // banner, wherever the banner stands in the list.
  for (WebContentEntry* e : m_entries) {
    if (!AnnouncementShown(e)) continue;
    if (InsideImage(e, x, y)) {
      e->close_button->OnTouchUp(button, x, y);
    } else {
      e->active = 0;
      m_host->PlayButtonSound();
    }
    return 1;
  }
  if (!banners) return 0;
  WebContentEntry* hit = nullptr;
  for (WebContentEntry* e : m_entries) {
    if (e->show_type == WebContentEntry::kAnnouncement || !Clickable(e) || !InsideImage(e, x, y)) continue;
    hit = e;
    break;
  }
  if (!hit) return 0;
  // The action runs after the walk: opening the shop may draw or change anything.
  if (hit->type == WebContentEntry::kLink) {
    if (hit->link_web == "close") {
      hit->active = 0;
      m_host->PlayButtonSound();
    } else if (hit->link_web.size() >= kMinLinkLength) {
      m_host->PlayButtonSound();
      if (IsWebAddress(hit->link_web))
        m_host->OpenPage(hit->link_web.c_str());
      else
        Log(LOG_WARNING, "[WARNING]: GameWebContent::OnTouchUp| the link of %s is not a web address", hit->name.c_str());
    }
  } else if (hit->type == WebContentEntry::kScene && hit->link_int == kShopScene) {
    m_host->ShowShop();
  }
  return 1;
}

void GameWebContent::OnEvent(ZBEventCtrl* sender) {
  for (WebContentEntry* e : m_entries) {
    if (e->active && e->show_type == WebContentEntry::kAnnouncement && e->close_button == sender) {
      e->active = 0;  // the button played its own click sound
      return;
    }
  }
}
