#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"

class GLTexture;
struct WebDownloadRequest;

// What DrawAvatar needs to know of a seated or listed player.
struct PlayerPictureRecord {
  const char* id = nullptr;      // the player id ("fb…", "NV…", "AG…")
  int32_t active_marker1 = 0;    // first recent-activity marker and its time (seconds)
  int64_t active_time1 = 0;
  int32_t active_marker2 = 0;    // second marker and its time (seconds)
  int64_t active_time2 = 0;
  int32_t picture_enabled = 0;   // selects the highlighted default picture
};

// Cache of player pictures: each id is downloaded once in the background, decoded as a
// round-masked JPEG and kept until it is evicted from a large cache. A picture that
// fails keeps the default picture and is not fetched again while its entry lives.
class GamePlayerImage : public ZBObject, public ZBSingleton<GamePlayerImage> {
 public:
  enum State : int { kNew = 0, kDownloading = 1, kLoaded = 2, kFailed = -1 };
  enum Source : int { kSourceSocial = 0, kSourceOwn = 1, kSourceWeb = 2 };
  static constexpr size_t kEvictAtEntries = 100;
  static constexpr uint32_t kEvictAfterMs = 600000;
  static constexpr int32_t kMinPictureBytes = 1000;
  static constexpr int64_t kRecentSeconds = 592200;

  struct Entry {
    char id[32] = {};
    int source = 0;
    int state = kNew;
    uint32_t last_use = 0;
    GLTexture* picture = nullptr;  // owned
  };

  GamePlayerImage();
  ~GamePlayerImage() override;

  // The picture of `id`: loaded picture, the default picture (unknown or own-account
  // prefix, failed download), or null while it is new or downloading.
  GLTexture* GetImage(const char* id);
  // Evicts old entries and queues the downloads of new ones.
  void UpdateDownloads();
  // Completion of a download (main thread).
  void OnDownloaded(WebDownloadRequest* request);
  void DrawAvatar(const PlayerPictureRecord* record, float x, float y, float width, float height);

  // Base of the social network's picture addresses (scheme and host).
  void SetPictureHost(const char* host) { m_picture_host = host ? host : ""; }
  const std::string& PictureHost() const { return m_picture_host; }

  size_t EntryCount() const { return m_entries.size(); }
  const Entry* FindEntry(const char* id) const;

 private:
  static void DownloadDone(void* user_data, WebDownloadRequest* request);
  GLTexture* DefaultPicture() const;
  void QueueDownload(Entry* e);

  CriticalSection m_lock;
  std::vector<Entry*> m_entries;
  std::string m_picture_host = "https://graph.facebook.com";
};
