#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "framework/ZBWebDownload.h"
#include "ui/GLButtonImage.h"
#include "ui/ZBEventCtrl.h"

class GLTexture;

namespace Json {
class Value;
}

// Places a drawer names when it asks for its banners.
enum WebContentPlace : int32_t {
  kPlaceLobby = 3,
  kPlaceRoomList = 4,
  kPlaceTournamentList = 6,
  kPlaceShop = 7,
  kPlaceTableTournament = 9,
};

// One banner or announcement of the banner document.
struct WebContentEntry {
  enum Type : int32_t { kLink = 0, kScene = 1, kDecoration = 2 };
  enum ShowType : int32_t { kEverywhere = 1, kListPlaces = 10, kAnnouncement = 11 };
  enum ImageState : int32_t { kImageNone = 0, kImageLoading = 1, kImageReady = 2 };

  std::string name;
  int32_t type = 0;
  int32_t show_type = 0;
  int32_t value_int = 0;
  std::string value_string;
  std::string image;
  int32_t link_int = 0;
  int32_t link_web_type = 0;
  std::string link_web;
  int32_t image_state = kImageNone;
  GLTexture* texture = nullptr;  // owned
  uint32_t ready_time = 0;
  int32_t pos_x = 0;
  int32_t pos_y = 0;
  int32_t btn_pos_x = -1;
  int32_t btn_pos_y = -1;
  GLButtonImage* close_button = nullptr;  // owned; announcements only
  int32_t active = 0;
  int32_t ver = 0;
  uint32_t serial = 0;  // names the entry in its image download

  // Types 0 to 2 are drawn, cached and downloaded; higher ones are only kept.
  bool Displayable() const { return type >= kLink && type <= kDecoration; }
  // Whether this entry's show_type selects `place`.
  bool ShownAt(int32_t place) const;
};

// What the banners need from the rest of the program. The default implementation is
// the real one (downloads, GL textures, the shared images, sound, platform commands);
// tests give their own.
class WebContentHost {
 public:
  virtual ~WebContentHost() = default;
  // Queues a download whose completion comes back on the main thread.
  virtual bool QueueDownload(const char* url, WebDownloadCallback callback, void* user_data, void* context);
  // Loads a PNG file as a one-frame texture; null when it cannot be loaded.
  virtual GLTexture* LoadTexture(const std::string& path);
  // The shared sprite sheet of the announcements' close button (not owned).
  virtual GLTexture* CloseButtonImage();
  virtual void PlayButtonSound();
  // Opens a page in the desktop's browser.
  virtual void OpenPage(const char* url);
  // Shows the shop scene.
  virtual void ShowShop();
  // Draws one banner with its top-left corner at (x, y).
  virtual void DrawImage(GLTexture* texture, float x, float y, float alpha);
  virtual void DrawDim(float progress);
  // A new game-server address from the document.
  virtual void SetMasterAddress(const char* host, int32_t port);
};

// The banners and announcements of the remote banner document: the cache file
// "web_content.json" and one PNG per entry in the data folder, the merge with the
// downloaded document, the image downloads, the drawing at the places, the
// announcements with their close buttons, and the clicks.
//
// Threads: everything runs on the main thread (download completions are delivered
// there). The lock guards the entry list where the per-frame update and the
// completions touch it.
class GameWebContent : public ZBObject, public ZBSingleton<GameWebContent>, public ZBEventReceiver {
 public:
  // A document or image longer than these is refused.
  static constexpr size_t kMaxDocumentBytes = 1u << 20;
  static constexpr size_t kMaxImageBytes = 4u << 20;
  static constexpr uint32_t kFadeMs = 500;

  GameWebContent();
  ~GameWebContent() override;

  // Null restores the default host. The host must outlive this object.
  void SetHost(WebContentHost* host);
  // The data folder of the cache (default: the program's data folder).
  void SetDataDir(const std::string& dir) { m_data_dir = dir; }
  const std::string& DataDir() const { return m_data_dir; }

  // Loads the cache, then queues the download of "<web base>/web_content/profile.htm".
  int Initialize(const char* web_base);
  // Reads the cache file into the list (cached entries start inactive).
  bool LoadCache();
  // Merges a downloaded document; false when it was refused or has no "content".
  bool Merge(const char* data, size_t size);
  // Writes the cache file: the active entries of types 0 to 2.
  bool Save();
  // Queues the downloads of the images not requested yet.
  void Update();
  // A finished image download of entry `name`.
  void OnImageData(const std::string& name, const char* data, size_t size);

  // Draws the banners of `place` and remembers it as the current place.
  void Draw(int32_t place);
  void Draw_Announcements();

  // Pointer input in the lobby; 1 when consumed. An open announcement takes every
  // event. With `banners` false (a scene is shown over the banners) a release that no
  // announcement takes is left to the scene.
  int OnTouchDown(int button, int x, int y);
  int OnTouchMove(int button, int x, int y);
  int OnTouchUp(int button, int x, int y, bool banners = true);
  // An announcement's close button.
  void OnEvent(ZBEventCtrl* sender) override;

  // The PNG file of an entry; empty when its name cannot be a file name.
  std::string ImagePath(const std::string& name) const;
  std::string CachePath() const;

  // Walkable copy of the list's entries (for tests and drawers).
  const std::vector<WebContentEntry*>& Entries() const { return m_entries; }
  WebContentEntry* Find(const std::string& name);
  int32_t CurrentPlace() const { return m_place; }
  void SetCurrentPlace(int32_t place) { m_place = place; }
  bool AnnouncementOpen() const;

 private:
  static void OnDocumentDownloaded(void* user_data, WebDownloadRequest* request);
  static void OnImageDownloaded(void* user_data, WebDownloadRequest* request);
  WebContentEntry* EntryFromJson(const Json::Value& item, bool from_cache);
  bool AttachCloseButton(WebContentEntry* e);
  void LoadImageFile(WebContentEntry* e);
  void DestroyEntry(WebContentEntry* e);
  void RemoveEntry(WebContentEntry* e);
  bool Clickable(const WebContentEntry* e) const;
  // Offers a press or move to the open announcements' close buttons; 1 when any is open.
  int ForwardToCloseButtons(int (ZBEventCtrl::*handler)(int, int, int), int button, int x, int y);

  WebContentHost* m_host;
  std::string m_data_dir;
  CriticalSection m_lock;
  std::vector<WebContentEntry*> m_entries;
  int32_t m_place = -1;
  uint32_t m_next_serial = 1;
};
