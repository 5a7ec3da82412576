#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/ZBThreadManager.h"
#include "framework/ZBWebDownload.h"
#include "unit/framework/WorkerTestSupport.h"

#ifdef TOLVAN_HAVE_HTTPLIB
#include <httplib.h>
#include "support/Loopback.h"
#endif

using worker_test::LogCapture;
using worker_test::PumpUntil;

namespace {

#ifdef TOLVAN_HAVE_HTTPLIB

namespace fs = std::filesystem;

// Self-signed certificates made once per test process with the openssl command.
struct Certificates {
  fs::path dir;
  std::string good_cert, good_key;    // CN/SAN 127.0.0.1: given to the client as its CA
  std::string other_cert, other_key;  // valid for 127.0.0.1 but not trusted
  std::string wrong_name_cert, wrong_name_key;  // trusted, but for another name
  std::string ca_bundle;                         // good + wrong-name: the client's CA file
  bool ok = false;

  static const Certificates& Get() {
    static Certificates c = Make();
    return c;
  }

 private:
  static bool MakePair(const fs::path& dir, const std::string& name, const std::string& san) {
    const std::string cmd = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                            " -subj /CN=tolvan-test -addext subjectAltName=" + san +
                            " -keyout '" + (dir / (name + ".key")).string() + "' -out '" +
                            (dir / (name + ".pem")).string() + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
  }
  static Certificates Make() {
    Certificates c;
    char tmpl[] = "/tmp/tolvan-dl-XXXXXX";
    if (!mkdtemp(tmpl)) return c;
    c.dir = tmpl;
    c.ok = MakePair(c.dir, "good", "IP:127.0.0.1") && MakePair(c.dir, "other", "IP:127.0.0.1") &&
           MakePair(c.dir, "wrong", "DNS:elsewhere.invalid");
    c.good_cert = (c.dir / "good.pem").string();
    c.good_key = (c.dir / "good.key").string();
    c.other_cert = (c.dir / "other.pem").string();
    c.other_key = (c.dir / "other.key").string();
    c.wrong_name_cert = (c.dir / "wrong.pem").string();
    c.wrong_name_key = (c.dir / "wrong.key").string();
    c.ca_bundle = (c.dir / "bundle.pem").string();
    c.ok = c.ok && std::system(("cat '" + c.good_cert + "' '" + c.wrong_name_cert + "' > '" + c.ca_bundle + "'").c_str()) == 0;
    std::atexit([] { std::error_code ec; fs::remove_all(Get().dir, ec); });
    return c;
  }
};

std::string BigBody() {
  static const std::string body = [] {
    std::string s(5 * 1024 * 1024 + 123, '\0');
    uint32_t x = 12345;
    for (char& ch : s) {
      x = x * 1664525u + 1013904223u;
      ch = static_cast<char>(x >> 24);  // includes NUL bytes
    }
    return s;
  }();
  return body;
}

// A cpp-httplib server (plain or TLS) on 127.0.0.1 with an ephemeral port.
class TestServer {
 public:
  explicit TestServer(const std::string& cert = "", const std::string& key = "") {
    if (cert.empty()) {
      m_server = std::make_unique<httplib::Server>();
      m_scheme = "http";
    } else {
      m_server = std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str());
      m_scheme = "https";
    }
    auto& s = *m_server;
    s.Get("/small", [](const httplib::Request&, httplib::Response& res) { res.set_content("hello", "text/plain"); });
    s.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(BigBody(), "application/octet-stream");
    });
    s.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/plain"); });
    s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("<html>not here</html>", "text/html");
    });
    s.Get("/moved", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/small"); });
    s.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("application/octet-stream", [](size_t, httplib::DataSink& sink) {
        std::string block(1000, 'c');
        for (int i = 0; i < 5; ++i) sink.write(block.data(), block.size());
        sink.done();
        return true;
      });
    });
    s.Get(R"(/slow/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
      const int now = ++m_in_handler;
      int peak = m_peak.load();
      while (now > peak && !m_peak.compare_exchange_weak(peak, now)) {
      }
      {
        std::lock_guard<std::mutex> g(m_lock);
        m_order.push_back(std::stoi(req.matches[1]));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      --m_in_handler;
      res.set_content("slow " + std::string(req.matches[1]), "text/plain");
    });
    m_port = s.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() only works on a running server: wait for the accept loop to be up.
    while (m_port > 0 && !m_server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestServer() {
    m_server->stop();
    m_thread.join();
  }
  bool Ok() const { return m_port > 0 && m_server->is_valid(); }
  std::string Url(const std::string& path) const {
    return m_scheme + "://127.0.0.1:" + std::to_string(m_port) + path;
  }
  int Peak() const { return m_peak.load(); }
  std::vector<int> Order() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_order;
  }

 private:
  std::unique_ptr<httplib::Server> m_server;
  std::string m_scheme;
  int m_port = -1;
  std::thread m_thread;
  std::atomic<int> m_in_handler{0}, m_peak{0};
  std::mutex m_lock;
  std::vector<int> m_order;
};

// A socket that listens but never accepts: connections complete in the kernel's
// backlog and then hear nothing, neither a reply nor a TLS handshake.
class SilentServer {
 public:
  SilentServer() {
    uint16_t port = 0;
    m_fd = test_support::ListenOnLoopback(16, &port);
    m_port = port;
  }
  ~SilentServer() { close(m_fd); }
  int Port() const { return m_port; }

 private:
  int m_fd = -1;
  int m_port = 0;
};

// A loopback port on which nobody listens.
int ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  socklen_t len = sizeof(a);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

// What the callback saw, per request tag (the request's context).
struct Delivery {
  int count = 0;
  int32_t state = 0;
  int32_t size = 0;
  int32_t http_status = 0;
  uint32_t elapsed = 0;
  bool data_null = true;
  bool nul_terminated = false;
  std::string bytes;
  std::thread::id thread;
};

struct Collector {
  std::map<intptr_t, Delivery> got;
  int total = 0;

  static void OnDone(void* user, WebDownloadRequest* r) {
    auto* self = static_cast<Collector*>(user);
    Delivery& d = self->got[reinterpret_cast<intptr_t>(r->context)];
    d.count++;
    d.state = r->state.load();
    d.size = r->size;
    d.http_status = r->http_status;
    d.elapsed = r->elapsed;
    d.data_null = r->data == nullptr;
    if (r->data) {
      d.bytes.assign(r->data, r->size);
      d.nul_terminated = r->data[r->size] == '\0';
    }
    d.thread = std::this_thread::get_id();
    self->total++;
  }
};

class WebDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Certificates::Get().ok) GTEST_SKIP() << "openssl could not make test certificates";
    dl.StartWorker();
    WebDownloadOptions o;
    o.connect_timeout_ms = 1000;
    o.stall_timeout_s = 1;
    o.ca_file = Certificates::Get().ca_bundle;
    dl.SetOptions(o);
  }
  WebDownloadRequest* Queue(const std::string& url, intptr_t tag) {
    return dl.Download(url.c_str(), &Collector::OnDone, &got, reinterpret_cast<void*>(tag));
  }
  // Runs frames until `n` deliveries arrived and every record was freed.
  bool PumpDeliveries(int n, uint32_t limit_ms = 15000) {
    return PumpUntil([&] { dl.ProcessRequests(); },
                     [&] { return got.total >= n && dl.RequestCount() == 0; }, limit_ms);
  }
  ZBWebDownload dl;
  Collector got;
};

TEST_F(WebDownloadTest, DeliversExactBytesOverHttpAndHttpsOnceOnTheMainThread) {
  TestServer http;
  TestServer https(Certificates::Get().good_cert, Certificates::Get().good_key);
  ASSERT_TRUE(http.Ok() && https.Ok());
  struct Case {
    TestServer* server;
    const char* path;
    std::string expected;
  };
  const Case cases[] = {
      {&http, "/small", "hello"},   {&https, "/small", "hello"}, {&http, "/big", BigBody()},
      {&https, "/big", BigBody()},  {&http, "/moved", "hello"},  {&http, "/chunked", std::string(5000, 'c')},
  };
  intptr_t tag = 0;
  for (const Case& c : cases) ASSERT_NE(Queue(c.server->Url(c.path), tag++), nullptr);
  ASSERT_TRUE(PumpDeliveries(static_cast<int>(std::size(cases))));
  for (int frame = 0; frame < 10; ++frame) dl.ProcessRequests();
  ASSERT_EQ(got.total, static_cast<int>(std::size(cases))) << "no second delivery";
  tag = 0;
  for (const Case& c : cases) {
    const Delivery& d = got.got[tag];
    SCOPED_TRACE(c.server->Url(c.path));
    EXPECT_EQ(d.count, 1);
    EXPECT_EQ(d.state, 2);
    EXPECT_EQ(d.http_status, 200);
    EXPECT_EQ(d.size, static_cast<int32_t>(c.expected.size()));
    EXPECT_TRUE(d.bytes == c.expected) << "bytes differ";
    EXPECT_TRUE(d.nul_terminated);
    EXPECT_EQ(d.thread, std::this_thread::get_id());
    ++tag;
  }
}

TEST_F(WebDownloadTest, EachFailureIsDeliveredOnceAndTheNextRequestStillRuns) {
  TestServer http;
  TestServer untrusted(Certificates::Get().other_cert, Certificates::Get().other_key);
  TestServer wrong_name(Certificates::Get().wrong_name_cert, Certificates::Get().wrong_name_key);
  SilentServer silent;
  ASSERT_TRUE(http.Ok() && untrusted.Ok() && wrong_name.Ok());
  struct Case {
    const char* name;
    std::string url;
    uint32_t least_elapsed_ms;  // failures by time-out take at least this long
  };
  const std::string port = std::to_string(silent.Port());
  const Case cases[] = {
      {"404 page", http.Url("/missing"), 0},
      {"empty reply", http.Url("/empty"), 0},
      {"refused", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x", 0},
      {"untrusted certificate", untrusted.Url("/small"), 0},
      {"trusted certificate for another name", wrong_name.Url("/small"), 0},
      {"server never answers", "http://127.0.0.1:" + port + "/x", 900},
      {"server never completes the handshake", "https://127.0.0.1:" + port + "/x", 900},
      {"not a web address", "file:///etc/hostname", 0},
  };
  intptr_t tag = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(Queue(c.url, tag), nullptr);
    ASSERT_NE(Queue(http.Url("/small"), tag + 1000), nullptr);  // queued behind it
    ASSERT_TRUE(PumpUntil([&] { dl.ProcessRequests(); }, [&] { return got.got.count(tag + 1000) > 0; }));
    const Delivery& d = got.got[tag];
    EXPECT_EQ(d.count, 1);
    EXPECT_EQ(d.state, -1);
    EXPECT_EQ(d.size, 0);
    EXPECT_TRUE(d.data_null);
    EXPECT_GE(d.elapsed, c.least_elapsed_ms);
    EXPECT_EQ(got.got[tag + 1000].state, 2) << "the request after the failure runs";
    EXPECT_EQ(got.got[tag + 1000].bytes, "hello");
    ++tag;
  }
  for (int frame = 0; frame < 10; ++frame) dl.ProcessRequests();
  EXPECT_EQ(got.total, static_cast<int>(2 * std::size(cases)));
  EXPECT_EQ(dl.RequestCount(), 0);
}

TEST_F(WebDownloadTest, RequestsRunOneAtATimeInQueueOrder) {
  TestServer http;
  ASSERT_TRUE(http.Ok());
  for (int i = 0; i < 5; ++i) Queue(http.Url("/slow/" + std::to_string(i)), i);
  ASSERT_TRUE(PumpDeliveries(5));
  EXPECT_EQ(http.Peak(), 1);
  EXPECT_EQ(http.Order(), (std::vector<int>{0, 1, 2, 3, 4}));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(got.got[i].bytes, "slow " + std::to_string(i));
}

TEST_F(WebDownloadTest, ReplyLongerThanTheBufferMayGrowFails) {
  TestServer http;
  ASSERT_TRUE(http.Ok());
  WebDownloadOptions o = dl.Options();
  o.max_body_bytes = 4000;
  dl.SetOptions(o);
  Queue(http.Url("/big"), 0);      // announced length over the limit
  Queue(http.Url("/chunked"), 1);  // no length: the buffer stops growing mid-transfer
  Queue(http.Url("/small"), 2);
  ASSERT_TRUE(PumpDeliveries(3));
  EXPECT_EQ(got.got[0].state, -1);
  EXPECT_EQ(got.got[1].state, -1);
  EXPECT_TRUE(got.got[1].data_null);
  EXPECT_EQ(got.got[2].state, 2);
}

TEST_F(WebDownloadTest, UnusableAddressesAreRefusedOrFailOnce) {
  const std::string too_long = "http://127.0.0.1/" + std::string(300, 'a');
  EXPECT_EQ(Queue(too_long, 0), nullptr) << "a truncated address would fetch something else";
  EXPECT_EQ(Queue("", 0), nullptr);
  // A record filled by hand without a terminating NUL is queued as failed.
  auto* r = new WebDownloadRequest();
  std::memset(r->address, 'a', sizeof(r->address));
  r->callback = &Collector::OnDone;
  r->user_data = &got;
  r->context = reinterpret_cast<void*>(intptr_t{7});
  EXPECT_EQ(dl.AddRequest(r), 0);
  ASSERT_TRUE(PumpDeliveries(1));
  EXPECT_EQ(got.got[7].count, 1);
  EXPECT_EQ(got.got[7].state, -1);
  EXPECT_EQ(got.total, 1);
}

TEST_F(WebDownloadTest, WorkerThatCannotStartFailsTheRequestOnce) {
  TestServer http;
  ASSERT_TRUE(http.Ok());
  ZBThreadManager::Instance()->FailNextSpawns(1);
  Queue(http.Url("/small"), 0);
  Queue(http.Url("/small"), 1);
  ASSERT_TRUE(PumpDeliveries(2));
  EXPECT_EQ(got.got[0].state, -1);
  EXPECT_EQ(got.got[0].size, 0);
  EXPECT_EQ(got.got[1].state, 2);
}

TEST_F(WebDownloadTest, RecordsWithoutCallbackOrUserDataCompleteSilently) {
  TestServer http;
  ASSERT_TRUE(http.Ok());
  dl.Download(http.Url("/small").c_str(), nullptr, &got);
  dl.Download(http.Url("/small").c_str(), &Collector::OnDone, nullptr);
  Queue(http.Url("/small"), 3);
  ASSERT_TRUE(PumpDeliveries(1));
  EXPECT_EQ(got.total, 1);
  EXPECT_EQ(got.got[3].state, 2);
}

TEST(WebDownloadShutdown, StopsARunningTransferAndDropsQueuedRecordsWithoutCallbacks) {
  SilentServer silent;
  LogCapture log;
  Collector got;
  {
    ZBWebDownload dl;
    dl.StartWorker();
    WebDownloadOptions o;
    o.stall_timeout_s = 60;  // the transfer would otherwise hang for a minute
    dl.SetOptions(o);
    const std::string url = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/x";
    dl.Download(url.c_str(), &Collector::OnDone, &got);
    dl.Download(url.c_str(), &Collector::OnDone, &got);
    dl.ProcessRequests();  // the first starts and stalls
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dl.ProcessRequests();
  }
  EXPECT_EQ(got.total, 0);
  EXPECT_FALSE(log.Contains("Forced to Terminate")) << "the transfer stopped within End's wait";
}

#else

TEST(WebDownloadTest, NeedsCppHttplib) { GTEST_SKIP() << "cpp-httplib not found: no local test server"; }

#endif

}  // namespace
