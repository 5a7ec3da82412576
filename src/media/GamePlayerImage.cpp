#include "media/GamePlayerImage.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/GameSharedData.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/ZBWebDownload.h"
#include "gfx/GLImageDecoder.h"
#include "gfx/GLTexture.h"
#include "media/GameSharedImage.h"

namespace {

struct Prefix {
  const char* text;
  int source;
};
constexpr Prefix kPrefixes[] = {{"fb", GamePlayerImage::kSourceSocial},
                                {"NV", GamePlayerImage::kSourceOwn},
                                {"AG", GamePlayerImage::kSourceWeb}};

// Source of an id by its two-letter prefix, -1 when none matches.
int SourceOf(const char* id) {
  if (!id || !id[0] || !id[1]) return -1;
  for (const Prefix& p : kPrefixes)
    if (id[0] == p.text[0] && id[1] == p.text[1]) return p.source;
  return -1;
}

}  // namespace

GamePlayerImage::GamePlayerImage() = default;

GamePlayerImage::~GamePlayerImage() {
  CSGuard g(&m_lock);
  for (Entry* e : m_entries) {
    ZBSafeRelease(e->picture);
    delete e;
  }
  m_entries.clear();
}

GLTexture* GamePlayerImage::DefaultPicture() const {
  GameSharedImage* shared = GameSharedImage::InstanceIfAny();
  return shared ? shared->Image(GameSharedImage::kAvatar) : nullptr;
}

const GamePlayerImage::Entry* GamePlayerImage::FindEntry(const char* id) const {
  if (!id) return nullptr;
  for (const Entry* e : m_entries)
    if (std::strncmp(e->id, id, sizeof(e->id) - 1) == 0) return e;
  return nullptr;
}

GLTexture* GamePlayerImage::GetImage(const char* id) {
  const int source = SourceOf(id);
  if (source < 0 || source == kSourceOwn) return DefaultPicture();
  CSGuard g(&m_lock);
  Entry* e = const_cast<Entry*>(FindEntry(id));
  if (e) {
    if (e->state == kLoaded && e->picture) {
      e->last_use = GetTickMs();
      return e->picture;
    }
    if (e->state == kFailed) return DefaultPicture();
    return nullptr;
  }
  e = new Entry;
  std::snprintf(e->id, sizeof(e->id), "%s", id);
  e->source = source;
  e->state = kNew;
  e->last_use = GetTickMs();
  m_entries.push_back(e);
  return nullptr;
}

void GamePlayerImage::QueueDownload(Entry* e) {
  // The account number starts at the first non-zero character after the prefix.
  const char* number = nullptr;
  for (int i = 2; i < 30 && e->id[i]; ++i) {
    if (e->id[i] != '0') {
      number = e->id + i;
      break;
    }
  }
  if (!number) {
    e->state = kFailed;
    return;
  }
  char url[WebDownloadRequest::kAddressSize];
  int n;
  if (e->source == kSourceSocial) {
    n = std::snprintf(url, sizeof(url), "%s/%s/picture?width=100&height=100", m_picture_host.c_str(), number);
  } else {
    const char* base = GameSharedData::Instance()->m_web_base;
    n = std::snprintf(url, sizeof(url), "%s/web_content/AG/%s.jpg", base, e->id + 2);
  }
  if (n < 0 || static_cast<size_t>(n) >= sizeof(url) ||
      !ZBWebDownload::Instance()->Download(url, &GamePlayerImage::DownloadDone, this, e)) {
    Log(LOG_WARNING, "[WARNING]: GamePlayerImage::UpdateDownloads| no download for %s", e->id);
    e->state = kFailed;
    return;
  }
  e->state = kDownloading;
}

void GamePlayerImage::UpdateDownloads() {
  CSGuard g(&m_lock);
  const uint32_t now = GetTickMs();
  for (size_t i = 0; i < m_entries.size();) {
    Entry* e = m_entries[i];
    if (m_entries.size() >= kEvictAtEntries && (e->state == kLoaded || e->state == kFailed) &&
        now - e->last_use > kEvictAfterMs) {
      ZBSafeRelease(e->picture);
      delete e;
      m_entries.erase(m_entries.begin() + static_cast<long>(i));
      continue;
    }
    if (e->state == kNew) QueueDownload(e);
    ++i;
  }
}

void GamePlayerImage::DownloadDone(void* user_data, WebDownloadRequest* request) {
  // Completions can arrive after the cache was destroyed at shutdown; ignore those.
  GamePlayerImage* self = GamePlayerImage::InstanceIfAny();
  if (!self || self != user_data) return;
  self->OnDownloaded(request);
}

void GamePlayerImage::OnDownloaded(WebDownloadRequest* request) {
  if (!request) return;
  CSGuard g(&m_lock);
  Entry* e = nullptr;
  for (Entry* x : m_entries)
    if (x == request->context) e = x;
  if (!e) return;  // evicted meanwhile
  e->last_use = GetTickMs();
  e->state = kFailed;
  if (!request->data || request->size < kMinPictureBytes) {
    Log(LOG_WARNING, "[WARNING]: GamePlayerImage::OnDownloaded| %s: no picture (%d bytes)", e->id, request->size);
    return;
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) return;
  auto* picture = new GLTexture();
  int w = 0, h = 0;
  if (!LoadJpegTexture(reinterpret_cast<const uint8_t*>(request->data), static_cast<size_t>(request->size), name,
                       &w, &h, 1) ||
      w <= 0 || h <= 0) {
    glDeleteTextures(1, &name);
    picture->Release();
    Log(LOG_WARNING, "[WARNING]: GamePlayerImage::OnDownloaded| %s: not a picture", e->id);
    return;
  }
  picture->SetTexture(name, w, h, 1, 1);
  ZBSafeRelease(e->picture);
  e->picture = picture;
  e->state = kLoaded;
  e->last_use = GetTickMs();
}

void GamePlayerImage::DrawAvatar(const PlayerPictureRecord* record, float x, float y, float width, float height) {
  GameSharedImage* shared = GameSharedImage::InstanceIfAny();
  if (!shared) return;
  int style = 6;
  if (record) {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (record->active_marker1 && now - record->active_time1 < kRecentSeconds)
      style = 4;
    else if (record->active_marker2 && now - record->active_time2 < kRecentSeconds)
      style = 2;
    else
      style = 1;
  }
  // The frame, 15 percent larger, then the picture over it; both centred on (x, y).
  GLTexture* frame = shared->Image(GameSharedImage::kUserFrame);
  const float fw = frame->m_display_width, fh = frame->m_display_height;
  frame->SetFrameSize(static_cast<int>(width * 1.15f), static_cast<int>(height * 1.15f));
  frame->Draw(style, x, y + 1.0f, 1);
  frame->SetSize(fw, fh);

  GLTexture* picture = record ? GetImage(record->id) : shared->Image(GameSharedImage::kAvatarNull);
  if (!picture) return;  // still downloading
  const bool is_default =
      picture == shared->Image(GameSharedImage::kAvatar) || picture == shared->Image(GameSharedImage::kAvatarNull);
  const float pw = picture->m_display_width, ph = picture->m_display_height;
  picture->SetFrameSize(static_cast<int>(width), static_cast<int>(height));
  picture->Draw(is_default && record && record->picture_enabled ? 1 : 0, x, y, 1);
  if (is_default) picture->SetSize(pw, ph);
}
