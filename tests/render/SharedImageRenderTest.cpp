#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "app/GameSharedData.h"
#include "framework/Clock.h"
#include "framework/ZBWebDownload.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "media/GamePlayerImage.h"
#include "media/GameSharedImage.h"
#include "render/SharedImageKit.h"
#include "render/TexRenderEnv.h"
#include "unit/gfx/ImageEncode.h"

namespace {

// A local picture server: serves a red JPEG for "ok" ids, 900 bytes for "small" ids and
// 404 for everything else, counting requests per path.
class PictureServer {
 public:
  PictureServer() {
    std::vector<uint8_t> px(100 * 100 * 3);
    for (size_t i = 0; i < px.size(); i += 3) {
      px[i] = 230;
      px[i + 1] = static_cast<uint8_t>((i / 3) % 7);  // a little noise keeps it above 999 bytes
      px[i + 2] = static_cast<uint8_t>((i / 3) % 5);
    }
    m_jpeg = testimg::EncodeJpeg(px, 100, 100, 3);
    m_server.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard<std::mutex> g(m_mutex);
        ++m_hits[req.path];
      }
      if (req.path.find("small") != std::string::npos) {
        res.set_content(std::string(900, 'x'), "image/jpeg");
      } else if (req.path.find("ok") != std::string::npos || req.path.find("/graph/") == 0) {
        res.set_content(std::string(m_jpeg.begin(), m_jpeg.end()), "image/jpeg");
      } else {
        res.status = 404;
      }
    });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
  }
  ~PictureServer() {
    m_server.stop();
    m_thread.join();
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_port); }
  int Hits(const std::string& path) {
    std::lock_guard<std::mutex> g(m_mutex);
    return m_hits[path];
  }
  size_t JpegSize() const { return m_jpeg.size(); }

 private:
  httplib::Server m_server;
  std::vector<uint8_t> m_jpeg;
  std::mutex m_mutex;
  std::map<std::string, int> m_hits;
  int m_port = 0;
  std::thread m_thread;
};

uint32_t g_now = 1000;
uint32_t StepTick() { return g_now; }

class SharedImageRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    texrender::SharedImageKit kit;
    kit.Load();
    art = kit.folder;
    loaded = kit.loaded;
    if (!art.empty()) ZBWebDownload::Instance()->StartWorker();
  }
  static void TearDownTestSuite() {
    GamePlayerImage::DestroyInstance();
    ZBWebDownload::DestroyInstance();
    GameSharedImage::DestroyInstance();
  }
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    if (art.empty()) GTEST_SKIP() << "the asset kit (raw/) is not built in this build folder";
    ASSERT_TRUE(loaded) << "a shared image failed to load";
    GamePlayerImage::DestroyInstance();
    images = GamePlayerImage::Instance();
    texrender::BeginFrame();
  }
  void TearDown() override { SetTickSource(nullptr); }

  // Runs the per-frame steps until `id` is loaded or failed (at most 10 s).
  int WaitFor(const char* id) {
    for (int i = 0; i < 1000; ++i) {
      images->UpdateDownloads();
      ZBWebDownload::Instance()->ProcessRequests();
      const GamePlayerImage::Entry* e = images->FindEntry(id);
      if (e && (e->state == GamePlayerImage::kLoaded || e->state == GamePlayerImage::kFailed)) return e->state;
      SleepMs(10);
    }
    return 99;
  }

  static inline std::string art;
  static inline bool loaded = false;
  GamePlayerImage* images = nullptr;
};

TEST_F(SharedImageRender, LoadingScreenShowsBackgroundCloudsAndVersion) {
  GameSharedImage::Instance()->DrawLoadingScreen();
  texrender::Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/loading_screen.png");
  EXPECT_FALSE(f.IsBlack(20, 20));
  EXPECT_FALSE(f.IsBlack(640, 360));
  // The version text: bright pixels right-aligned at x 1267 around y 696.
  int bright = 0, right_of_anchor = 0;
  for (int y = 684; y < 708; ++y)
    for (int x = 1100; x < 1280; ++x) {
      const uint8_t* p = f.At(x, y);
      if (p[0] > 200 && p[1] > 200 && p[2] > 200) {
        ++bright;
        if (x > 1269) ++right_of_anchor;
      }
    }
  EXPECT_GT(bright, 30);
  EXPECT_EQ(right_of_anchor, 0);
}

TEST_F(SharedImageRender, DimDarkensByProgressAndRestoresTheSheet) {
  GLSurface::Instance()->FillRect(0, 0, 0, 1280, 720, 1.0f, 1.0f, 1.0f, 1.0f, 0, 0, 0, 0);
  GameSharedImage::Instance()->DrawDim(1.0f, false);
  texrender::Frame full = texrender::Read();
  texrender::BeginFrame();
  GLSurface::Instance()->FillRect(0, 0, 0, 1280, 720, 1.0f, 1.0f, 1.0f, 1.0f, 0, 0, 0, 0);
  GameSharedImage::Instance()->DrawDim(1.0f, true);  // reversed: nearly transparent
  texrender::Frame none = texrender::Read();
  EXPECT_LT(full.At(640, 360)[0], 200);
  EXPECT_GT(none.At(640, 360)[0], 245);
  EXPECT_GT(none.At(1279, 719)[0], 245);
  GLTexture* gray = GameSharedImage::Instance()->Image(GameSharedImage::kBgGray);
  EXPECT_EQ(gray->m_display_width, 64.0f);
  EXPECT_EQ(gray->m_color[3], 1.0f);
}

TEST_F(SharedImageRender, AvatarFromTheWebAndTheDefaultOnFailure) {
  PictureServer server;
  std::snprintf(GameSharedData::Instance()->m_web_base, sizeof(GameSharedData::Instance()->m_web_base), "%s",
                server.Base().c_str());
  GLTexture* fallback = GameSharedImage::Instance()->Image(GameSharedImage::kAvatar);

  EXPECT_EQ(images->GetImage("AG00000ok1"), nullptr);  // new: nothing to draw yet
  ASSERT_EQ(WaitFor("AG00000ok1"), GamePlayerImage::kLoaded);
  EXPECT_EQ(server.Hits("/web_content/AG/00000ok1.jpg"), 1);
  GLTexture* picture = images->GetImage("AG00000ok1");
  ASSERT_NE(picture, nullptr);
  EXPECT_NE(picture, fallback);

  EXPECT_EQ(images->GetImage("AG0000missing"), nullptr);
  ASSERT_EQ(WaitFor("AG0000missing"), GamePlayerImage::kFailed);
  EXPECT_EQ(images->GetImage("AG0000missing"), fallback);

  PlayerPictureRecord ok, missing, recent;
  ok.id = "AG00000ok1";
  missing.id = "AG0000missing";
  recent.id = "NV0000001";
  recent.active_marker1 = 1;
  recent.active_time1 = static_cast<int64_t>(std::time(nullptr)) - 60;
  images->DrawAvatar(&ok, 300, 360, 100, 100);
  images->DrawAvatar(&missing, 640, 360, 100, 100);
  images->DrawAvatar(&recent, 980, 360, 100, 100);
  images->DrawAvatar(nullptr, 640, 600, 100, 100);
  texrender::Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/avatars.png");
  const uint8_t* centre = f.At(300, 360);
  EXPECT_GT(centre[0], 180);
  EXPECT_LT(centre[1], 60);
  EXPECT_LT(centre[2], 60);
  // The round mask leaves the corners of the picture to the frame behind it.
  const uint8_t* corner = f.At(252, 312);
  EXPECT_FALSE(corner[0] > 180 && corner[1] < 60);
  // The failed picture shows the default picture, drawn the same as for an own account.
  const uint8_t* def = f.At(640, 360);
  const uint8_t* own = f.At(980, 360);
  EXPECT_FALSE(def[0] > 180 && def[1] < 60);
  EXPECT_NEAR(def[0], own[0], 8);
  EXPECT_NEAR(def[1], own[1], 8);
  EXPECT_NEAR(def[2], own[2], 8);
  // The frame ring around the picture is drawn (15 percent larger than the picture).
  int ring = 0;
  for (int x = 238; x < 252; ++x) {
    const uint8_t* p = f.At(x, 361);
    if (!f.IsBlack(x, 361) && !(p[0] > 180 && p[1] < 60)) ++ring;
  }
  EXPECT_GT(ring, 0);

  // A failed picture is not fetched again.
  for (int i = 0; i < 20; ++i) {
    images->UpdateDownloads();
    ZBWebDownload::Instance()->ProcessRequests();
    images->GetImage("AG0000missing");
  }
  SleepMs(50);
  ZBWebDownload::Instance()->ProcessRequests();
  EXPECT_EQ(server.Hits("/web_content/AG/0000missing.jpg"), 1);
}

TEST_F(SharedImageRender, SmallAnswersZeroIdsAndSocialIds) {
  PictureServer server;
  std::snprintf(GameSharedData::Instance()->m_web_base, sizeof(GameSharedData::Instance()->m_web_base), "%s",
                server.Base().c_str());
  images->SetPictureHost((server.Base() + "/graph").c_str());
  GLTexture* fallback = GameSharedImage::Instance()->Image(GameSharedImage::kAvatar);

  images->GetImage("AG000small");
  EXPECT_EQ(WaitFor("AG000small"), GamePlayerImage::kFailed);
  EXPECT_EQ(images->GetImage("AG000small"), fallback);

  const std::string zeros = "fb" + std::string(28, '0');
  images->GetImage(zeros.c_str());
  images->UpdateDownloads();
  EXPECT_EQ(images->FindEntry(zeros.c_str())->state, GamePlayerImage::kFailed);
  EXPECT_EQ(images->GetImage(zeros.c_str()), fallback);

  // Asked twice before the answer: one entry, one download, the number without zeros.
  EXPECT_EQ(images->GetImage("fb000123"), nullptr);
  images->UpdateDownloads();
  EXPECT_EQ(images->GetImage("fb000123"), nullptr);
  EXPECT_EQ(WaitFor("fb000123"), GamePlayerImage::kLoaded);
  EXPECT_EQ(server.Hits("/graph/123/picture"), 1);

  EXPECT_EQ(images->GetImage("NV0000042"), fallback);
  EXPECT_EQ(images->GetImage("xx0000042"), fallback);
  EXPECT_EQ(images->GetImage(nullptr), fallback);
  EXPECT_EQ(images->FindEntry("NV0000042"), nullptr);
}

TEST_F(SharedImageRender, EvictionOnlyInALargeCache) {
  // Nothing listens on port 1: every download fails at once.
  std::snprintf(GameSharedData::Instance()->m_web_base, sizeof(GameSharedData::Instance()->m_web_base), "%s",
                "http://127.0.0.1:1");
  g_now = 1000;
  SetTickSource(StepTick);
  for (int i = 1; i <= 120; ++i) images->GetImage(("AG" + std::to_string(i)).c_str());
  ASSERT_EQ(images->EntryCount(), 120u);
  ASSERT_EQ(WaitFor("AG120"), GamePlayerImage::kFailed);
  for (int i = 1; i <= 120; ++i)
    ASSERT_EQ(images->FindEntry(("AG" + std::to_string(i)).c_str())->state, GamePlayerImage::kFailed) << i;
  images->UpdateDownloads();
  ASSERT_EQ(images->EntryCount(), 120u);  // nothing old yet
  g_now += 11 * 60 * 1000;
  images->UpdateDownloads();
  EXPECT_EQ(images->EntryCount(), 99u);
  EXPECT_EQ(images->FindEntry("AG1"), nullptr);  // the oldest in list order go first
  EXPECT_NE(images->FindEntry("AG120"), nullptr);
  images->UpdateDownloads();
  EXPECT_EQ(images->EntryCount(), 99u);  // below 100 entries nothing more goes
}

}  // namespace
